// The engine's names for the format core's positioned readers, for the detection and the
// pre-scan: a file opened read-only (nullptr from Open when it cannot be opened or is not a
// regular file) and bytes in memory. Reads of a file may throw format::ReadError.
#pragma once

#include "formatcore/byte_source.h"
#include "formatcore/file_source.h"

namespace kiv {

using ByteReader = format::ByteSource;
using FileReader = format::FileSource;
using MemoryReader = format::MemorySource;

}  // namespace kiv
