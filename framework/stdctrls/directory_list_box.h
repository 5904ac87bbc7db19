// TDirectoryListBox: the list of the current folder's parents and sub-folders.
#pragma once

#include <string>
#include <vector>

#include "framework/event.h"
#include "framework/forms/custom_control.h"
#include "framework/stdctrls/folder_tree.h"

namespace kiv {

class TDriveComboBox;

// Shows the root, each folder down to Directory (indented one step per level) and
// Directory's sub-folders one level deeper, ItemHeight pixels a row, in a sunken box with a
// scroll bar when the rows do not fit. A click selects a row; a double click opens it.
//
// Directory is a full path without a trailing '/', except the root "/". It starts as the
// process's current folder. Every move (SetDirectory, opening a row, a new Drive) changes the
// process's current folder first and then takes the path back from the platform, so
// Directory is always what the process has; a folder that cannot be entered raises Exception
// with the platform's reason and changes nothing. A relative path is taken from the process's
// current folder. Drive is the drive box's mount point that holds Directory. OnChange follows
// every move to another folder (after a linked drive box has been told). UI thread only.
class TDirectoryListBox : public TCustomControl {
public:
    explicit TDirectoryListBox(TComponent* owner);
    ~TDirectoryListBox() override;

    const std::string& Directory() const { return m_directory; }
    void SetDirectory(const std::string& directory);
    const std::string& Drive() const { return m_drive; }
    // Moves to `drive` (a mount point) unless Directory is already on it.
    void SetDrive(const std::string& drive);

    int ItemHeight() const { return m_itemHeight; }
    // Values below 1 are taken as 1.
    void SetItemHeight(int itemHeight);

    int ItemCount() const { return static_cast<int>(m_rows.size()); }
    // EListError outside 0 ... ItemCount() - 1.
    const FolderRow& Items(int index) const;
    std::string GetItemPath(int index) const { return Items(index).path; }
    // The selected row; -1 for none. Selecting scrolls the row into view but moves nothing.
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);
    // The first row shown.
    int TopIndex() const { return m_topIndex; }
    void SetTopIndex(int index);
    // Moves to the row's folder, as a double click on it does.
    void OpenItem(int index);
    // Reads the rows of Directory again (the folder's contents may have changed).
    void ReadDirectoryNames();

    // The row under a client point, or -1.
    int ItemAtPos(TPoint p) const;
    // How many whole rows fit.
    int VisibleRows() const;

    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMLButtonDown(TMessage& message) override;
    void WMSize(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void Change();

private:
    friend class TDriveComboBox;

    TRect ListArea() const;
    bool HasScrollBar() const;
    void PaintRow(int index, const TRect& r);
    void MoveTo(const std::string& path);
    void ScrollBarDown(TPoint p);

    std::string m_directory;
    std::string m_drive;
    std::vector<FolderRow> m_rows;
    int m_itemHeight = 16;
    int m_itemIndex = -1;
    int m_topIndex = 0;
    int m_thumbGrab = -1;  // the pointer's offset into the thumb while it is dragged
    TDriveComboBox* m_driveBox = nullptr;
    TNotifyEvent m_onChange;
};

}  // namespace kiv
