// TGalleryForm: a borderless window whose shape comes from every kind of region-giving control.
#pragma once

#include "framework/forms/form.h"

namespace kiv {

class TTransparentForm;

// 320 x 200, teal: a ring-shaped masked image at the left, an ellipse, a rectangle with a
// rectangular hole cut out of it and a star polygon, all shown in colours that are never black,
// joined by a controller that lets the window be dragged by any of it.
class TGalleryForm : public TForm {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 200;

    explicit TGalleryForm(TComponent* owner);

    TTransparentForm& Controller() const { return *m_controller; }

private:
    void AddImage();
    void AddShapes();

    TTransparentForm* m_controller = nullptr;
};

}  // namespace kiv
