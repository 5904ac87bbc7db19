// What a real X server shows: screenshots for the tests that run under Xvfb.
#pragma once

#include <QImage>

namespace kiv::test {

// The whole screen as the X server shows it, through ImageMagick's `import -window root`, in
// QImage::Format_RGB32; a null image when the screenshot cannot be taken.
QImage Screenshot();

}  // namespace kiv::test
