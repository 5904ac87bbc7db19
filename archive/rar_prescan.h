// Walkers over the block headers of one RAR volume (RAR 1.5-4.x and RAR 5.0), reading only
// headers and names and seeking over entry data. They never write and trust no length.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/byte_reader.h"

namespace kiv {

// One file header as the walk found it, in the terms of the RAR 1.5-4.x header.
struct RarFileHeader {
    std::uint64_t headerPosition = 0;  // file offset of the block
    std::uint64_t packedSize = 0;      // data in this volume
    std::uint64_t unpackedSize = 0;    // the whole entry, high 32 bits included
    std::uint32_t flags = 0;           // RAR 5.0: 0x01 continued, 0x02 continues, 0xE0 folder
    std::uint32_t hostOs = 0;          // 0 MS-DOS, 2 Windows, 3 Unix (RAR 5.0 hosts mapped)
    std::uint32_t attributes = 0;      // as stored
    std::uint32_t dosTime = 0;         // DOS date-time, local time
    std::string name;                  // stored name with '/' separators (see WalkRarVolume)
    bool continued = false;            // the rest of an entry begun in an earlier volume
};

enum class RarFormat { Rar4, Rar5 };

enum class WalkStatus {
    Complete,          // the end-of-archive block or the end of the file was reached
    NotRar,            // no RAR marker block at the given offset
    MainHeaderShort,   // fewer than 13 bytes of main header (RAR 1.5-4.x)
    HeadersEncrypted,  // the headers are encrypted and cannot be walked
    Damaged,           // a header that is cut short or inconsistent, or a read error, ended it
    TooManyHeaders,    // the bound on headers per volume ended the walk
};

struct WalkResult {
    WalkStatus status = WalkStatus::NotRar;
    RarFormat format = RarFormat::Rar4;
    std::uint64_t headers = 0;  // blocks walked after the main header
};

// Walks the volume whose marker block starts at markerOffset (0-based) and calls onFile for
// every file header, folders and continued parts included, in file order. RAR 1.5-4.x names
// in the Unicode form are given by their part before the zero byte; '\' becomes '/'. The walk
// follows each block's own size (header size, plus the data size of blocks that carry data) and
// stops at a block that does not advance. At most 1 << 20 headers are walked.
WalkResult WalkRarVolume(const ByteReader& reader, std::uint64_t markerOffset,
                         const std::function<void(const RarFileHeader&)>& onFile);

// What a volume's main header says of its place in a set. RAR 1.5-2.x sets mark no first
// volume, so for their volumes (and any RAR 1.5-4.x volume without the mark) it is unknown.
struct VolumePlace {
    bool rar = false;  // a RAR main header was read
    RarFormat format = RarFormat::Rar4;
    bool volume = false;  // a volume of a set
    bool known = false;   // whether `first` is known
    bool first = false;   // the set's first volume
};

// Reads the main header behind the marker at markerOffset; never throws.
VolumePlace ReadVolumePlace(const ByteReader& reader, std::uint64_t markerOffset);

// The attribute the entry stands for: for Unix-made entries 0x10 (folder) when the mode says
// folder (bit 0x4000) and 0x20 (archive) otherwise; for other hosts the stored value.
std::uint32_t EffectiveAttribute(std::uint32_t hostOs, std::uint32_t attributes);

// A folder entry: the folder flags (0xE0) or the folder attribute.
bool IsFolderEntry(std::uint32_t flags, std::uint32_t hostOs, std::uint32_t attributes);

}  // namespace kiv
