// Test helpers for the plain controls: pixel art, fonts, paint into memory, folders.
#pragma once

#include <QImage>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/draw/color.h"
#include "platform/draw/device_context.h"
#include "tests/platform_draw/pixel_art.h"

namespace kiv {
class TControl;
class TFont;
}  // namespace kiv

namespace kiv::test {

// An image drawn as art rows with the palette's colours.
QImage FromArt(const std::vector<std::string>& rows, const Palette& palette);

// The 6 x 8 OEM face the windows use for their labels and buttons, in `color`.
void UseTerminalFont(TFont& font, TColor color);

// A `width` x `height` image of `background` with the control painted on it at (0, 0), as
// its parent's paint cycle does (WM_ERASEBKGND first for a windowed control).
QImage PaintControl(TControl& control, int width, int height, TColor background);

// A `width` x `height` image of `background` with `draw` run on a context over it.
QImage Reference(int width, int height, TColor background,
                 const std::function<void(platform::DeviceContext&)>& draw);

// Number of pixels in which two images of the same size differ (-1 for different sizes).
int DifferingPixels(const QImage& a, const QImage& b);

// A fresh folder below the system's temporary folder, removed with everything in it at the
// end; the process's current folder is put back as it was.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The folder's real path (symbolic links resolved, as the platform gives it back).
    const std::string& Root() const { return m_root; }
    // Creates `relative` (with its parents) below the root and returns its full path.
    std::string MakeFolder(const std::string& relative) const;
    // Creates an empty file below the root.
    void MakeFile(const std::string& relative) const;

private:
    std::string m_savedCurrent;
    std::string m_root;
};

}  // namespace kiv::test
