// Wallpaper: the tiled background picture of a skinned control and the list index beside it.
#pragma once

#include <functional>
#include <memory>

#include "platform/draw/color.h"
#include "platform/draw/device_context.h"
#include "platform/draw/rect.h"

namespace kiv {

class TBitmap;
class TCanvas;

// The control's own bitmap, made on first use, and `idWallpaper`, the index of an entry in a
// shared bitmap list. Controls of this build link no bitmap list, so the index is kept for
// designs and never makes a wallpaper: Present() is true only for an own bitmap that is not
// empty. `changed` runs after every change of the own bitmap's contents. UI thread only.
class Wallpaper {
public:
    explicit Wallpaper(std::function<void()> changed);
    ~Wallpaper();
    Wallpaper(const Wallpaper&) = delete;
    Wallpaper& operator=(const Wallpaper&) = delete;

    // The own bitmap, made (empty) when there is none yet.
    TBitmap* Bitmap() const;
    // Whether `bitmap` is the own bitmap (assigning a bitmap to itself changes nothing).
    bool IsOwn(const TBitmap* bitmap) const { return bitmap && bitmap == m_bitmap.get(); }
    // Makes the own bitmap if needed and copies `bitmap` (nullptr empties it) into it.
    void Assign(const TBitmap* bitmap);

    int Index() const { return m_index; }
    // False when `index` is the stored one already.
    bool SetIndex(int index);

    bool Present() const;
    // Tiles the wallpaper over `rect` with a plain copy; nothing without one.
    void Tile(platform::DeviceContext& dc, const TRect& rect) const;
    // Tiles the wallpaper over `rect`, or without one fills it with `color` (a solid brush).
    void Fill(TCanvas& canvas, const TRect& rect, TColor color) const;

private:
    std::function<void()> m_changed;
    mutable std::unique_ptr<TBitmap> m_bitmap;
    int m_index = -1;
};

}  // namespace kiv
