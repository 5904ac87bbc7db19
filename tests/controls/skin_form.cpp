// The skin picture and the main-window-like design the control tests share.
#include "skin_form.h"

#include <QImage>

#include "controls/cool_controls.h"
#include "framework/class_registry.h"
#include "framework/forms/bitmap.h"
#include "framework/memory_stream.h"
#include "platform/draw/qt_convert.h"

namespace kiv::test {

namespace {

const bool registered = RegisterClass<TSkinForm, TForm>(
    "TSkinForm", {}, {Method("ScrollTextScrolled", &TSkinForm::ScrollTextScrolled)});

constexpr int kSkinLeft = 1;
constexpr int kSkinTop = 2;
constexpr int kSkinWidth = 450;
constexpr int kSkinHeight = 300;

const char* const kButtons = R"(
    object btn%NAME%: TCoolLabel
      Left = %LEFT%
      Top = 13
      Width = %WIDTH%
      Height = 8
      Cursor = crHandPoint
      Alignment = taCenter
      Caption = '%CAPTION%'
      Font.Charset = OEM_CHARSET
      Font.Color = clWhite
      Font.Height = -8
      Font.Name = 'Terminal'
      Layout = %LAYOUT%
      ParentFont = False
      ShadowColor = clWhite
      ShadowSize = 0
      ShadowPos = spRightBottom
      ShowAccelChar = %ACCEL%
      Transparent = True
    end)";

std::string Replace(std::string text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
        text.replace(at, key.size(), value);
    return text;
}

std::string Button(const char* name, int left, int width, const char* layout, bool accel) {
    std::string text = Replace(kButtons, "%NAME%", name);
    text = Replace(text, "%CAPTION%", name);
    text = Replace(text, "%LEFT%", std::to_string(left));
    text = Replace(text, "%WIDTH%", std::to_string(width));
    text = Replace(text, "%LAYOUT%", layout);
    return Replace(text, "%ACCEL%", accel ? "True" : "False");
}

}  // namespace

TColor SkinColour(int x, int y) {
    return RGB(std::uint8_t(40 + (x * 7 + y * 3) % 160), std::uint8_t(30 + (x ^ y) % 150),
               std::uint8_t(20 + (y * 5 + x) % 120));
}

std::vector<std::uint8_t> SkinBmp(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, platform::ToQRgb(SkinColour(x, y)));
    TBitmap bitmap;
    bitmap.SetImage(image);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return {stream.Bytes().begin(), stream.Bytes().end()};
}

BundledFileResolver SkinFiles() {
    return [](const std::string& name) -> std::optional<std::vector<std::uint8_t>> {
        if (name == "skin.bmp") return SkinBmp(kSkinWidth, kSkinHeight);
        if (name == "tile.bmp") return SkinBmp(3, 2);
        return std::nullopt;
    };
}

std::string MainDesign(bool active) {
    std::string design = R"(
object Main: TSkinForm
  Left = 0
  Top = 0
  Width = 452
  Height = 304
  BorderStyle = bsNone
  Caption = 'Skinned controls test'
  Color = clBlack
  Font.Name = 'MS Sans Serif'
  Font.Height = -11
  object kivPanel: TImage
    Left = 1
    Top = 2
    AutoSize = True
    Picture.Data = { @file 'skin.bmp' }
  end
  object kivScroll: TCoolScrollingText
    Left = 22
    Top = 58
    Width = 134
    Height = 189
    Active = %ACTIVE%
    Interval = 50
    ScrollDirection = sdBottomToTop
    Strings.Strings = (
      '')
    ShadowColor = clBlue
    ShadowSize = 0
    ShadowPos = spRightBottom
    Transparent = True
    Color = clBlack
    Font.Charset = OEM_CHARSET
    Font.Color = clWhite
    Font.Height = -8
    Font.Name = 'Terminal'
    OnTextScrolled = ScrollTextScrolled
  end
  object kivGauge: TGauge
    Left = 170
    Top = 216
    Width = 265
    Height = 14
    BackColor = clSilver
    ForeColor = clLime
    Color = clBlack
    Font.Color = clBlack
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Visible = False
  end
  object kivGrp: TCoolGroupBox
    Left = 1
    Top = 274
    Width = 450
    Height = 29
    TabOrder = 0
    Transparent = True
    SimpleView = True)";
    design = Replace(design, "%ACTIVE%", active ? "True" : "False");
    design += Button("Exit", 15, 24, "tlCenter", false);
    design += Button("Verify", 247, 36, "tlCenter", false);
    design += Button("Unpack", 327, 36, "tlCenter", false);
    design += Button("Path", 407, 24, "tlTop", true);
    design += "\n  end\nend\n";
    return design;
}

TSkinForm::TSkinForm(TComponent* owner) : TForm(owner) {}

TSkinForm::TSkinForm(TComponent* owner, std::string_view design) : TForm(owner) {
    RegisterCoolControls();
    LoadDesign(design, "skin_form.kfm", SkinFiles());
}

TColor TSkinForm::FormColour(int x, int y) {
    const int sx = x - kSkinLeft;
    const int sy = y - kSkinTop;
    if (sx < 0 || sy < 0 || sx >= kSkinWidth || sy >= kSkinHeight) return clBlack;
    return SkinColour(sx, sy);
}

void TSkinForm::ScrollTextScrolled(TObject*, bool& initialPosition) {
    ++passes;
    if (startInView) initialPosition = true;
}

}  // namespace kiv::test
