// TDirectoryListBox: moving through folders, the rows' painting and the mouse.
#include "framework/stdctrls/directory_list_box.h"

#include <algorithm>

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/forms/canvas.h"
#include "framework/stdctrls/drive_combo_box.h"
#include "framework/stdctrls/list_scroll_bar.h"
#include "platform/draw/dc_state_guard.h"
#include "platform/draw/draw_edge.h"
#include "platform/draw/draw_text.h"
#include "platform/folders.h"

namespace kiv {

using namespace platform;

namespace {

constexpr int kIndent = 8;       // per level of depth
constexpr int kGlyphWidth = 13;  // the folder picture before each name

void PaintFolderGlyph(DeviceContext& dc, int x, int top, int height) {
    const int y = top + (height - 11) / 2;
    dc.FillSolidRect({x, y, x + 6, y + 3}, clBtnText);
    dc.FillSolidRect({x, y + 2, x + kGlyphWidth, y + 11}, clBtnText);
    dc.FillSolidRect({x + 1, y + 3, x + kGlyphWidth - 1, y + 10}, clYellow);
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(TComponent* owner) : TCustomControl(owner) {
    // A list shows window colours whatever its parent looks like.
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(Left(), Top(), 145, 97);
    auto current = CurrentFolder();
    if (current) {
        m_directory = *current;
        m_drive = MountPointOf(m_directory, DriveMountPoints());
        ReadDirectoryNames();
        return;
    }
    // The process's folder is gone (deleted under it); the root always exists.
    try {
        MoveTo("/");
    } catch (const Exception&) {
        m_directory = m_drive = "/";
    }
}

TDirectoryListBox::~TDirectoryListBox() {
    if (m_driveBox && m_driveBox->m_dirList == this) m_driveBox->m_dirList = nullptr;
}

void TDirectoryListBox::SetDirectory(const std::string& directory) {
    if (directory.empty()) return;
    MoveTo(directory);
}

void TDirectoryListBox::SetDrive(const std::string& drive) {
    if (drive.empty() || drive == m_drive) return;
    MoveTo(drive);
}

void TDirectoryListBox::MoveTo(const std::string& path) {
    Status status = SetCurrentFolder(path);
    if (!status) throw Exception(status.error());
    auto current = CurrentFolder();
    if (!current) throw Exception(current.error());
    const std::string previous = m_directory;
    m_directory = *current;
    m_drive = MountPointOf(m_directory, DriveMountPoints());
    ReadDirectoryNames();
    if (m_directory != previous) Change();
}

void TDirectoryListBox::ReadDirectoryNames() {
    m_rows = FolderRows(m_directory);
    m_itemIndex = std::min(CurrentRowIndex(m_directory), ItemCount() - 1);
    // Keep every parent in view when they fit; deeper down, the current folder's parent opens
    // the view so that its sub-folders follow below it.
    const int visible = VisibleRows();
    m_topIndex = 0;
    SetTopIndex(m_itemIndex < visible ? 0 : m_itemIndex - 1);
    Invalidate();
}

void TDirectoryListBox::SetItemHeight(int itemHeight) {
    itemHeight = std::max(itemHeight, 1);
    if (itemHeight == m_itemHeight) return;
    m_itemHeight = itemHeight;
    SetTopIndex(m_topIndex);
    Invalidate();
}

const FolderRow& TDirectoryListBox::Items(int index) const {
    if (index < 0 || index >= ItemCount()) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
    return m_rows[static_cast<std::size_t>(index)];
}

void TDirectoryListBox::SetItemIndex(int index) {
    if (index < -1 || index >= ItemCount()) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
    if (index == m_itemIndex) return;
    m_itemIndex = index;
    if (index >= 0) {
        const int visible = VisibleRows();
        if (index < m_topIndex) SetTopIndex(index);
        if (index >= m_topIndex + visible) SetTopIndex(index - visible + 1);
    }
    Invalidate();
}

void TDirectoryListBox::SetTopIndex(int index) {
    const int maxTop = std::max(ItemCount() - VisibleRows(), 0);
    index = std::clamp(index, 0, maxTop);
    if (index == m_topIndex) return;
    m_topIndex = index;
    Invalidate();
}

void TDirectoryListBox::OpenItem(int index) {
    MoveTo(Items(index).path);
}

TRect TDirectoryListBox::ListArea() const {
    TRect r = ClientRect();
    r.Inflate(Ctl3D() ? -2 : -1, Ctl3D() ? -2 : -1);
    if (HasScrollBar()) r.Right -= ListScrollBar::kWidth;
    return r;
}

int TDirectoryListBox::VisibleRows() const {
    const int inner = ClientHeight() - (Ctl3D() ? 4 : 2);
    return std::max(inner / m_itemHeight, 1);
}

bool TDirectoryListBox::HasScrollBar() const {
    return ItemCount() > VisibleRows();
}

int TDirectoryListBox::ItemAtPos(TPoint p) const {
    const TRect area = ListArea();
    if (!area.Contains(p)) return -1;
    const int index = m_topIndex + (p.Y - area.Top) / m_itemHeight;
    return index < ItemCount() ? index : -1;
}

void TDirectoryListBox::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    DeviceContext& dc = *canvas.Handle();
    TRect frame = ClientRect();
    if (Ctl3D()) {
        DrawEdge(dc, frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    } else {
        dc.FrameRect(frame, Brush::Solid(clWindowFrame));
        frame.Inflate(-1, -1);
    }
    const TRect area = ListArea();
    dc.FillSolidRect({area.Left, area.Top, area.Right, frame.Bottom}, Color());
    {
        DcStateGuard guard(dc);
        dc.IntersectClipRect(area);
        for (int i = m_topIndex; i < ItemCount(); ++i) {
            const int top = area.Top + (i - m_topIndex) * m_itemHeight;
            if (top >= area.Bottom) break;
            PaintRow(i, {area.Left, top, area.Right, top + m_itemHeight});
        }
    }
    if (HasScrollBar()) {
        ListScrollBar({area.Right, frame.Top, frame.Right, frame.Bottom}, ItemCount(),
                      VisibleRows(), m_topIndex)
            .Paint(dc);
    }
}

void TDirectoryListBox::PaintRow(int index, const TRect& r) {
    DeviceContext& dc = *Canvas()->Handle();
    const FolderRow& row = Items(index);
    const bool selected = index == m_itemIndex;
    dc.FillSolidRect(r, selected ? clHighlight : Color());
    const int x = r.Left + 2 + row.depth * kIndent;
    PaintFolderGlyph(dc, x, r.Top, r.Height());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(ColorToRGB(selected ? clHighlightText : Font()->Color()));
    TRect text(x + kGlyphWidth + 3, r.Top, r.Right, r.Bottom);
    DrawText(dc, row.name, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TDirectoryListBox::ScrollBarDown(TPoint p) {
    const TRect area = ListArea();
    const TRect frame(area.Right, area.Top, area.Right + ListScrollBar::kWidth, area.Bottom);
    ListScrollBar bar(frame, ItemCount(), VisibleRows(), m_topIndex);
    switch (bar.HitTest(p)) {
        case ListScrollBar::Part::LineUp:
            SetTopIndex(m_topIndex - 1);
            break;
        case ListScrollBar::Part::LineDown:
            SetTopIndex(m_topIndex + 1);
            break;
        case ListScrollBar::Part::PageUp:
            SetTopIndex(m_topIndex - VisibleRows());
            break;
        case ListScrollBar::Part::PageDown:
            SetTopIndex(m_topIndex + VisibleRows());
            break;
        case ListScrollBar::Part::Thumb:
            m_thumbGrab = p.Y - bar.Thumb().Top;
            break;
        case ListScrollBar::Part::None:
            break;
    }
}

void TDirectoryListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        const TPoint p(x, y);
        const TRect area = ListArea();
        if (HasScrollBar() && p.X >= area.Right && p.Y >= area.Top && p.Y < area.Bottom) {
            ScrollBarDown(p);
        } else if (int index = ItemAtPos(p); index >= 0) {
            SetItemIndex(index);
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TDirectoryListBox::MouseMove(TShiftState shift, int x, int y) {
    if (m_thumbGrab >= 0 && shift.Contains(TShiftStateItem::ssLeft)) {
        const TRect area = ListArea();
        const TRect frame(area.Right, area.Top, area.Right + ListScrollBar::kWidth, area.Bottom);
        ListScrollBar bar(frame, ItemCount(), VisibleRows(), m_topIndex);
        SetTopIndex(bar.TopForThumbAt(y - m_thumbGrab));
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TDirectoryListBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) m_thumbGrab = -1;
    TCustomControl::MouseUp(button, shift, x, y);
}

void TDirectoryListBox::WMLButtonDown(TMessage& message) {
    TCustomControl::WMLButtonDown(message);
    if (message.Msg != WM_LBUTTONDBLCLK) return;
    const int index = ItemAtPos({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
    if (index >= 0) OpenItem(index);
}

void TDirectoryListBox::WMSize(TMessage& message) {
    TCustomControl::WMSize(message);
    SetTopIndex(m_topIndex);
    Invalidate();
}

void TDirectoryListBox::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_driveBox) m_driveBox = nullptr;
}

void TDirectoryListBox::Change() {
    if (m_driveBox && m_driveBox->m_dirList == this) m_driveBox->DirListMoved();
    m_onChange(this);
}

namespace {
const bool registered = RegisterClass<TDirectoryListBox, TCustomControl>(
    "TDirectoryListBox",
    {
        Prop("ItemHeight", &TDirectoryListBox::ItemHeight, &TDirectoryListBox::SetItemHeight)
            .Default(16),
        Prop("OnChange", &TDirectoryListBox::OnChange, &TDirectoryListBox::SetOnChange),
    });
}  // namespace

}  // namespace kiv
