// The Qt back end: one QWidget per windowed control, forwarding Qt events as window messages.
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "framework/forms/dialogs.h"
#include "framework/forms/window_handle.h"
#include "platform/draw/device_context.h"
#include "platform/draw/qt_convert.h"

namespace kiv {

namespace {

using platform::FromQRect;
using platform::ToQRect;

class QtWindowHandle;

// Counts the events a widget is handling, so that its deletion waits until they are done.
class EventScope {
public:
    explicit EventScope(QWidget& widget);
    ~EventScope();
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

private:
    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_window;
};

class QtWindowWidget final : public QWidget {
public:
    QtWindowWidget(QtWindowHandle* handle, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), m_handle(handle) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
    }

    QtWindowHandle* Handle() const { return m_handle; }
    void Detach() { m_handle = nullptr; }
    int EventDepth() const { return m_eventDepth; }
    int PaintDepth() const { return m_paintDepth; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class EventScope;
    friend class QtWindowHandle;

    void MouseButton(QMouseEvent* event, bool down, bool doubleClick);
    // The handle of this widget's top-level window, when it is one of ours.
    QtWindowHandle* TopHandle() const;

    QtWindowHandle* m_handle;
    int m_eventDepth = 0;
    int m_paintDepth = 0;
};

EventScope::EventScope(QWidget& widget) : m_widget(&widget), m_window(widget.window()) {
    static_cast<QtWindowWidget&>(widget).m_eventDepth++;
    if (auto* top = dynamic_cast<QtWindowWidget*>(m_window.data())) top->m_eventDepth++;
}

EventScope::~EventScope() {
    if (m_widget) static_cast<QtWindowWidget*>(m_widget.data())->m_eventDepth--;
    if (auto* top = dynamic_cast<QtWindowWidget*>(m_window.data())) top->m_eventDepth--;
}

class QtWindowHandle final : public WindowHandle {
public:
    QtWindowHandle(WindowTarget& target, QtWindowHandle* parent, WindowKind kind)
        : m_target(&target), m_kind(kind) {
        Qt::WindowFlags flags = kind == WindowKind::TopLevel ? Qt::Window : Qt::Widget;
        QWidget* parentWidget = parent ? parent->m_widget.data() : nullptr;
        m_widget =
            new QtWindowWidget(this, kind == WindowKind::TopLevel ? nullptr : parentWidget, flags);
        EnsureSurface();
    }

    ~QtWindowHandle() override {
        if (!m_widget) return;
        QtWindowWidget* widget = m_widget.data();
        widget->Detach();
        widget->hide();
        auto* top = dynamic_cast<QtWindowWidget*>(widget->window());
        bool busy = widget->EventDepth() > 0 || (top && top->EventDepth() > 0);
        if (busy) {
            // Deleting it now would pull it out from under the event being handled.
            widget->setParent(nullptr);
            widget->deleteLater();
        } else {
            delete widget;
        }
    }

    void Deliver(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        TMessage message{msg, wParam, lParam, 0};
        if (m_target) m_target->DeliverMessage(message);
    }

