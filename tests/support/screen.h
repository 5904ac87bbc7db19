// The X server's screen for tests that run under Xvfb: screenshots and pointer input through
// the same tools a user's session would see (ImageMagick's import, xdotool).
#pragma once

#include <QImage>
#include <optional>
#include <string>

#include "platform/draw/point.h"

namespace kiv::test {

// The whole screen as the X server shows it (`import -window root`), 32-bit; null on failure.
QImage Screenshot();

// Runs `xdotool` with `arguments` (quoted by the caller as sh words); true on success. The
// calling process handles no events meanwhile: what the input does to its own windows happens
// only afterwards.
bool XDoTool(const std::string& arguments);

// As XDoTool, with the UI thread's events handled while xdotool runs, so that the process's own
// windows react to the input as it comes (a press that hands the pointer to the window manager
// must reach the window before the pointer moves on). Needs the toolkit's application object.
bool XDoToolLive(const std::string& arguments);

// The screen position of the first visible window named `name`, by xdotool; nullopt when
// there is none.
std::optional<TPoint> WindowPosition(const std::string& name);

}  // namespace kiv::test
