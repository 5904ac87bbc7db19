// Small value types shared by the controls: cursors, shift state, mouse buttons, styles.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"

namespace kiv {

// Mouse cursor shapes, numbered as the VCL numbers them (designs write them as crHandPoint ...).
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum class TShiftStateItem : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle };
using TShiftState = EnumSet<TShiftStateItem>;

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Single-line border of a plain control (not the form's border, see TFormBorderStyle).
enum class TBorderStyle : std::uint8_t { bsNone, bsSingle };

// What a control class is like; set by its constructor.
enum class TControlStyleItem : std::uint8_t {
    csAcceptsControls,  // other controls may be placed inside it
    csCaptureMouse,     // a press captures the mouse until the release
    csClickEvents,      // press and release inside make a click
    csOpaque,           // it paints every pixel of its rectangle: no erase under it
    csSetCaption,       // its name becomes its caption while the caption is unchanged
    csParentBackground,
};
using TControlStyle = EnumSet<TControlStyleItem>;

// What a control is doing now.
enum class TControlStateItem : std::uint8_t {
    csLButtonDown,  // the left button went down on it and is not yet up
    csClicked,      // a click is under way
    csPainting,     // it is painting itself
    csCreating,
};
using TControlState = EnumSet<TControlStateItem>;

template <>
struct EnumInfo<TMouseButton> {
    static constexpr std::array<std::string_view, 3> names{"mbLeft", "mbRight", "mbMiddle"};
};
template <>
struct EnumInfo<TShiftStateItem> {
    static constexpr std::array<std::string_view, 6> names{"ssShift", "ssAlt",   "ssCtrl",
                                                           "ssLeft",  "ssRight", "ssMiddle"};
};
template <>
struct EnumInfo<TAlignment> {
    static constexpr std::array<std::string_view, 3> names{"taLeftJustify", "taRightJustify",
                                                           "taCenter"};
};
template <>
struct EnumInfo<TBorderStyle> {
    static constexpr std::array<std::string_view, 2> names{"bsNone", "bsSingle"};
};

}  // namespace kiv
