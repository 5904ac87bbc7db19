// TImage: a windowless control that shows a picture.
#pragma once

#include <memory>

#include "framework/forms/graphic_control.h"
#include "platform/draw/rect.h"

namespace kiv {

class TPicture;

// Shows Picture's graphic. By default at its own size in the top-left corner; Stretch scales it
// to the client area, Center centres it (what lies outside the control is cut). AutoSize makes
// the control take the picture's size whenever the picture changes (and when AutoSize is
// switched on). Transparent hands the flag to the graphic, so that the pixels of the bitmap's
// transparent colour (its bottom-left pixel unless it has a fixed one) are not drawn and the
// parent shows through them. The control counts as opaque (csOpaque) only while a picture that
// is not transparent covers all of it. UI thread only.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    // The control's own picture; never null.
    TPicture* Picture() const { return m_picture.get(); }
    // Copies `picture` into the control's own picture (nullptr clears it).
    void SetPicture(const TPicture* picture);

    bool AutoSize() const { return m_autoSize; }
    virtual void SetAutoSize(bool autoSize);
    bool Center() const { return m_center; }
    void SetCenter(bool center);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    // Kept for designs; pictures are always shown whole, at once.
    bool IncrementalDisplay() const { return m_incrementalDisplay; }
    void SetIncrementalDisplay(bool incremental) { m_incrementalDisplay = incremental; }

    void SetBounds(int left, int top, int width, int height) override;

    // Where the picture is drawn, in client coordinates.
    TRect DestRect() const;

protected:
    void Paint() override;
    // After any change of the picture or of the settings that decide how it is drawn.
    virtual void PictureChanged();

private:
    void UpdateOpaque();

    std::unique_ptr<TPicture> m_picture;
    bool m_autoSize = false;
    bool m_center = false;
    bool m_stretch = false;
    bool m_transparent = false;
    bool m_incrementalDisplay = false;
};

}  // namespace kiv
