// Fuzzer of the format core's readers: the first byte scripts a run of field reads over the rest,
// checking that no read leaves the bytes, that a failed read takes nothing, and that the layout
// readers and the positioned memory reads stay inside their bounds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formatcore/byte_source.h"
#include "formatcore/field_cursor.h"
#include "formatcore/rar4_layout.h"
#include "formatcore/rar5_layout.h"
#include "formatcore/vint.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// One read chosen by op; false when it failed.
bool ReadOne(kiv::format::FieldCursor& c, unsigned op) {
    switch (op % 7) {
        case 0:
            return c.U8().has_value();
        case 1:
            return c.U16().has_value();
        case 2:
            return c.U32().has_value();
        case 3:
            return c.U64().has_value();
        case 4:
            return c.Vint().has_value();
        case 5: {
            const auto n = c.Vint();
            return n && c.Bytes(*n).has_value();
        }
        default:
            return kiv::format::rar5::ReadBlockHead(c) && kiv::format::rar5::ReadFileFields(c);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned script = data[0];
    const std::uint8_t* bytes = data + 1;
    const std::size_t n = size - 1;

    kiv::format::FieldCursor c(bytes, n);
    for (unsigned step = 0; step < 16; ++step) {
        const std::size_t before = c.Position();
        const unsigned op = (script >> (step % 8)) + step;
        if (!ReadOne(c, op) && op % 7 < 5) Check(c.Position() == before);
        Check(c.Position() <= n && c.Position() + c.Left() == n);
    }

    const kiv::format::Vint v = kiv::format::DecodeVint(bytes, n);
    Check(v.Ok() ? v.length >= 1 && v.length <= kiv::format::kMaxVintLength && v.length <= n
                 : v.length == 0);
    const kiv::format::Vint hs = kiv::format::rar5::ReadHeaderSize(bytes, n);
    Check(!hs.Ok() || (hs.value > 0 && hs.value < (1u << 21) && hs.length <= 3));
    if (const auto f = kiv::format::rar4::ReadFileFields(bytes, n)) {
        Check(f->nameAt <= n);
    }

    const kiv::format::MemorySource source(bytes, n);
    std::string buffer(64, '\0');
    const std::uint64_t offset = script * 3;
    const std::size_t got = source.ReadAt(offset, buffer.data(), buffer.size());
    Check(got <= buffer.size() &&
          (offset >= n ? got == 0 : got == std::min(buffer.size(), n - offset)));
    return 0;
}
