// Test images written and read as ASCII art, one character per pixel, and the small drawing
// helpers the painting tests share.
#pragma once

#include <QImage>
#include <QRegion>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/draw/color.h"
#include "platform/draw/device_context.h"

namespace kiv::test {

using Palette = std::map<char, TColor>;

// An RGB32 image of `width` x `height` filled with `background`.
QImage BlankImage(int width, int height, TColor background);

// An image drawn as art rows (all of one length) with the palette's colours.
QImage FromArt(const std::vector<std::string>& rows, const Palette& palette);

// The image as rows of characters, each pixel written as the palette character of its colour
// ('?' for a colour the palette lacks), rows joined by '\n'.
std::string ToArt(const QImage& image, const Palette& palette);

// Joins art rows with '\n' so that expectations read as pictures.
std::string Art(const std::vector<std::string>& rows);

// One image row as art (for wide images where only some rows matter).
std::string RowArt(const QImage& image, int y, const Palette& palette);

// The pixels (0, 0) to (width, height) of a region as art rows joined by '\n': '#' inside, '.'
// outside. Region tests compare these, so that a failure shows the shape.
std::string RegionArt(const QRegion& region, int width, int height);

// The region of the '#' characters of art rows (any other character is outside).
QRegion RegionFromArt(const std::vector<std::string>& rows);

// The '#' pixels of `image` where its colour is `ink`, as a region.
QRegion RegionOfColour(const QImage& image, TColor ink);

// Number of pixels in which two images of the same size differ (-1 for different sizes).
int DifferingPixels(const QImage& a, const QImage& b);

// A `width` x `height` image of `background` with `draw` run on a context over it.
QImage Reference(int width, int height, TColor background,
                 const std::function<void(platform::DeviceContext&)>& draw);

// The bundled 6 x 8 OEM face the windows use for labels and buttons.
platform::Font TerminalFont();
// Selects TerminalFont() into `dc` with text in `color` over a transparent background.
void SelectTerminalText(platform::DeviceContext& dc, TColor color);

}  // namespace kiv::test
