// TDirectoryListBox and TDriveComboBox: the folder rows, Directory's rules (the process's current
// folder moves with it), opening rows with the mouse, scrolling, and the drive box's link.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "framework/exception.h"
#include "framework/forms/win_control.h"
#include "framework/stdctrls/directory_list_box.h"
#include "framework/stdctrls/drive_combo_box.h"
#include "framework/stdctrls/folder_tree.h"
#include "framework/stdctrls/list_scroll_bar.h"
#include "platform/draw/qt_convert.h"
#include "platform/folders.h"
#include "tests/support/files.h"
#include "tests/support/forms.h"
#include "tests/support/temp_folder.h"

namespace kiv::test {
namespace {

std::string Current() {
    auto current = platform::CurrentFolder();
    return current ? *current : std::string("<none>");
}

int Depth(const std::string& folder) {
    return CurrentRowIndex(folder);
}

int RowNamed(const TDirectoryListBox& list, const std::string& name) {
    for (int i = 0; i < list.ItemCount(); ++i)
        if (list.Items(i).name == name) return i;
    return -1;
}

// A client point in the middle of a row that is in view.
TPoint RowPoint(const TDirectoryListBox& list, int index) {
    return {20, 2 + (index - list.TopIndex()) * list.ItemHeight() + list.ItemHeight() / 2};
}

LRESULT Click(TControl& control, unsigned msg, TPoint p, WPARAM keys = MK_LBUTTON) {
    return control.Perform(msg, keys, MAKELPARAM(p.X, p.Y));
}

class FolderListTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.MakeFolder("b");
        tree.MakeFolder("A");
        tree.MakeFolder("c/deep");
        tree.MakeFolder(".hidden");
        WriteFile(tree / "file.txt", "x");
        std::filesystem::create_directory_symlink(tree.Path() + "/b", tree.Path() + "/link");
        std::filesystem::create_symlink(tree.Path() + "/file.txt", tree.Path() + "/filelink");
    }

    TempFolder tree{TempFolder::Enter::Yes};
};

TEST_F(FolderListTest, RowsAreTheParentsThenTheVisibleSubFoldersInOrder) {
    std::vector<FolderRow> rows = FolderRows(tree.Path());
    const int depth = Depth(tree.Path());
    ASSERT_EQ(rows.size(), std::size_t(depth + 1 + 4));
    EXPECT_EQ(rows[0].name, "/");
    EXPECT_EQ(rows[0].path, "/");
    for (int i = 0; i <= depth; ++i) {
        EXPECT_EQ(rows[i].depth, i);
        EXPECT_TRUE(rows[i].open);
    }
    EXPECT_EQ(rows[depth].path, tree.Path());
    std::vector<std::string> names;
    for (std::size_t i = depth + 1; i < rows.size(); ++i) {
        names.push_back(rows[i].name);
        EXPECT_EQ(rows[i].depth, depth + 1);
        EXPECT_FALSE(rows[i].open);
        EXPECT_EQ(rows[i].path, tree.Path() + "/" + rows[i].name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "c", "link"}));
}

TEST_F(FolderListTest, StartsAtTheProcessCurrentFolderWithItsRowSelected) {
    TDirectoryListBox list(nullptr);
    EXPECT_EQ(list.Directory(), tree.Path());
    EXPECT_EQ(list.ItemIndex(), Depth(tree.Path()));
    EXPECT_EQ(list.GetItemPath(list.ItemIndex()), tree.Path());
}

struct MoveCase {
    const char* name;
    std::string target;    // below the tree's root unless absolute or empty
    std::string expected;  // below the tree's root unless absolute; "" is the root itself
    friend void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }
};

