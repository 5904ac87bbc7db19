// Window messages: the TMessage record, the message numbers the controls use, and their packing.
#pragma once

#include <cstdint>
#include <functional>

namespace kiv {

namespace platform {
class DeviceContext;
}

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// One message on its way through a control's WindowProc chain. Handlers answer in Result.
struct TMessage {
    unsigned Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// A control's window procedure: WindowProc holds one, and a component that subclasses a control
// saves the old one and calls it from its own.
using TWndMethod = std::function<void(TMessage& message)>;

constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_MOVE = 0x0003;  // LParam: new client position (MAKELPARAM)
constexpr unsigned WM_SIZE = 0x0005;  // LParam: new client size (MAKELPARAM)
constexpr unsigned WM_SETTEXT = 0x000C;
constexpr unsigned WM_PAINT = 0x000F;  // WParam: the DeviceContext* to paint into
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_ERASEBKGND = 0x0014;  // WParam: the DeviceContext*; Result 1 = erased
constexpr unsigned WM_SHOWWINDOW = 0x0018;
constexpr unsigned WM_SETCURSOR = 0x0020;   // LParam: pointer position in client coordinates
constexpr unsigned WM_SYSCOMMAND = 0x0112;  // WParam: SC_... (low four bits: hit-test code)
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MOUSEFIRST = WM_MOUSEMOVE;
constexpr unsigned WM_MOUSELAST = 0x0209;
constexpr unsigned WM_MOUSELEAVE = 0x02A3;
constexpr unsigned WM_USER = 0x0400;

// The framework's own notices between a control, its parent and its children.
constexpr unsigned CM_BASE = 0xB000;
constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;  // WParam: the character typed
constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
constexpr unsigned CM_CTL3DCHANGED = CM_BASE + 16;
constexpr unsigned CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;  // LParam: the control the pointer entered
constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;  // LParam: the control the pointer left
constexpr unsigned CM_CHANGED = CM_BASE + 37;     // LParam: the control that changed

// WM_SYSCOMMAND commands. SC_MOVE + 2 (0xF012) asks for a move as if the caption were dragged.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM HTCAPTION = 2;

// Key and button state in the WParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Two signed 16-bit values in one LPARAM: x (or width) low, y (or height) high.
constexpr LPARAM MAKELPARAM(int low, int high) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(high & 0xFFFF) << 16) |
                               static_cast<std::uint32_t>(low & 0xFFFF));
}
constexpr int GET_X_LPARAM(LPARAM value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}
constexpr int GET_Y_LPARAM(LPARAM value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((value >> 16) & 0xFFFF));
}

// The device context a WM_PAINT or WM_ERASEBKGND message carries, or nullptr.
inline platform::DeviceContext* MessageDC(const TMessage& message) {
    return reinterpret_cast<platform::DeviceContext*>(message.WParam);
}
inline WPARAM DCParam(platform::DeviceContext& dc) {
    return reinterpret_cast<WPARAM>(&dc);
}

}  // namespace kiv
