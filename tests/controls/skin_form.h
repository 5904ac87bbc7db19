// The window the control tests use: a frameless form built from a design shaped like the
// installer's main window, over a generated skin picture whose every pixel is known.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/cool_group_box.h"
#include "controls/cool_label.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/design_parser.h"
#include "framework/forms/form.h"
#include "platform/draw/color.h"

namespace kiv::test {

// The skin's colour at (x, y) of its picture: varied enough that a pixel moved or left stale
// shows, and never white, black, blue or the gauge's colours, which the controls draw in.
TColor SkinColour(int x, int y);
// A BMP file of the skin, `width` x `height`.
std::vector<std::uint8_t> SkinBmp(int width, int height);
// Resolves `{ @file 'skin.bmp' }` to the 450 x 300 skin and 'tile.bmp' to a 3 x 2 piece of it.
BundledFileResolver SkinFiles();

// The main window's design: the skin at (1, 2), kivScroll (with `active` as Active), kivGauge
// (hidden), and kivGrp (transparent, simple view) holding btnExit, btnVerify, btnUnpack and
// btnPath with the text buttons' settings.
std::string MainDesign(bool active = false);

// A form read from a design with the skin files at hand; OnTextScrolled handlers log here.
class TSkinForm : public TForm {
public:
    explicit TSkinForm(TComponent* owner);
    TSkinForm(TComponent* owner, std::string_view design);

    template <typename T>
    T& Get(std::string_view name) const {
        return dynamic_cast<T&>(*FindComponent(name));
    }
    TCoolScrollingText& Scroll() const { return Get<TCoolScrollingText>("kivScroll"); }
    TGauge& Gauge() const { return Get<TGauge>("kivGauge"); }
    TCoolGroupBox& Group() const { return Get<TCoolGroupBox>("kivGrp"); }
    TCoolLabel& Button(std::string_view name) const { return Get<TCoolLabel>(name); }

    // The skin's colour at a point of the form's client area (black outside the picture).
    static TColor FormColour(int x, int y);

    void ScrollTextScrolled(TObject* sender, bool& initialPosition);
    int passes = 0;
    bool startInView = false;
};

}  // namespace kiv::test
