// The CRC-32 of the data path against zlib's, byte for byte, and the joining of part CRCs.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "unrar/data_check.h"

namespace kiv::test {
namespace {

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

uint32_t ZlibCrc(const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(crc32_z(0, data, size));
}

TEST(Crc32, AgreesWithZlibOnEveryLengthUpTo4096AtRandomOffsets) {
    const std::vector<uint8_t> bytes = RandomBytes(4096 + 64, 1);
    std::mt19937 random(2);
    for (size_t length = 0; length <= 4096; ++length) {
        const size_t offset = random() % 64;
        ASSERT_EQ(rar::Crc32(0, bytes.data() + offset, length),
                  ZlibCrc(bytes.data() + offset, length))
            << "length " << length << " at offset " << offset;
    }
}

TEST(Crc32, ContinuesAcrossPiecesAndJoinsPartCrcs) {
    const std::vector<uint8_t> bytes = RandomBytes(1 << 20, 3);
    const uint32_t whole = ZlibCrc(bytes.data(), bytes.size());
    std::mt19937 random(4);
    for (int round = 0; round < 50; ++round) {
        const size_t cut = random() % bytes.size();
        const uint32_t first = rar::Crc32(0, bytes.data(), cut);
        EXPECT_EQ(rar::Crc32(first, bytes.data() + cut, bytes.size() - cut), whole) << cut;
        const uint32_t second = rar::Crc32(0, bytes.data() + cut, bytes.size() - cut);
        EXPECT_EQ(rar::CombineCrc32(first, second, bytes.size() - cut), whole) << cut;
    }
}

}  // namespace
}  // namespace kiv::test
