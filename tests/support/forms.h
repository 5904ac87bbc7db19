// Helpers for the suites of windowed controls: painting a control into an image, the face the
// windows write in, and a shown form's window. Header-only, because only suites that link the
// windowed framework themselves include it.
#pragma once

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include "framework/forms/control.h"
#include "framework/forms/font.h"
#include "framework/forms/form.h"
#include "framework/forms/win_control.h"
#include "platform/draw/device_context.h"
#include "tests/support/pixel_art.h"

namespace kiv::test {

// A `width` x `height` image of `background` with the control painted on it at (0, 0), as its
// parent's paint cycle does (WM_ERASEBKGND first for a windowed control).
inline QImage PaintControl(TControl& control, int width, int height, TColor background) {
    QImage image = BlankImage(width, height, background);
    platform::DeviceContext dc(image);
    if (dynamic_cast<TWinControl*>(&control)) control.Perform(WM_ERASEBKGND, DCParam(dc));
    control.Perform(WM_PAINT, DCParam(dc));
    return image;
}

// Sets `font` to TerminalFont() in `color`.
inline void UseTerminalFont(TFont& font, TColor color) {
    const platform::Font terminal = TerminalFont();
    font.SetName(terminal.name);
    font.SetCharset(terminal.charset);
    font.SetHeight(terminal.height);
    font.SetColor(color);
}

// The native window of a shown form, found by its caption (which tests keep unique); nullptr
// when no visible window has it.
inline QWindow* WindowOf(const TForm& form) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle().toStdString() == form.Caption())
            return widget->windowHandle();
    return nullptr;
}

}  // namespace kiv::test
