// Identifier tables for colour, cursor and character-set properties.
#include "framework/forms/idents.h"

#include <array>

#include "framework/forms/control_types.h"
#include "platform/draw/color.h"
#include "platform/draw/font.h"

namespace kiv {

namespace {

constexpr std::array kColors{
    IdentValue{"clBlack", clBlack},
    IdentValue{"clMaroon", clMaroon},
    IdentValue{"clGreen", clGreen},
    IdentValue{"clOlive", clOlive},
    IdentValue{"clNavy", clNavy},
    IdentValue{"clPurple", clPurple},
    IdentValue{"clTeal", clTeal},
    IdentValue{"clGray", clGray},
    IdentValue{"clSilver", clSilver},
    IdentValue{"clRed", clRed},
    IdentValue{"clLime", clLime},
    IdentValue{"clYellow", clYellow},
    IdentValue{"clBlue", clBlue},
    IdentValue{"clFuchsia", clFuchsia},
    IdentValue{"clAqua", clAqua},
    IdentValue{"clWhite", clWhite},
    IdentValue{"clNone", clNone},
    IdentValue{"clDefault", clDefault},
    IdentValue{"clScrollBar", clScrollBar},
    IdentValue{"clBackground", clBackground},
    IdentValue{"clActiveCaption", clActiveCaption},
    IdentValue{"clInactiveCaption", clInactiveCaption},
    IdentValue{"clMenu", clMenu},
    IdentValue{"clWindow", clWindow},
    IdentValue{"clWindowFrame", clWindowFrame},
    IdentValue{"clMenuText", clMenuText},
    IdentValue{"clWindowText", clWindowText},
    IdentValue{"clCaptionText", clCaptionText},
    IdentValue{"clActiveBorder", clActiveBorder},
    IdentValue{"clInactiveBorder", clInactiveBorder},
    IdentValue{"clAppWorkSpace", clAppWorkSpace},
    IdentValue{"clHighlight", clHighlight},
    IdentValue{"clHighlightText", clHighlightText},
    IdentValue{"clBtnFace", clBtnFace},
    IdentValue{"clBtnShadow", clBtnShadow},
    IdentValue{"clGrayText", clGrayText},
    IdentValue{"clBtnText", clBtnText},
    IdentValue{"clInactiveCaptionText", clInactiveCaptionText},
    IdentValue{"clBtnHighlight", clBtnHighlight},
    IdentValue{"cl3DDkShadow", cl3DDkShadow},
    IdentValue{"cl3DLight", cl3DLight},
    IdentValue{"clInfoText", clInfoText},
    IdentValue{"clInfoBk", clInfoBk},
    IdentValue{"clHotLight", clHotLight},
    IdentValue{"clGradientActiveCaption", clGradientActiveCaption},
    IdentValue{"clGradientInactiveCaption", clGradientInactiveCaption},
};

constexpr std::array kCursors{
    IdentValue{"crDefault", crDefault},     IdentValue{"crNone", crNone},
    IdentValue{"crArrow", crArrow},         IdentValue{"crCross", crCross},
    IdentValue{"crIBeam", crIBeam},         IdentValue{"crSizeNESW", crSizeNESW},
    IdentValue{"crSizeNS", crSizeNS},       IdentValue{"crSizeNWSE", crSizeNWSE},
    IdentValue{"crSizeWE", crSizeWE},       IdentValue{"crUpArrow", crUpArrow},
    IdentValue{"crHourGlass", crHourGlass}, IdentValue{"crNo", crNo},
    IdentValue{"crAppStart", crAppStart},   IdentValue{"crHelp", crHelp},
    IdentValue{"crHandPoint", crHandPoint}, IdentValue{"crSizeAll", crSizeAll},
};

constexpr std::array kCharsets{
    IdentValue{"ANSI_CHARSET", platform::ANSI_CHARSET},
    IdentValue{"DEFAULT_CHARSET", platform::DEFAULT_CHARSET},
    IdentValue{"SYMBOL_CHARSET", platform::SYMBOL_CHARSET},
    IdentValue{"OEM_CHARSET", platform::OEM_CHARSET},
};

}  // namespace

std::span<const IdentValue> ColorIdents() {
    return kColors;
}
std::span<const IdentValue> CursorIdents() {
    return kCursors;
}
std::span<const IdentValue> CharsetIdents() {
    return kCharsets;
}

}  // namespace kiv
