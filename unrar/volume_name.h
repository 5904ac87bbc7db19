// Proposals for the name of the volume that follows a given one.
#pragma once

#include <string>

namespace kiv::rar {

// name.part1.rar -> name.part2.rar, keeping the digit count (part09 -> part10, part9 -> part10,
// part99 -> part100). Falls back to the old scheme when the name has no number before its
// extension.
std::string NextVolumeNameNew(const std::string& path);

// name.rar -> name.r00 ... name.r99 -> name.s00 ...; name.001 -> name.002. The letter of the
// proposed extension keeps the case of the current one (NAME.RAR -> NAME.R00).
std::string NextVolumeNameOld(const std::string& path);

}  // namespace kiv::rar
