// TImage: picture placement, AutoSize and transparency.
#include "framework/stdctrls/image.h"

#include "framework/class_registry.h"
#include "framework/forms/canvas.h"
#include "framework/forms/graphic.h"
#include "framework/forms/picture.h"

namespace kiv {

TImage::TImage(TComponent* owner)
    : TGraphicControl(owner), m_picture(std::make_unique<TPicture>()) {
    m_picture->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(Left(), Top(), 105, 105);
}

TImage::~TImage() {
    // The picture may still tell of a change while it is destroyed; nobody listens by then.
    m_picture->OnChange = {};
}

void TImage::SetPicture(const TPicture* picture) {
    m_picture->Assign(picture);
}

void TImage::SetAutoSize(bool autoSize) {
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    PictureChanged();
}

void TImage::SetCenter(bool center) {
    if (center == m_center) return;
    m_center = center;
    PictureChanged();
}

void TImage::SetStretch(bool stretch) {
    if (stretch == m_stretch) return;
    m_stretch = stretch;
    PictureChanged();
}

void TImage::SetTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    PictureChanged();
}

void TImage::SetBounds(int left, int top, int width, int height) {
    TGraphicControl::SetBounds(left, top, width, height);
    // Whether the picture covers the control depends on the control's size too.
    UpdateOpaque();
}

TRect TImage::DestRect() const {
    int w = m_picture->Width();
    int h = m_picture->Height();
    if (m_stretch) {
        w = ClientWidth();
        h = ClientHeight();
    }
    TRect r(0, 0, w, h);
    if (m_center) r.Offset((ClientWidth() - w) / 2, (ClientHeight() - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* graphic = m_picture->Graphic();
    if (!graphic || graphic->Empty()) return;
    Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::PictureChanged() {
    TGraphic* graphic = m_picture->Graphic();
    if (m_autoSize && m_picture->Width() > 0 && m_picture->Height() > 0) {
        SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
    }
    // The graphic announces the change of its flag, which brings us back here once more with
    // nothing left to change.
    if (graphic && graphic->Transparent() != m_transparent) graphic->SetTransparent(m_transparent);
    UpdateOpaque();
    Invalidate();
}

void TImage::UpdateOpaque() {
    TGraphic* graphic = m_picture->Graphic();
    bool covers = graphic && !graphic->Empty() && !graphic->Transparent() &&
                  (m_stretch || (graphic->Width() >= Width() && graphic->Height() >= Height()));
    TControlStyle style = ControlStyle();
    if (covers) {
        style.Include(TControlStyleItem::csOpaque);
    } else {
        style.Exclude(TControlStyleItem::csOpaque);
    }
    SetControlStyle(style);
}

namespace {
const bool registered = RegisterClass<TImage, TGraphicControl>(
    "TImage",
    {
        Prop("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false),
        Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false),
        Prop("IncrementalDisplay", &TImage::IncrementalDisplay, &TImage::SetIncrementalDisplay)
            .Default(false),
        Prop("Picture", &TImage::Picture),
        Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false),
        Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false),
    });
}  // namespace

}  // namespace kiv
