// TDriveComboBox: the box that shows the drive (mount point) of a folder list and offers others.
#pragma once

#include <string>
#include <vector>

#include "framework/event.h"
#include "framework/forms/custom_control.h"

namespace kiv {

class TDirectoryListBox;

// Lists the mounted file systems that hold user files (the platform's drive list); Drive is
// the chosen one's mount point, at first the one holding the process's current folder. It
// shows Drive in a sunken field with a drop-down button; a press opens the list of drives
// (DropDown) and a choice sets Drive.
//
// A new Drive is first handed to the linked DirList, which moves to that mount point; when it
// cannot (the folder cannot be entered) the exception propagates and Drive stays as it was.
// OnChange follows every change of Drive. The box also follows its DirList: when the list
// moves onto another of the box's drives, the box shows that drive (without OnChange).
// UI thread only.
class TDriveComboBox : public TCustomControl {
public:
    struct DriveItem {
        std::string mountPoint;
        std::string label;  // the file system's own label, or empty
    };

    explicit TDriveComboBox(TComponent* owner);
    ~TDriveComboBox() override;

    const std::string& Drive() const { return m_drive; }
    // Raises Exception when `drive` is not among the listed mount points (after reading the
    // list again).
    void SetDrive(const std::string& drive);

    TDirectoryListBox* DirList() const { return m_dirList; }
    // Links a folder list (nullptr unlinks); the list moves to Drive only when Drive next
    // changes, as the drive box of the classic toolkit does.
    void SetDirList(TDirectoryListBox* dirList);

    int ItemCount() const { return static_cast<int>(m_drives.size()); }
    // The mount point of an item; EListError outside 0 ... ItemCount() - 1.
    const std::string& Items(int index) const;
    // What the item shows: its mount point, and its file-system label in brackets when it has
    // one of its own.
    std::string ItemText(int index) const;
    // The item of Drive, or -1 when Drive is not listed.
    int ItemIndex() const;
    // Chooses an item as the user does (sets Drive).
    void SetItemIndex(int index);
    // Reads the drives again (ReadDrives; "/" is always among them).
    void BuildList();

    const TNotifyEvent& OnChange() const { return m_onChange; }
    void SetOnChange(TNotifyEvent handler) { m_onChange = std::move(handler); }

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;
    // The drives to offer: the platform's drive list, in mount order.
    virtual std::vector<DriveItem> ReadDrives() const;
    // Offers the items to the user below the box and returns the chosen index, or -1.
    virtual int DropDown();
    virtual void Change();

private:
    friend class TDirectoryListBox;

    // The linked list moved: show the listed drive that holds its folder.
    void DirListMoved();
    int IndexOf(const std::string& drive) const;

    std::vector<DriveItem> m_drives;
    std::string m_drive;
    TDirectoryListBox* m_dirList = nullptr;
    TNotifyEvent m_onChange;
};

}  // namespace kiv
