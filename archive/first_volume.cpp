// The first volume of a RAR set, by the set's naming and the volumes' main headers.
#include "archive/first_volume.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string_view>

#include "archive/byte_reader.h"
#include "archive/rar_prescan.h"
#include "platform/files.h"

namespace kiv {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), text.end() - static_cast<long>(tail.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// name.partN.rar with N above 1 gives name.part1.rar, N's digits kept.
std::optional<std::string> FirstOfNewNames(const std::string& volume) {
    constexpr std::string_view kExt = ".rar";
    constexpr std::string_view kPart = ".part";
    if (!EndsWithNoCase(volume, kExt)) return std::nullopt;
    const std::size_t digitsEnd = volume.size() - kExt.size();
    std::size_t digitsBegin = digitsEnd;
    while (digitsBegin > 0 && IsDigit(volume[digitsBegin - 1])) --digitsBegin;
    const std::string_view stem(volume.data(), digitsBegin);
    if (digitsBegin == digitsEnd || !EndsWithNoCase(stem, kPart)) return std::nullopt;
    const std::string digits = volume.substr(digitsBegin, digitsEnd - digitsBegin);
    if (std::all_of(digits.begin(), digits.end() - 1, [](char c) { return c == '0'; }) &&
        digits.back() <= '1') {
        return std::nullopt;  // part0 or part1 is no later volume
    }
    return std::string(stem) + std::string(digits.size() - 1, '0') + "1" + volume.substr(digitsEnd);
}

// name.r00 ... name.r99, name.s00 ... give name.rar.
std::optional<std::string> FirstOfOldNames(const std::string& volume) {
    const std::size_t dot = volume.rfind('.');
    if (dot == std::string::npos || volume.size() - dot != 4) return std::nullopt;
    const char letter = volume[dot + 1];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (lower < 'r' || lower > 'z' || !IsDigit(volume[dot + 2]) || !IsDigit(volume[dot + 3])) {
        return std::nullopt;
    }
    const bool upper = letter != lower;
    return volume.substr(0, dot) + (upper ? ".RAR" : ".rar");
}

VolumePlace PlaceOf(const std::string& path, std::uint64_t markerOffset) {
    const std::unique_ptr<FileReader> file = FileReader::Open(path);
    return file ? ReadVolumePlace(*file, markerOffset) : VolumePlace{};
}

}  // namespace

std::optional<std::string> FirstVolumeName(const std::string& volume) {
    if (auto first = FirstOfNewNames(volume)) return first;
    return FirstOfOldNames(volume);
}

std::string FirstVolumeOfSet(const std::string& volume, std::uint64_t markerOffset) {
    const std::optional<std::string> first = FirstVolumeName(volume);
    if (!first || *first == volume || !platform::FileExists(*first)) return volume;
    const VolumePlace given = PlaceOf(volume, markerOffset);
    if (!given.rar || !given.volume || (given.known && given.first)) return volume;
    const VolumePlace candidate = PlaceOf(*first, 0);
    if (!candidate.rar || !candidate.volume || candidate.format != given.format ||
        (candidate.known && !candidate.first)) {
        return volume;
    }
    return *first;
}

}  // namespace kiv
