// TDriveComboBox: the drive list, the link to a folder list, painting and the drop-down.
#include "framework/stdctrls/drive_combo_box.h"

#include <QAction>
#include <QMenu>

#include "framework/class_registry.h"
#include "framework/exception.h"
#include "framework/forms/canvas.h"
#include "framework/stdctrls/directory_list_box.h"
#include "framework/stdctrls/folder_tree.h"
#include "framework/stdctrls/list_scroll_bar.h"
#include "platform/draw/draw_edge.h"
#include "platform/draw/draw_text.h"
#include "platform/drive_info.h"
#include "platform/folders.h"

namespace kiv {

using namespace platform;

namespace {

std::string LastComponent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TDriveComboBox::TDriveComboBox(TComponent* owner) : TCustomControl(owner) {
    // A list shows window colours whatever its parent looks like.
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(Left(), Top(), 145, 21);
    BuildList();
    std::vector<std::string> mountPoints;
    for (const DriveItem& item : m_drives) mountPoints.push_back(item.mountPoint);
    auto current = CurrentFolder();
    m_drive = MountPointOf(current ? *current : std::string("/"), mountPoints);
}

TDriveComboBox::~TDriveComboBox() {
    if (m_dirList && m_dirList->m_driveBox == this) m_dirList->m_driveBox = nullptr;
}

std::vector<TDriveComboBox::DriveItem> TDriveComboBox::ReadDrives() const {
    std::vector<DriveItem> items;
    auto drives = ListDrives();
    if (!drives) return items;
    for (const MountEntry& entry : *drives) {
        std::string label = VolumeLabel(entry);
        // Without a label of its own a drive is named after its folder, which it shows anyway.
        if (label == LastComponent(entry.mountPoint)) label.clear();
        items.push_back({entry.mountPoint, std::move(label)});
    }
    return items;
}

void TDriveComboBox::BuildList() {
    m_drives = ReadDrives();
    if (IndexOf("/") < 0) m_drives.insert(m_drives.begin(), {"/", ""});
    Invalidate();
}

int TDriveComboBox::IndexOf(const std::string& drive) const {
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        if (m_drives[i].mountPoint == drive) return static_cast<int>(i);
    }
    return -1;
}

const std::string& TDriveComboBox::Items(int index) const {
    if (index < 0 || index >= ItemCount()) {
        throw EListError(FormatMessage("List index out of bounds (%d)", index));
    }
    return m_drives[static_cast<std::size_t>(index)].mountPoint;
}

std::string TDriveComboBox::ItemText(int index) const {
    Items(index);
    const DriveItem& item = m_drives[static_cast<std::size_t>(index)];
    return item.label.empty() ? item.mountPoint : item.mountPoint + " [" + item.label + "]";
}

int TDriveComboBox::ItemIndex() const {
    return IndexOf(m_drive);
}

void TDriveComboBox::SetItemIndex(int index) {
    SetDrive(Items(index));
}

void TDriveComboBox::SetDrive(const std::string& drive) {
    if (IndexOf(drive) < 0) BuildList();
    if (IndexOf(drive) < 0) throw Exception(FormatMessage("Drive %s is not available", drive));
    if (drive == m_drive) return;
    // The list moves first: when it cannot, the box keeps showing where the list still is.
    if (m_dirList) m_dirList->SetDrive(drive);
    m_drive = drive;
    Invalidate();
    Change();
}

void TDriveComboBox::SetDirList(TDirectoryListBox* dirList) {
    if (dirList == m_dirList) return;
    if (m_dirList) {
        if (m_dirList->m_driveBox == this) m_dirList->m_driveBox = nullptr;
        RemoveFreeNotification(m_dirList);
    }
    m_dirList = dirList;
    if (m_dirList) {
        m_dirList->m_driveBox = this;
        FreeNotification(m_dirList);
    }
}

void TDriveComboBox::DirListMoved() {
    std::vector<std::string> mountPoints;
    for (const DriveItem& item : m_drives) mountPoints.push_back(item.mountPoint);
    const std::string drive = MountPointOf(m_dirList->Directory(), mountPoints);
    if (drive == m_drive) return;
    m_drive = drive;
    Invalidate();
}

void TDriveComboBox::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == m_dirList) m_dirList = nullptr;
}

void TDriveComboBox::Change() {
    m_onChange(this);
}

void TDriveComboBox::Paint() {
    TCanvas& canvas = *Canvas();
    canvas.SetFont(Font());
    DeviceContext& dc = *canvas.Handle();
    TRect r = ClientRect();
    if (Ctl3D()) {
        DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    } else {
        dc.FrameRect(r, Brush::Solid(clWindowFrame));
        r.Inflate(-1, -1);
    }
    const int side = std::min(ListScrollBar::kWidth, r.Width());
    const TRect button(r.Right - side, r.Top, r.Right, r.Bottom);
    const TRect field(r.Left, r.Top, button.Left, r.Bottom);
    dc.FillSolidRect(field, Color());
    PaintArrowButton(dc, button, false, Enabled());
    const int index = ItemIndex();
    const std::string text = index >= 0 ? ItemText(index) : m_drive;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    TRect textRect(field.Left + 2, field.Top, field.Right, field.Bottom);
    DrawText(dc, text, textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TDriveComboBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    // The drop-down takes the pointer over until a choice is made.
    SetMouseCapture(false);
    BuildList();
    const int chosen = DropDown();
    if (chosen >= 0) SetItemIndex(chosen);
}

int TDriveComboBox::DropDown() {
    QMenu menu;
    for (int i = 0; i < ItemCount(); ++i) {
        QAction* action = menu.addAction(QString::fromStdString(ItemText(i)));
        action->setData(i);
        action->setCheckable(true);
        action->setChecked(i == ItemIndex());
    }
    menu.setMinimumWidth(Width());
    const TPoint below = ClientToScreen({0, Height()});
    QAction* chosen = menu.exec(QPoint(below.X, below.Y));
    return chosen ? chosen->data().toInt() : -1;
}

namespace {
const bool registered = RegisterClass<TDriveComboBox, TCustomControl>(
    "TDriveComboBox", {
                          Prop("DirList", &TDriveComboBox::DirList, &TDriveComboBox::SetDirList),
                          Prop("OnChange", &TDriveComboBox::OnChange, &TDriveComboBox::SetOnChange),
                      });
}  // namespace

}  // namespace kiv
