// TGalleryForm: the control gallery's window, read from its own design over a generated skin.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/design_parser.h"
#include "framework/forms/control_types.h"
#include "framework/forms/form.h"
#include "platform/draw/color.h"

namespace kiv {

class TObject;

namespace gallery {

// The skin's colour at (x, y): a dark gradient with faint diagonal stripes, never white,
// black, or any colour the controls draw in.
TColor SkinColour(int x, int y);
// The wallpaper tile's colour at (x, y) of its 8 x 8 pixels: a brown checker of 2 x 2 squares.
TColor TileColour(int x, int y);
// A BMP file `width` x `height` pixels of `colour`.
std::vector<std::uint8_t> BmpFile(int width, int height, TColor (*colour)(int, int));
// The bundled files the design names: 'gallery-skin.bmp' (640 x 400), 'gallery-tile.bmp'.
BundledFileResolver Files();
// The design's text.
std::string_view Design();

}  // namespace gallery

// Every skinned control in its states. The text button "Live" in the button bar highlights
// under the mouse as the installer's buttons do: its shadow appears when the mouse moves over
// it and goes when it next moves over the bar or the skin.
class TGalleryForm : public TForm {
public:
    // Reads the design; EDesignError when it cannot.
    explicit TGalleryForm(TComponent* owner);

    void LiveMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void BarMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void SkinMouseMove(TObject* sender, TShiftState shift, int x, int y);

private:
    void SetLiveShadow(std::uint8_t size);
};

}  // namespace kiv
