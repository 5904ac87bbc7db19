// What the shaped-window suites share: a form that reads designs, masks drawn as art, and the
// applied window region as art.
#pragma once

#include <QRegion>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/forms/form.h"
#include "framework/forms/picture.h"

namespace kiv::test {

// A borderless form, captioned after the running test, that may be read from a design.
class TShapeForm : public TForm {
public:
    explicit TShapeForm(TComponent* owner);
    TShapeForm(TComponent* owner, std::string_view design);
};

// A picture whose bitmap is drawn from art: '#' black, 'r' red (dark), 'y' yellow (light), any
// other character white.
std::unique_ptr<TPicture> MaskPicture(const std::vector<std::string>& rows);

// The form's applied window region as art over its client area ("none" without one).
std::string AppliedArt(const TForm& form, int width, int height);

}  // namespace kiv::test
