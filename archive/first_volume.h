// Where a run on a RAR volume set begins: the set's first volume, found beside a later one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kiv {

// The name the set's first volume has when `volume` is named as a later one: name.part1.rar
// (with as many digits) for name.partN.rar with N above 1, and name.rar for the old names
// name.r00 ... name.s00 ... (in the case of their letter); nothing for any other name.
std::optional<std::string> FirstVolumeName(const std::string& volume);

// The volume a run on `volume` starts from: the set's first volume when `volume` is a later one
// and the first lies beside it (a RAR volume of the same format that may begin the set), else
// `volume` itself. markerOffset is where `volume`'s marker lies. Never throws.
std::string FirstVolumeOfSet(const std::string& volume, std::uint64_t markerOffset);

}  // namespace kiv