    void SetBounds(const TRect& bounds) override {
        if (!m_widget) return;
        if (m_kind == WindowKind::TopLevel) {
            QSize frame = m_widget->frameGeometry().size() - m_widget->size();
            m_widget->move(bounds.Left, bounds.Top);
            m_widget->resize(std::max(bounds.Width() - frame.width(), 0),
                             std::max(bounds.Height() - frame.height(), 0));
        } else {
            m_widget->setGeometry(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
        }
        EnsureSurface();
    }

    TRect Bounds() const override {
        if (!m_widget) return {};
        return FromQRect(m_kind == WindowKind::TopLevel ? m_widget->frameGeometry()
                                                        : m_widget->geometry());
    }

    TPoint ClientOrigin() const override {
        if (!m_widget) return {};
        return platform::FromQPoint(m_widget->mapToGlobal(QPoint(0, 0)));
    }

    TSize ClientSize() const override {
        if (!m_widget) return {};
        return {m_widget->width(), m_widget->height()};
    }

    void SetVisible(bool visible) override {
        if (m_widget) m_widget->setVisible(visible);
    }
    bool IsVisible() const override { return m_widget && m_widget->isVisible(); }
    void SetEnabled(bool enabled) override {
        if (m_widget) m_widget->setEnabled(enabled);
    }
    void SetTitle(const std::string& title) override {
        if (m_widget) m_widget->setWindowTitle(QString::fromUtf8(title.c_str()));
    }
    void SetCursor(TCursor cursor) override;
    void SetFrameless(bool frameless) override {
        SetWindowFlag(Qt::FramelessWindowHint, frameless);
    }
    void SetStayOnTop(bool stayOnTop) override {
        SetWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    }
    void BringToFront() override {
        if (!m_widget) return;
        m_widget->raise();
        if (m_kind == WindowKind::TopLevel && m_widget->isVisible()) m_widget->activateWindow();
    }
    void SendToBack() override {
        if (m_widget) m_widget->lower();
    }

    void InvalidateRect(const TRect* rect, bool erase) override {
        if (!m_widget) return;
        QRect area = m_widget->rect();
        if (rect) area &= ToQRect(*rect);
        if (area.isEmpty()) return;
        m_invalid += area;
        m_erase = m_erase || erase;
        m_widget->update(area);
    }

    void Update() override {
        if (!m_widget || m_invalid.isEmpty()) return;
        if (m_widget->isVisible() && !Painting()) m_widget->repaint(m_invalid.boundingRect());
        // Hidden or inside another paint, the toolkit does not paint now: we do, and the
        // screen follows at the next paint.
        if (!m_invalid.isEmpty()) {
            QRect area = m_invalid.boundingRect();
            PaintInvalid();
            m_widget->update(area);
        }
    }

    QImage& Surface() override {
        EnsureSurface();
        return m_surface;
    }
    std::uint64_t SurfaceGeneration() const override { return m_generation; }

    void Flush(const TRect& rect) override {
        if (!m_widget) return;
        QRect area = m_widget->rect() & ToQRect(rect);
        if (area.isEmpty()) return;
        // The toolkit paints and shows a repaint at once; our paint handler only copies the
        // surface (painting whatever else waits first).
        if (m_widget->isVisible() && !Painting()) {
            m_widget->repaint(area);
        } else {
            m_widget->update(area);
        }
    }
    void FlushLater(const TRect& rect) override {
        if (m_widget) m_widget->update(ToQRect(rect));
    }

    QRegion Scroll(int dx, int dy, const TRect& scroll, const TRect& clip) override {
        if (!m_widget) return {};
        EnsureSurface();
        platform::DeviceContext dc(m_surface);
        QRegion uncovered = dc.ScrollDC(dx, dy, scroll, clip);
        QRect area = ToQRect(scroll.Intersect(clip));
        // Parts waiting to be painted move with the pixels, so that no stale pixels show.
        m_invalid += (m_invalid & area).translated(dx, dy) & area;
        m_widget->update(area);
        return uncovered;
    }

    void SetMask(const std::optional<QRegion>& region) override {
        m_mask = region;
        ApplyMask();
    }
    // The mask is given in window coordinates, but the toolkit shapes the client area, which a
    // frame moves: the region is moved to client coordinates, again whenever the frame changes.
    void ApplyMask() {
        if (!m_widget) return;
        const QPoint offset = FrameOffset();
        m_maskOffset = offset;
        if (!m_mask) {
            m_widget->clearMask();
            return;
        }
        QRegion client = m_mask->translated(-offset);
        // The toolkit takes an empty mask for none and would show the whole window; a pixel
        // outside it leaves nothing of the window to see or to click.
        if ((client & m_widget->rect()).isEmpty()) client = QRegion(-1, -1, 1, 1);
        m_widget->setMask(client);
    }
    void FrameMayHaveChanged() {
        if (m_mask && FrameOffset() != m_maskOffset) ApplyMask();
    }
    // Whether a press at `p` (client coordinates) lies outside the window's shape.
    bool OutsideMask(QPoint p) const { return m_widget && m_mask && !m_widget->mask().contains(p); }

    bool StartMove() override {
        if (!m_widget || m_kind != WindowKind::TopLevel) return false;
        QWindow* window = m_widget->windowHandle();
        if (window && window->startSystemMove()) return true;
        m_moving = true;
        m_dragCursor = m_lastPress;
        m_dragOrigin = m_widget->pos();
        return false;
    }
    void CancelMove() override { m_moving = false; }
    bool Moving() const override { return m_moving; }
    void SetFocus() override {
        if (m_widget) m_widget->setFocus();
    }

    void PaintInvalid();
    bool Painting() const;
    void EnsureSurface();
    void DragTo(QPoint global) {
        if (m_widget) m_widget->move(m_dragOrigin + (global - m_dragCursor));
    }
    void NotePress(QPoint global) { m_lastPress = global; }
    const QImage& SurfaceForBlit() const { return m_surface; }

private:
    void SetWindowFlag(Qt::WindowType flag, bool on) {
        if (!m_widget || m_kind != WindowKind::TopLevel) return;
        if (m_widget->testAttribute(Qt::WA_WState_Created) &&
            m_widget->windowFlags().testFlag(flag) == on) {
            return;
        }
        bool visible = m_widget->isVisible();
        m_widget->setWindowFlag(flag, on);
        // Changing the flags of a shown window hides it.
        if (visible) m_widget->show();
    }

    QPoint FrameOffset() const {
        if (m_kind != WindowKind::TopLevel) return {};
        return m_widget->geometry().topLeft() - m_widget->frameGeometry().topLeft();
    }

    QPointer<QtWindowWidget> m_widget;
    WindowTarget* m_target;
    std::optional<QRegion> m_mask;
    QPoint m_maskOffset;
    WindowKind m_kind;
    QImage m_surface;
    std::uint64_t m_generation = 0;
    QRegion m_invalid;
    bool m_erase = false;
    bool m_inPaint = false;
    bool m_moving = false;
    QPoint m_lastPress;
    QPoint m_dragCursor;
    QPoint m_dragOrigin;
};

void QtWindowHandle::SetCursor(TCursor cursor) {
    if (!m_widget) return;
    Qt::CursorShape shape;
    switch (cursor) {
        case crDefault:
            m_widget->unsetCursor();
            return;
        case crNone:
            shape = Qt::BlankCursor;
            break;
        case crCross:
            shape = Qt::CrossCursor;
            break;
        case crIBeam:
            shape = Qt::IBeamCursor;
            break;
        case crSizeNESW:
            shape = Qt::SizeBDiagCursor;
            break;
        case crSizeNS:
            shape = Qt::SizeVerCursor;
            break;
        case crSizeNWSE:
            shape = Qt::SizeFDiagCursor;
            break;
        case crSizeWE:
            shape = Qt::SizeHorCursor;
            break;
        case crUpArrow:
            shape = Qt::UpArrowCursor;
            break;
        case crHourGlass:
            shape = Qt::WaitCursor;
            break;
        case crNo:
            shape = Qt::ForbiddenCursor;
            break;
        case crAppStart:
            shape = Qt::BusyCursor;
            break;
        case crHelp:
            shape = Qt::WhatsThisCursor;
            break;
        case crHandPoint:
            shape = Qt::PointingHandCursor;
            break;
        case crSizeAll:
            shape = Qt::SizeAllCursor;
            break;
        default:
            shape = Qt::ArrowCursor;
            break;
    }
    if (m_widget->cursor().shape() != shape || !m_widget->testAttribute(Qt::WA_SetCursor)) {
        m_widget->setCursor(shape);
    }
}

bool QtWindowHandle::Painting() const {
    if (m_inPaint || !m_widget) return m_inPaint;
    auto* top = dynamic_cast<QtWindowWidget*>(m_widget->window());
    return top && top->PaintDepth() > 0;
}

void QtWindowHandle::EnsureSurface() {
    if (!m_widget || m_inPaint) return;
    QSize size = m_widget->size().expandedTo(QSize(1, 1));
    if (m_surface.size() == size) return;
    QImage surface(size, QImage::Format_RGB32);
    if (surface.isNull()) return;  // keep the old pixels rather than none
    surface.fill(0xFF000000u);
    if (!m_surface.isNull()) {
        QPainter painter(&surface);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, m_surface);
    }
    m_surface = std::move(surface);
    ++m_generation;
    m_invalid = QRegion(m_surface.rect());
    m_erase = true;
}

void QtWindowHandle::PaintInvalid() {
    if (!m_widget || m_inPaint) return;
    EnsureSurface();
    QRegion region = m_invalid & m_surface.rect();
    bool erase = m_erase;
    m_invalid = QRegion();
    m_erase = false;
    if (region.isEmpty() || !m_target) return;
    m_inPaint = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_inPaint};
    platform::DeviceContext dc(m_surface);
    dc.SelectClipRgn(&region);
    if (erase) Deliver(WM_ERASEBKGND, DCParam(dc));
    Deliver(WM_PAINT, DCParam(dc));
}

QtWindowHandle* QtWindowWidget::TopHandle() const {
    auto* top = dynamic_cast<QtWindowWidget*>(window());
    return top ? top->m_handle : nullptr;
}

void QtWindowWidget::paintEvent(QPaintEvent* event) {
    if (!m_handle) return;
    EventScope scope(*this);
    auto* top = dynamic_cast<QtWindowWidget*>(window());
    if (top) top->m_paintDepth++;
    m_handle->PaintInvalid();
    if (top) top->m_paintDepth--;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage& surface = m_handle->SurfaceForBlit();
    for (const QRect& rect : event->region()) painter.drawImage(rect, surface, rect);
}

WPARAM KeysOf(const QMouseEvent& event) {
    WPARAM keys = 0;
    if (event.buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
    if (event.buttons() & Qt::RightButton) keys |= MK_RBUTTON;
    if (event.buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (event.modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (event.modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

LPARAM PositionOf(const QMouseEvent& event) {
    QPoint p = event.position().toPoint();
    return MAKELPARAM(p.x(), p.y());
}

void QtWindowWidget::MouseButton(QMouseEvent* event, bool down, bool doubleClick) {
    event->accept();
    if (!m_handle) return;
    EventScope scope(*this);
    QtWindowHandle* top = TopHandle();
    if (top && top->Moving()) {
        if (!down && event->button() == Qt::LeftButton) top->CancelMove();
        return;
    }
    if (down && m_handle->OutsideMask(event->position().toPoint())) return;
    if (down && top) top->NotePress(event->globalPosition().toPoint());
    unsigned msg;
    switch (event->button()) {
        case Qt::LeftButton:
            msg = down ? (doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
            break;
        case Qt::RightButton:
            msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            break;
        case Qt::MiddleButton:
            msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            break;
        default:
            return;
    }
    m_handle->Deliver(msg, KeysOf(*event), PositionOf(*event));
}

void QtWindowWidget::mousePressEvent(QMouseEvent* event) {
    MouseButton(event, true, false);
}

void QtWindowWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    MouseButton(event, true, true);
}

void QtWindowWidget::mouseReleaseEvent(QMouseEvent* event) {
    MouseButton(event, false, false);
}

void QtWindowWidget::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!m_handle) return;
    EventScope scope(*this);
    QtWindowHandle* top = TopHandle();
    if (top && top->Moving()) {
        if (event->buttons() & Qt::LeftButton) {
            top->DragTo(event->globalPosition().toPoint());
        } else {
            top->CancelMove();
        }
        return;
    }
    m_handle->Deliver(WM_SETCURSOR, 0, PositionOf(*event));
    if (m_handle) m_handle->Deliver(WM_MOUSEMOVE, KeysOf(*event), PositionOf(*event));
}

void QtWindowWidget::enterEvent(QEnterEvent*) {
    if (!m_handle) return;
    EventScope scope(*this);
    m_handle->Deliver(CM_MOUSEENTER);
}

void QtWindowWidget::leaveEvent(QEvent*) {
    if (!m_handle) return;
    EventScope scope(*this);
    m_handle->Deliver(WM_MOUSELEAVE);
}

void QtWindowWidget::moveEvent(QMoveEvent*) {
    if (!m_handle) return;
    EventScope scope(*this);
    m_handle->FrameMayHaveChanged();
    m_handle->Deliver(WM_MOVE, 0, MAKELPARAM(x(), y()));
}

void QtWindowWidget::showEvent(QShowEvent*) {
    // The frame is known once the window is shown.
    if (m_handle) m_handle->FrameMayHaveChanged();
}

void QtWindowWidget::resizeEvent(QResizeEvent*) {
    if (!m_handle) return;
    EventScope scope(*this);
    m_handle->FrameMayHaveChanged();
    m_handle->EnsureSurface();
    if (m_handle) m_handle->Deliver(WM_SIZE, 0, MAKELPARAM(width(), height()));
}

void QtWindowWidget::closeEvent(QCloseEvent* event) {
    // The control decides what closing means (a form hides itself); the widget stays.
    event->ignore();
    if (!m_handle) return;
    EventScope scope(*this);
    m_handle->Deliver(WM_CLOSE);
}

}  // namespace

std::unique_ptr<WindowHandle> CreateWindowHandle(WindowTarget& target, WindowHandle* parent,
                                                 WindowKind kind) {
    auto* qtParent = dynamic_cast<QtWindowHandle*>(parent);
    return std::make_unique<QtWindowHandle>(target, qtParent, kind);
}

TRect DesktopWorkArea() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : TRect();
}

bool IsUiThread() {
    QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

bool PostToUiThread(std::function<void()> call) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return false;
    return QMetaObject::invokeMethod(
        application, [call = std::move(call)] { GuardedCall(call); }, Qt::QueuedConnection);
}

}  // namespace kiv