class DirectoryMoves : public FolderListTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(DirectoryMoves, MovesTheProcessAndTakesThePathBack) {
    const MoveCase& c = GetParam();
    TDirectoryListBox list(nullptr);
    int changes = 0;
    list.SetOnChange([&](TObject*) { ++changes; });
    const bool asGiven = c.target.empty() || c.target.starts_with("/");
    list.SetDirectory(asGiven ? c.target : tree.Path() + "/" + c.target);
    const std::string expected = c.expected.starts_with("/") ? c.expected
                                 : c.expected.empty()        ? tree.Path()
                                                             : tree.Path() + "/" + c.expected;
    EXPECT_EQ(list.Directory(), expected);
    EXPECT_EQ(Current(), expected);
    EXPECT_EQ(changes, expected == tree.Path() ? 0 : 1);
    EXPECT_EQ(list.GetItemPath(list.ItemIndex()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DirectoryMoves,
                         ::testing::Values(MoveCase{"SubFolder", "b", "b"},
                                           MoveCase{"TrailingSlashDropped", "c/", "c"},
                                           MoveCase{"DotsResolved", "c/deep/../deep/.", "c/deep"},
                                           MoveCase{"LinkResolvedByThePlatform", "link", "b"},
                                           MoveCase{"RootKeepsItsSlash", "/", "/"},
                                           MoveCase{"SameFolderIsNoChange", ".", ""},
                                           MoveCase{"EmptyIsIgnored", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderListTest, RelativePathsStartAtTheProcessFolder) {
    TDirectoryListBox list(nullptr);
    list.SetDirectory("c");
    list.SetDirectory("deep");
    EXPECT_EQ(list.Directory(), tree.Path() + "/c/deep");
    list.SetDirectory("..");
    EXPECT_EQ(list.Directory(), tree.Path() + "/c");
    EXPECT_EQ(Current(), tree.Path() + "/c");
}

TEST_F(FolderListTest, RootListsItselfFirstAndSelected) {
    TDirectoryListBox list(nullptr);
    list.SetDirectory("/");
    EXPECT_EQ(list.Directory(), "/");
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(list.Items(0).path, "/");
    ASSERT_GT(list.ItemCount(), 1);
    EXPECT_EQ(list.Items(1).depth, 1);
    EXPECT_EQ(list.Items(1).path, "/" + list.Items(1).name);
}

TEST_F(FolderListTest, AFolderThatCannotBeEnteredChangesNothing) {
    TDirectoryListBox list(nullptr);
    int changes = 0;
    list.SetOnChange([&](TObject*) { ++changes; });
    const int rows = list.ItemCount();
    EXPECT_THROW(list.SetDirectory(tree.Path() + "/missing"), Exception);
    EXPECT_THROW(list.SetDirectory(tree.Path() + "/file.txt"), Exception);
    EXPECT_EQ(list.Directory(), tree.Path());
    EXPECT_EQ(Current(), tree.Path());
    EXPECT_EQ(list.ItemCount(), rows);
    EXPECT_EQ(changes, 0);
}

TEST_F(FolderListTest, DoubleClickOpensTheRowUnderThePointer) {
    TDirectoryListBox list(nullptr);
    list.SetBounds(0, 0, 223, 400);
    const int row = RowNamed(list, "c");
    ASSERT_GE(row, 0);
    Click(list, WM_LBUTTONDOWN, RowPoint(list, row));
    Click(list, WM_LBUTTONUP, RowPoint(list, row), 0);
    EXPECT_EQ(list.ItemIndex(), row);
    EXPECT_EQ(list.Directory(), tree.Path()) << "a single click only selects";
    Click(list, WM_LBUTTONDBLCLK, RowPoint(list, row));
    Click(list, WM_LBUTTONUP, RowPoint(list, row), 0);
    EXPECT_EQ(list.Directory(), tree.Path() + "/c");
    EXPECT_EQ(Current(), tree.Path() + "/c");
    EXPECT_GE(RowNamed(list, "deep"), 0);
}

TEST_F(FolderListTest, OpeningAParentRowMovesUp) {
    TDirectoryListBox list(nullptr);
    list.SetDirectory("c/deep");
    const int parent = Depth(tree.Path());
    EXPECT_EQ(list.Items(parent).path, tree.Path());
    list.OpenItem(parent);
    EXPECT_EQ(list.Directory(), tree.Path());
    EXPECT_EQ(Current(), tree.Path());
}

TEST_F(FolderListTest, RowsAreIndentedByDepthAndTheSelectedRowHighlighted) {
    // On a black dialog, as the folder dialog is: the list keeps its window colours.
    TWinControl dialog(nullptr);
    dialog.SetColor(clBlack);
    TDirectoryListBox list(nullptr);
    list.SetParent(&dialog);
    list.SetDirectory("/");
    list.SetDirectory(tree.Path());
    list.SetBounds(0, 0, 300, 4 + list.ItemCount() * 16);
    QImage image = PaintControl(list, list.Width(), list.Height(), clBlack);
    const QRgb yellow = platform::ToQRgb(clYellow);
    for (int i = 0; i < list.ItemCount(); ++i) {
        const int y = RowPoint(list, i).Y;
        int firstYellow = -1;
        for (int x = 0; x < image.width() && firstYellow < 0; ++x)
            if (image.pixel(x, y) == yellow) firstYellow = x;
        EXPECT_EQ(firstYellow, 2 + 2 + list.Items(i).depth * 8 + 1) << "row " << i;
        const TColor background = platform::FromQRgb(image.pixel(image.width() - 4, y));
        EXPECT_EQ(background, ColorToRGB(i == list.ItemIndex() ? clHighlight : clWindow))
            << "row " << i;
    }
}

class ScrollingTest : public FolderListTest {
protected:
    void SetUp() override {
        FolderListTest::SetUp();
        for (int i = 0; i < 20; ++i) tree.MakeFolder("many/f" + std::to_string(100 + i));
        ASSERT_TRUE(platform::SetCurrentFolder(tree.Path() + "/many").ok());
    }
};

TEST_F(ScrollingTest, ScrollBarButtonsAndTrackMoveTheView) {
    TDirectoryListBox list(nullptr);
    list.SetBounds(0, 0, 200, 4 + 5 * 16);
    ASSERT_EQ(list.VisibleRows(), 5);
    const int start = list.TopIndex();
    const TPoint down(200 - 2 - 8, 4 + 5 * 16 - 2 - 8);
    const TPoint up(200 - 2 - 8, 2 + 8);
    Click(list, WM_LBUTTONDOWN, down);
    Click(list, WM_LBUTTONUP, down, 0);
    EXPECT_EQ(list.TopIndex(), start + 1);
    Click(list, WM_LBUTTONDOWN, up);
    Click(list, WM_LBUTTONUP, up, 0);
    EXPECT_EQ(list.TopIndex(), start);
    list.SetTopIndex(0);
    const TPoint track(200 - 2 - 8, 2 + 16 + 40);  // below the thumb at the top
    Click(list, WM_LBUTTONDOWN, track);
    Click(list, WM_LBUTTONUP, track, 0);
    EXPECT_EQ(list.TopIndex(), 5);
    list.SetTopIndex(1000);
    EXPECT_EQ(list.TopIndex(), list.ItemCount() - 5);
}

TEST_F(ScrollingTest, SelectingARowScrollsItIntoView) {
    TDirectoryListBox list(nullptr);
    list.SetBounds(0, 0, 200, 4 + 5 * 16);
    list.SetItemIndex(list.ItemCount() - 1);
    EXPECT_EQ(list.TopIndex(), list.ItemCount() - 5);
    list.SetItemIndex(0);
    EXPECT_EQ(list.TopIndex(), 0);
}

struct BarCase {
    const char* name;
    int total, visible, top;
    TRect thumb;
    friend void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }
};

class ScrollBarGeometry : public ::testing::TestWithParam<BarCase> {};

// A bar of 16 x 100: buttons of 16 at both ends, a track of 68 rows between.
TEST_P(ScrollBarGeometry, PlacesTheThumbByPosition) {
    const BarCase& c = GetParam();
    ListScrollBar bar({0, 0, 16, 100}, c.total, c.visible, c.top);
    EXPECT_EQ(bar.Thumb(), c.thumb);
    if (c.thumb.IsEmpty()) return;
    EXPECT_EQ(bar.HitTest({8, c.thumb.Top}), ListScrollBar::Part::Thumb);
    EXPECT_EQ(bar.TopForThumbAt(c.thumb.Top), std::clamp(c.top, 0, bar.MaxTop()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScrollBarGeometry,
    ::testing::Values(BarCase{"AtTheTop", 20, 5, 0, {0, 16, 16, 33}},
                      BarCase{"AtTheBottom", 20, 5, 15, {0, 67, 16, 84}},
                      BarCase{"Halfway", 20, 10, 5, {0, 33, 16, 67}},
                      BarCase{"ShortThumbsGrowToEight", 400, 5, 0, {0, 16, 16, 24}},
                      BarCase{"PositionsBeyondTheEndClamp", 20, 5, 99, {0, 67, 16, 84}},
                      BarCase{"NothingToScroll", 3, 5, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScrollBarTest, PressesMapToParts) {
    ListScrollBar bar({0, 0, 16, 100}, 20, 5, 5);  // thumb at 33 ... 50
    EXPECT_EQ(bar.HitTest({8, 3}), ListScrollBar::Part::LineUp);
    EXPECT_EQ(bar.HitTest({8, 96}), ListScrollBar::Part::LineDown);
    EXPECT_EQ(bar.HitTest({8, 20}), ListScrollBar::Part::PageUp);
    EXPECT_EQ(bar.HitTest({8, 70}), ListScrollBar::Part::PageDown);
    EXPECT_EQ(bar.HitTest({20, 70}), ListScrollBar::Part::None);
}

TEST_F(ScrollingTest, DraggingTheThumbScrolls) {
    TDirectoryListBox list(nullptr);
    list.SetBounds(0, 0, 200, 4 + 5 * 16);
    list.SetTopIndex(0);
    const int x = 200 - 2 - 8;
    const int thumbTop = 2 + 16;
    Click(list, WM_LBUTTONDOWN, {x, thumbTop + 2});
    Click(list, WM_MOUSEMOVE, {x, 2 + 80 - 16 + 10});  // far below the track's end
    EXPECT_EQ(list.TopIndex(), list.ItemCount() - 5);
    Click(list, WM_LBUTTONUP, {x, 2 + 80 - 16 + 10}, 0);
    Click(list, WM_MOUSEMOVE, {x, thumbTop}, 0);
    EXPECT_EQ(list.TopIndex(), list.ItemCount() - 5) << "the drag ended with the release";
}

// Offers scripted drives and chooses a scripted item instead of showing the drop-down.
class ScriptedDriveBox : public TDriveComboBox {
public:
    ScriptedDriveBox(std::vector<std::string> drives) : TDriveComboBox(nullptr) {
        for (std::string& drive : drives) m_fake.push_back({std::move(drive), ""});
        BuildList();
    }
    int choice = -1;
    int dropDowns = 0;

    int IndexOf(const std::string& drive) const {
        for (int i = 0; i < ItemCount(); ++i)
            if (Items(i) == drive) return i;
        return -1;
    }

protected:
    std::vector<DriveItem> ReadDrives() const override { return m_fake; }
    int DropDown() override {
        ++dropDowns;
        return choice;
    }

private:
    std::vector<DriveItem> m_fake;
};

TEST_F(FolderListTest, DriveBoxListsTheRootAndStartsOnTheCurrentFoldersDrive) {
    TDriveComboBox box(nullptr);
    bool hasRoot = false;
    for (int i = 0; i < box.ItemCount(); ++i) hasRoot = hasRoot || box.Items(i) == "/";
    EXPECT_TRUE(hasRoot);
    EXPECT_EQ(box.Drive(), MountPointOf(tree.Path(), DriveMountPoints()));
    ASSERT_GE(box.ItemIndex(), 0);
    EXPECT_EQ(box.Items(box.ItemIndex()), box.Drive());
    EXPECT_THROW(box.SetDrive("/no/such/drive"), Exception);
    EXPECT_EQ(box.Drive(), MountPointOf(tree.Path(), DriveMountPoints()));
}

TEST_F(FolderListTest, ChoosingADriveMovesTheLinkedListAndTheBoxFollowsTheList) {
    const std::string drive = tree.Path() + "/c";
    TDirectoryListBox list(nullptr);
    ScriptedDriveBox box({"/", drive});
    box.SetDirList(&list);
    int boxChanges = 0, listChanges = 0;
    box.SetOnChange([&](TObject*) { ++boxChanges; });
    list.SetOnChange([&](TObject*) { ++listChanges; });

    box.choice = box.IndexOf(drive);
    Click(box, WM_LBUTTONDOWN, {5, 5});
    Click(box, WM_LBUTTONUP, {5, 5}, 0);
    EXPECT_EQ(box.dropDowns, 1);
    EXPECT_EQ(box.Drive(), drive);
    EXPECT_EQ(list.Directory(), drive);
    EXPECT_EQ(Current(), drive);
    EXPECT_EQ(boxChanges, 1);
    EXPECT_EQ(listChanges, 1);

    list.SetDirectory("deep");
    EXPECT_EQ(box.Drive(), drive) << "moving within the drive keeps it";
    list.OpenItem(Depth(tree.Path()));
    EXPECT_EQ(list.Directory(), tree.Path());
    EXPECT_EQ(box.Drive(), "/") << "the box shows the drive the list moved onto";
    EXPECT_EQ(boxChanges, 1) << "following the list is no change of the user's choice";
}

TEST_F(FolderListTest, ADriveTheListCannotEnterIsNotTaken) {
    const std::string gone = tree.Path() + "/unmounted";
    TDirectoryListBox list(nullptr);
    ScriptedDriveBox box({"/", gone});
    box.SetDirList(&list);
    int boxChanges = 0;
    box.SetOnChange([&](TObject*) { ++boxChanges; });
    const std::string before = box.Drive();
    EXPECT_THROW(box.SetDrive(gone), Exception);
    EXPECT_EQ(box.Drive(), before);
    EXPECT_EQ(list.Directory(), tree.Path());
    EXPECT_EQ(Current(), tree.Path());
    EXPECT_EQ(boxChanges, 0);
}

TEST_F(FolderListTest, WithoutAListTheDriveChangesAlone) {
    ScriptedDriveBox box({"/", tree.Path()});
    box.SetDrive(tree.Path());
    box.SetDrive("/");
    EXPECT_EQ(box.Drive(), "/");
    EXPECT_EQ(Current(), tree.Path());
}

TEST_F(FolderListTest, DestroyingTheListUnlinksIt) {
    TDriveComboBox box(nullptr);
    {
        TDirectoryListBox list(nullptr);
        box.SetDirList(&list);
        EXPECT_EQ(box.DirList(), &list);
    }
    EXPECT_EQ(box.DirList(), nullptr);
    EXPECT_NO_THROW(box.SetDrive("/"));
}

}  // namespace
}  // namespace kiv::test
