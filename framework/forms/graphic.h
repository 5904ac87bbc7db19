// TGraphic: the abstract picture kind (bitmaps are the only kind here).
#pragma once

#include "framework/event.h"
#include "framework/persistent.h"
#include "platform/draw/rect.h"

namespace kiv {

class TCanvas;
class TStream;

class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;

    // Draws the graphic scaled into `rect` of `canvas`.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

    // The graphic in its file format (a bitmap: a BMP file). LoadFromStream reads from the
    // stream's position to its end and raises EInvalidGraphic for data it cannot read.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;

    // The graphic as a picture's design data stores it after the class name: the kind decides.
    virtual void ReadData(TStream& stream) = 0;
    virtual void WriteData(TStream& stream) const = 0;

    bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool transparent);

    // Raised after a change of size, contents or transparency.
    TNotifyEvent OnChange;

protected:
    void Changed() { OnChange(this); }

private:
    bool m_transparent = false;
};

}  // namespace kiv
