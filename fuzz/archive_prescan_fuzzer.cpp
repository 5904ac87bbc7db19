// Fuzzer of the pre-scan: walks arbitrary bytes as a RAR volume from offset 0 and from where the
// type detection finds a signature, checking that every header found lies inside the input, and
// reads the volume's place in its set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "archive/arc_detect.h"
#include "archive/rar_prescan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kiv::MemoryReader reader(bytes);
    const auto check = [&](const kiv::RarFileHeader& h) {
        if (h.headerPosition >= size) std::abort();
        if (h.name.size() > size) std::abort();
        (void)kiv::IsFolderEntry(h.flags, h.hostOs, h.attributes);
    };
    kiv::WalkRarVolume(reader, 0, check);
    const kiv::VolumePlace place = kiv::ReadVolumePlace(reader, 0);
    if (!place.rar && (place.volume || place.known)) std::abort();
    const kiv::DetectedArchive detected = kiv::DetectArchive(reader);
    if (detected.signatureOffset < 1) std::abort();
    if (detected.type == kiv::TArcType::atRar || detected.type == kiv::TArcType::atRarExe) {
        kiv::WalkRarVolume(reader, static_cast<std::uint64_t>(detected.signatureOffset - 1), check);
    }
    return 0;
}
