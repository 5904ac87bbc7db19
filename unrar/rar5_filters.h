// The filters of RAR 5.0 streams: transforms the compressor applied to stretches of the data
// before coding them (delta for tables of samples, E8/E8E9 for x86 code, ARM for ARM code), and
// that the decoder undoes on the decoded bytes before they are written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kiv::rar {

enum class Rar5FilterType : uint8_t { Delta = 0, E8 = 1, E8E9 = 2, Arm = 3 };

struct Rar5Filter {
    Rar5FilterType type = Rar5FilterType::Delta;
    uint32_t channels = 1;  // Delta only: 1..32 interleaved byte channels
    uint64_t start = 0;     // window position of the first filtered byte
    uint32_t length = 0;    // bytes filtered
};

// The longest stretch a filter may cover; longer ones are refused as damage.
constexpr uint32_t kRar5MaxFilterLength = 0x400000;

// Undoes the E8/E8E9 or ARM filter in place on `size` bytes whose first byte lies at
// `fileOffset` within the entry (the addresses are relative to it).
void UndoRar5CodeFilter(Rar5FilterType type, uint8_t* data, size_t size, uint64_t fileOffset);

// Undoes the delta filter: `in` holds the channels one after another, each as differences;
// `out` receives the interleaved bytes. size bytes each; in and out do not overlap.
void UndoRar5DeltaFilter(const uint8_t* in, uint8_t* out, size_t size, uint32_t channels);

}  // namespace kiv::rar
