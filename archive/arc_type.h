// The engine's value types: archive types, overwrite modes, CPU types and the date-time value.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "framework/enum_set.h"

namespace kiv {

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

// 1 January 1980, the date of files that have none.
inline constexpr TDateTime kNoFileDate = 29221.0;

enum class TArcType : std::uint8_t {
    atNA,
    atUnsupported,
    atFileOpenErr,
    atUnknown,
    atACE,
    atArc,
    atArcExe,
    atArj,
    atArjExe,
    atBh,
    atBhExe,
    atCab,
    atGZip,
    atHa,
    atJar,
    atLha,
    atLhaExe,
    atLzh,
    atLzhExe,
    atMsGZ,
    atPak,
    atPakExe,
    atRar,
    atRarExe,
    atTar,
    atUue,
    atZip,
    atZipExe,
    atZipMV,
    atZoo,
};

template <>
struct EnumInfo<TArcType> {
    static constexpr std::array<std::string_view, 30> names{
        "atNA",     "atUnsupported", "atFileOpenErr", "atUnknown", "atACE",    "atArc",
        "atArcExe", "atArj",         "atArjExe",      "atBh",      "atBhExe",  "atCab",
        "atGZip",   "atHa",          "atJar",         "atLha",     "atLhaExe", "atLzh",
        "atLzhExe", "atMsGZ",        "atPak",         "atPakExe",  "atRar",    "atRarExe",
        "atTar",    "atUue",         "atZip",         "atZipExe",  "atZipMV",  "atZoo"};
};

enum class TOverwriteMode : std::uint8_t { omOverwrite, omSkip };

template <>
struct EnumInfo<TOverwriteMode> {
    static constexpr std::array<std::string_view, 2> names{"omOverwrite", "omSkip"};
};

enum class TCpuType : std::uint8_t { cptAuto, cpt80286, cpt80386, cpt80486 };

template <>
struct EnumInfo<TCpuType> {
    static constexpr std::array<std::string_view, 4> names{"cptAuto", "cpt80286", "cpt80386",
                                                           "cpt80486"};
};

// The first four values say that no archive was recognised.
constexpr bool IsRecognised(TArcType type) {
    return type > TArcType::atUnknown;
}

// Whether a run may be started on an archive of this type.
constexpr bool IsExtractable(TArcType type) {
    switch (type) {
        case TArcType::atNA:
        case TArcType::atUnsupported:
        case TArcType::atFileOpenErr:
        case TArcType::atUnknown:
        case TArcType::atHa:
        case TArcType::atMsGZ:
        case TArcType::atPak:
        case TArcType::atPakExe:
            return false;
        default:
            return true;
    }
}

}  // namespace kiv
