// TColor: an RGB value 0x00BBGGRR or a reference to a system colour, and the colour table.
#pragma once

#include <cstdint>

namespace kiv {

// Either 0x00BBGGRR, or 0x80000000 + a system-colour index (COLOR_...), resolved by ColorToRGB.
// clNone and clDefault are markers for callers that give them a meaning; drawing treats them as
// their low 24 bits.
using TColor = std::uint32_t;

constexpr TColor kSystemColorFlag = 0x80000000u;

// System-colour indices, as GetSysColor numbers them.
enum SystemColorIndex : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_3DFACE = COLOR_BTNFACE,
    COLOR_3DSHADOW = COLOR_BTNSHADOW,
    COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
};

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr std::uint8_t GetRValue(TColor c) {
    return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t GetGValue(TColor c) {
    return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(TColor c) {
    return std::uint8_t((c >> 16) & 0xFF);
}
constexpr bool IsSystemColor(TColor c) {
    return (c & kSystemColorFlag) != 0;
}

// The classic Windows 2000 colour of a system-colour index; black for an index without one.
TColor GetSysColor(int index);

// The RGB value (0x00BBGGRR) of `c`: system-colour references through GetSysColor's table, any
// other value as its low 24 bits.
TColor ColorToRGB(TColor c);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = kSystemColorFlag | COLOR_SCROLLBAR;
constexpr TColor clBackground = kSystemColorFlag | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = kSystemColorFlag | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = kSystemColorFlag | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = kSystemColorFlag | COLOR_MENU;
constexpr TColor clWindow = kSystemColorFlag | COLOR_WINDOW;
constexpr TColor clWindowFrame = kSystemColorFlag | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = kSystemColorFlag | COLOR_MENUTEXT;
constexpr TColor clWindowText = kSystemColorFlag | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = kSystemColorFlag | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = kSystemColorFlag | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = kSystemColorFlag | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = kSystemColorFlag | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = kSystemColorFlag | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = kSystemColorFlag | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = kSystemColorFlag | COLOR_BTNFACE;
constexpr TColor clBtnShadow = kSystemColorFlag | COLOR_BTNSHADOW;
constexpr TColor clGrayText = kSystemColorFlag | COLOR_GRAYTEXT;
constexpr TColor clBtnText = kSystemColorFlag | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = kSystemColorFlag | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = kSystemColorFlag | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = kSystemColorFlag | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = kSystemColorFlag | COLOR_3DLIGHT;
constexpr TColor clInfoText = kSystemColorFlag | COLOR_INFOTEXT;
constexpr TColor clInfoBk = kSystemColorFlag | COLOR_INFOBK;
constexpr TColor clHotLight = kSystemColorFlag | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = kSystemColorFlag | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = kSystemColorFlag | COLOR_GRADIENTINACTIVECAPTION;

}  // namespace kiv
