// Test helpers: images written and read as ASCII art, one character per pixel.
#pragma once

#include <QImage>
#include <map>
#include <string>
#include <vector>

#include "platform/draw/color.h"

namespace kiv::test {

using Palette = std::map<char, TColor>;

// An RGB32 image of `width` x `height` filled with `background`.
QImage BlankImage(int width, int height, TColor background);

// The image as rows of characters, each pixel written as the palette character of its colour
// ('?' for a colour the palette lacks), rows joined by '\n'.
std::string ToArt(const QImage& image, const Palette& palette);

// Joins art rows with '\n' so that expectations read as pictures.
std::string Art(const std::vector<std::string>& rows);

// One image row as art (for wide images where only some rows matter).
std::string RowArt(const QImage& image, int y, const Palette& palette);

}  // namespace kiv::test
