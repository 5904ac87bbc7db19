// The plain controls read from a window design: classes, published properties, nesting, links
// and the fitting that follows loading.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/forms/bitmap.h"
#include "framework/forms/font.h"
#include "framework/forms/picture.h"
#include "framework/forms/win_control.h"
#include "framework/memory_stream.h"
#include "framework/stdctrls/bevel.h"
#include "framework/stdctrls/custom_group_box.h"
#include "framework/stdctrls/directory_list_box.h"
#include "framework/stdctrls/drive_combo_box.h"
#include "framework/stdctrls/image.h"
#include "framework/stdctrls/label.h"
#include "framework/stdctrls/std_controls.h"
#include "tests/support/forms.h"

namespace kiv::test {
namespace {

// A 3 x 2 bitmap as a BMP file in design hex.
std::string PictureHex() {
    TBitmap bitmap;
    bitmap.SetImage(FromArt({"rgb", "bgr"}, {{'r', clRed}, {'g', clLime}, {'b', clBlue}}));
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    std::string hex;
    char digits[3];
    for (std::uint8_t byte : stream.Bytes()) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        hex += digits;
    }
    return hex;
}

std::string Design() {
    return R"(object Dialog: TWinControl
  Left = 0
  Top = 0
  Width = 452
  Height = 304
  object kivPanel: TImage
    Left = 1
    Top = 2
    Width = 450
    Height = 300
    AutoSize = True
    Center = True
    Picture.Data = {)" +
           PictureHex() + R"(}
    Transparent = True
  end
  object NfoBevel: TBevel
    Left = 2
    Top = 2
    Width = 235
    Height = 167
    Shape = bsFrame
    Style = bsRaised
  end
  object lblRelease: TLabel
    Left = 254
    Top = 60
    Width = 191
    Height = 9
    AutoSize = False
    Caption = 'Release'
    Font.Charset = OEM_CHARSET
    Font.Color = clLime
    Font.Height = -8
    Font.Name = 'Terminal'
    ParentFont = False
    Transparent = True
    Layout = tlCenter
  end
  object kivGrp: TCustomGroupBox
    Left = 1
    Top = 274
    Width = 450
    Height = 29
    Ctl3D = False
    object btnExit: TLabel
      Left = 15
      Top = 13
      Width = 100
      Height = 30
      Alignment = taCenter
      Caption = 'Exit'
      Font.Charset = OEM_CHARSET
      Font.Color = clWhite
      Font.Height = -8
      Font.Name = 'Terminal'
      ParentFont = False
      ShowAccelChar = False
      WordWrap = True
    end
  end
  object kivDriveList: TDriveComboBox
    Left = 8
    Top = 8
    Width = 121
    Height = 19
    DirList = kivDirList
  end
  object kivDirList: TDirectoryListBox
    Left = 8
    Top = 34
    Width = 223
    Height = 97
    ItemHeight = 17
  end
end
)";
}

template <typename T>
T& Find(TComponent& root, const char* name) {
    auto* component = dynamic_cast<T*>(root.FindComponent(name));
    if (!component) throw std::runtime_error(std::string("missing ") + name);
    return *component;
}

TEST(DesignTest, ReadsEveryControlWithItsProperties) {
    std::unique_ptr<TComponent> root = CreateFromDesign(Design(), "dialog.dfm");
    auto& dialog = static_cast<TWinControl&>(*root);

    auto& panel = Find<TImage>(dialog, "kivPanel");
    EXPECT_EQ(panel.BoundsRect(), TRect(1, 2, 4, 4)) << "AutoSize took the picture's size";
    EXPECT_TRUE(panel.Center());
    EXPECT_TRUE(panel.Transparent());
    ASSERT_NE(panel.Picture()->Graphic(), nullptr);
    EXPECT_TRUE(panel.Picture()->Graphic()->Transparent());

    auto& bevel = Find<TBevel>(dialog, "NfoBevel");
    EXPECT_EQ(bevel.Shape(), TBevelShape::bsFrame);
    EXPECT_EQ(bevel.Style(), TBevelStyle::bsRaised);

    auto& release = Find<TLabel>(dialog, "lblRelease");
    EXPECT_EQ(release.BoundsRect(), TRect(254, 60, 445, 69)) << "AutoSize off keeps the bounds";
    EXPECT_TRUE(release.Transparent());
    EXPECT_EQ(release.Layout(), TTextLayout::tlCenter);
    EXPECT_EQ(release.Font()->Color(), clLime);

    auto& group = Find<TCustomGroupBox>(dialog, "kivGrp");
    EXPECT_FALSE(group.Ctl3D());
    auto& exit = Find<TLabel>(dialog, "btnExit");
    EXPECT_EQ(exit.Parent(), &group);
    EXPECT_EQ(exit.Alignment(), TAlignment::taCenter);
    EXPECT_FALSE(exit.ShowAccelChar());
    EXPECT_TRUE(exit.WordWrap());
    EXPECT_EQ(exit.BoundsRect(), TRect(15, 13, 39, 21)) << "fitted once loading was done";

    auto& drives = Find<TDriveComboBox>(dialog, "kivDriveList");
    auto& folders = Find<TDirectoryListBox>(dialog, "kivDirList");
    EXPECT_EQ(drives.DirList(), &folders);
    EXPECT_EQ(folders.ItemHeight(), 17);
}

TEST(DesignTest, EveryPlainControlClassIsKnownByName) {
    RegisterStdControls();
    for (const char* name : {"TImage", "TCustomLabel", "TLabel", "TBevel", "TCustomGroupBox",
                             "TDriveComboBox", "TDirectoryListBox"}) {
        const ClassInfo* info = FindClass(name);
        ASSERT_NE(info, nullptr) << name;
        EXPECT_TRUE(info->CanCreate()) << name;
    }
}

}  // namespace
}  // namespace kiv::test
