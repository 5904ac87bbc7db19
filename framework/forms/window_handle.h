// WindowHandle: what the controls ask of the window toolkit, kept apart from any toolkit.
#pragma once

#include <QImage>
#include <QRegion>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/forms/control_types.h"
#include "framework/forms/messages.h"
#include "platform/draw/point.h"
#include "platform/draw/rect.h"

namespace kiv {

// The receiving side of a window: the toolkit delivers every event to it as a message (mouse
// messages in client coordinates, WM_PAINT and WM_ERASEBKGND with a device context over the
// window's surface, WM_MOVE, WM_SIZE, WM_SETCURSOR before each mouse move, WM_CLOSE when the
// window system asks the window to close, CM_MOUSEENTER and WM_MOUSELEAVE as the pointer
// crosses the window's edge). DeliverMessage must not throw.
class WindowTarget {
public:
    virtual void DeliverMessage(TMessage& message) = 0;

protected:
    ~WindowTarget() = default;
};

enum class WindowKind { TopLevel, Child };

// One native window. Its pixels live in a retained 32-bit surface of the window's client size:
// WM_PAINT draws the invalid part into it, and the toolkit shows it on screen. Created by a
// widget set for one target, which must outlive it.
class WindowHandle {
public:
    virtual ~WindowHandle() = default;

    // Position and size: a child's in its parent's client coordinates, a top-level window's
    // frame on the screen. The client size follows (equal for a window without frame).
    virtual void SetBounds(const TRect& bounds) = 0;
    virtual TRect Bounds() const = 0;
    // The screen position of the client area's top-left corner.
    virtual TPoint ClientOrigin() const = 0;
    virtual TSize ClientSize() const = 0;

    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetCursor(TCursor cursor) = 0;
    // A top-level window drawn without the window system's frame and title bar.
    virtual void SetFrameless(bool frameless) = 0;
    // Raises the window above its siblings (a child) or other windows (top-level), or lowers
    // it below them.
    virtual void BringToFront() = 0;
    virtual void SendToBack() = 0;

    // Marks `rect` (all of the client area for nullptr) for a deferred WM_PAINT, preceded by
    // WM_ERASEBKGND when `erase`.
    virtual void InvalidateRect(const TRect* rect, bool erase) = 0;
    // Paints the invalid part now, before returning, and shows it.
    virtual void Update() = 0;
    // The retained pixels, for a device context of the window's own. Reallocated on resize:
    // SurfaceGeneration() changes then, and contexts over the old one must be dropped.
    virtual QImage& Surface() = 0;
    virtual std::uint64_t SurfaceGeneration() const = 0;
    // Shows the surface pixels of `rect` on screen before returning (after drawing outside a
    // paint cycle), so that a long operation holding the UI thread shows each change as it
    // makes it. Inside a paint cycle, or while the window is hidden, it waits as FlushLater.
    virtual void Flush(const TRect& rect) = 0;
    // Shows the surface pixels of `rect` on screen at the next turn of the message loop, for
    // drawing that is still to come before then.
    virtual void FlushLater(const TRect& rect) = 0;
    // Moves the surface pixels of `scroll` ∩ `clip` by (dx, dy) and returns the uncovered
    // part, which the caller invalidates as it wishes.
    virtual QRegion Scroll(int dx, int dy, const TRect& scroll, const TRect& clip) = 0;

    // The window's shape in window coordinates (a frame's top-left corner is (0, 0)); nullopt
    // shows the whole rectangle, an empty region nothing. Only the client area is shaped: the
    // frame is the window system's. Presses outside the shape are not delivered.
    virtual void SetMask(const std::optional<QRegion>& region) = 0;
    // Keeps a top-level window above all others that are not kept on top.
    virtual void SetStayOnTop(bool stayOnTop) = 0;
    // Starts moving a top-level window with the pointer, as a drag of its title bar would: the
    // window system's own move where it offers one, otherwise the window follows the pointer
    // until the left button is released (mouse messages are not delivered meanwhile). Returns
    // true when the window system took the move over.
    virtual bool StartMove() = 0;
    // Ends a move begun by StartMove that the window system did not take over.
    virtual void CancelMove() = 0;
    virtual bool Moving() const = 0;

    // Gives the window the keyboard focus.
    virtual void SetFocus() = 0;
};

// The toolkit binding: the single place that creates native windows. `parent` is null for a
// top-level window. The Qt widget set is the one in use.
std::unique_ptr<WindowHandle> CreateWindowHandle(WindowTarget& target, WindowHandle* parent,
                                                 WindowKind kind);

// The primary screen's area for windows (without panels), in screen coordinates.
TRect DesktopWorkArea();

// Whether the calling thread is the UI thread (the toolkit application's). False while no
// toolkit application exists.
bool IsUiThread();
// Queues `call` to run on the UI thread at its next turn of the message loop; callable from
// any thread. False (and `call` dropped) when no toolkit application exists.
bool PostToUiThread(std::function<void()> call);

}  // namespace kiv
