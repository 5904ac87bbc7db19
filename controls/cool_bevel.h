// TCoolBevel: a windowless bevel that may fill its background first.
#pragma once

#include "controls/wallpaper.h"
#include "framework/stdctrls/bevel.h"

namespace kiv {

class TBitmap;

// Paint: unless Transparent (the default), tiles the wallpaper over the client area or fills it
// with Color (clBtnFace by default, not taken from the parent); then draws the bevel as TBevel
// does. Every setter stores the value (Wallpaper copies the bitmap) and invalidates, as does a
// change of the wallpaper's pixels. UI thread only.
class TCoolBevel : public TBevel {
public:
    explicit TCoolBevel(TComponent* owner);
    ~TCoolBevel() override;

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);

    TBitmap* Wallpaper() const { return m_wallpaper.Bitmap(); }
    void SetWallpaper(const TBitmap* bitmap);
    int IdWallpaper() const { return m_wallpaper.Index(); }
    void SetIdWallpaper(int index);
    bool HasWallpaper() const { return m_wallpaper.Present(); }

protected:
    void Paint() override;

private:
    bool m_transparent = true;
    kiv::Wallpaper m_wallpaper;
};

}  // namespace kiv
