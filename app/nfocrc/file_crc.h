// CRC-32 of whole files, read in large chunks at the speed of the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace kiv::nfocrc {

// The CRC-32 (ISO-HDLC, as in .sfv lists and zip) of `size` bytes following the running value
// `crc` (0 to start). Uses the processor's carry-less multiply where it has one.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

// How reading one file ended.
struct FileCrc {
    enum class Outcome { Done, Missing, Failed, Stopped };
    Outcome outcome = Outcome::Done;
    std::uint32_t crc = 0;
    std::string error;  // Failed: what went wrong, with the system's reason
};

// The size of the chunks FileCrc32 reads: large enough that the system call costs nothing next
// to the CRC, small enough to stay in the processor's caches.
inline constexpr std::size_t kChunkSize = 1u << 20;

// Reads the regular file at `path` from start to end into `buffer` (any size above 0), adds
// every chunk to the CRC-32 and calls `onChunk` with the chunk's size. `keepGoing`, asked before
// each chunk, stops the reading early (Stopped). Missing: no file at `path`; Failed: anything
// else (not a regular file, no permission, a read error), with the reason in `error`. Anything
// but a regular file (a FIFO, a device, a folder) is refused without being opened.
FileCrc FileCrc32(const std::string& path, std::span<std::uint8_t> buffer,
                  const std::function<void(std::size_t)>& onChunk,
                  const std::function<bool()>& keepGoing);

}  // namespace kiv::nfocrc
