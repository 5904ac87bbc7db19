// TCompressStream: the framed form, stream positions, every input size, and damaged forms.
#include "packfiles/compress_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "framework/exception.h"
#include "framework/memory_stream.h"
#include "packfiles/packer_error.h"
#include "tests/packfiles/test_data.h"

namespace kiv {
namespace {

using test::Bytes;
using test::Hex;
using test::Text;

Bytes Contents(const TMemoryStream& stream) {
    return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

void Fill(TMemoryStream& stream, const Bytes& bytes) {
    stream.SetSize(0);
    stream.SetPosition(0);
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
}

Bytes Compress(const Bytes& input) {
    TMemoryStream source, dest;
    Fill(source, input);
    TCompressStream codec;
    codec.CompressStream(source, dest, static_cast<std::int64_t>(input.size()));
    return Contents(dest);
}

Bytes Decompress(const Bytes& form) {
    TMemoryStream source, dest;
    Fill(source, form);
    TCompressStream codec;
    codec.DecompressStream(source, dest);
    return Contents(dest);
}

struct FormCase {
    const char* name;
    Bytes input;
    Bytes form;
};

class CompressedFormTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(CompressedFormTest, WritesExactFormAndReadsItBack) {
    EXPECT_EQ(Compress(GetParam().input), GetParam().form);
    EXPECT_EQ(Decompress(GetParam().form), GetParam().input);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CompressedFormTest,
    ::testing::Values(
        FormCase{"Empty", Bytes{}, Hex("5A 50 4B 00 00 00 00")},
        FormCase{"Abc", Text("abc"), Hex("5A 50 4B 08 00 00 00 04 00 00 00 80 61 62 63")},
        FormCase{"TwentyA", Bytes(20, 'a'),
                 Hex("5A 50 4B 0B 00 00 00 07 00 00 00 40 80 00 00 00 04 61")},
        FormCase{"AbcSixTimes", Text("abcabcabcabcabcabc"),
                 Hex("5A 50 4B 0C 00 00 00 08 00 00 00 40 10 00 61 62 63 00 3C")},
        FormCase{"EightLettersTwice", Text("abcdefghabcdefgh"),
                 Hex("5A 50 4B 11 00 00 00 0D 00 00 00 40 00 80 61 62 63 64 65 66 67 68 00 85")}),
    [](const auto& info) { return std::string(info.param.name); });

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

TEST(CompressStream, RandomFullChunkIsOneStoredBlockOf32784) {
    const Bytes input = test::Random(TLZR::MaxChunk, 11);
    const Bytes form = Compress(input);
    ASSERT_EQ(form.size(), 7 + 4 + TLZR::MaxBlock);
    EXPECT_EQ(Le32(form, 3), 4 + TLZR::MaxBlock);
    EXPECT_EQ(Le32(form, 7), TLZR::MaxBlock);
    EXPECT_EQ(form[11], TLZR::StoredType);
}

TEST(CompressStream, OneByteOverAChunkMakesSecondBlockOfOneByte) {
    const Bytes input = test::Mixed(TLZR::MaxChunk + 1, 5);
    const Bytes form = Compress(input);
    const std::uint32_t first = Le32(form, 7);
    const std::size_t second = 11 + first;
    ASSERT_EQ(form.size(), second + 4 + 2);
    EXPECT_EQ(Le32(form, second), 2u);
    EXPECT_EQ(form[second + 4], TLZR::StoredType);
    EXPECT_EQ(form[second + 5], input.back());
    EXPECT_EQ(Le32(form, 3), form.size() - 7);
    EXPECT_EQ(Decompress(form), input);
}

TEST(CompressStream, RoundTripsEverySizeUpTo100000) {
    // Every size goes through the whole form and back. Blocks are coded independently, so the
    // chunks before the last are byte runs that code quickly, and the last block - every length
    // from 0 to a full chunk, behind 0 to 3 full chunks - carries noise first (stored blocks),
    // then text, repeats and runs (coded blocks of every item kind).
    constexpr std::size_t kMax = 100000;
    const Bytes tail = test::Concat({test::Random(1500, 77), test::Mixed(TLZR::MaxChunk, 78)});
    TMemoryStream sources[4];
    for (std::size_t k = 0; k < 4; ++k) {
        Bytes data;
        for (std::size_t c = 0; c < k; ++c) data.insert(data.end(), TLZR::MaxChunk, 'a' + c);
        data.insert(data.end(), tail.begin(), tail.begin() + TLZR::MaxChunk);
        Fill(sources[k], data);
    }
    TMemoryStream packed, unpacked;
    TCompressStream codec;
    std::size_t stored = 0, coded = 0;
    for (std::size_t n = 0; n <= kMax; ++n) {
        const std::size_t fullChunks = n / TLZR::MaxChunk;
        TMemoryStream& source = sources[fullChunks];
        source.SetPosition(0);
        packed.SetPosition(0);
        codec.CompressStream(source, packed, static_cast<std::int64_t>(n));
        const std::int64_t formSize = packed.Position();
        packed.SetSize(formSize);
        packed.SetPosition(0);
        unpacked.SetPosition(0);
        codec.DecompressStream(packed, unpacked);
        ASSERT_EQ(packed.Position(), formSize) << "size " << n;
        ASSERT_EQ(unpacked.Position(), static_cast<std::int64_t>(n)) << "size " << n;
        ASSERT_EQ(0, n == 0 ? 0 : std::memcmp(unpacked.Memory(), source.Memory(), n))
            << "size " << n;
        if (n % TLZR::MaxChunk != 0) {
            const std::uint8_t* last = packed.Memory() + 7 + fullChunks * (4 + 3 + 9 * 4);
            (last[4] == TLZR::StoredType ? stored : coded)++;
        }
    }
    EXPECT_GT(stored, 3000u) << "stored last blocks must occur";
    EXPECT_GT(coded, 50000u) << "coded last blocks must occur";
}

TEST(CompressStream, WritesAtDestPositionAndLeavesDestAfterTheForm) {
    TMemoryStream source, dest;
    Fill(source, Bytes(20, 'a'));
    dest.WriteBuffer("head", 4);
    dest.WriteBuffer("tail-bytes", 10);
    dest.SetPosition(4);
    TCompressStream().CompressStream(source, dest, 20);
    EXPECT_EQ(dest.Position(), 4 + 18);
    EXPECT_EQ(Contents(dest),
              Hex("68 65 61 64 5A 50 4B 0B 00 00 00 07 00 00 00 40 80 00 00 00 04 61"));
}

TEST(CompressStream, CompressesOnlyCountBytesFromSourcePosition) {
    TMemoryStream source, dest;
    Fill(source, Text("xxabcyy"));
    source.SetPosition(2);
    TCompressStream().CompressStream(source, dest, 3);
    EXPECT_EQ(Contents(dest), Hex("5A 50 4B 08 00 00 00 04 00 00 00 80 61 62 63"));
    EXPECT_EQ(source.Position(), 5);
}

TEST(CompressStream, ShortSourceRaisesReadErrorInsteadOfLooping) {
    TMemoryStream source, dest;
    Fill(source, Text("abc"));
    EXPECT_THROW(TCompressStream().CompressStream(source, dest, 10), EReadError);
}

TEST(CompressStream, RefusesCountWhoseTotalCannotBeRecorded) {
    TMemoryStream source, dest;
    Fill(source, Text("abc"));
    try {
        TCompressStream().CompressStream(source, dest, std::int64_t{3} << 30);
        FAIL() << "a total past 2^31 - 1 must be refused";
    } catch (const EPackerError& e) {
        EXPECT_NE(e.Message().find("3221225472"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(dest.Size(), 0) << "refused before anything is written";
    EXPECT_EQ(source.Position(), 0);
}

TEST(CompressStream, RefusesTheLargestCountsWithoutOverflow) {
    for (const std::int64_t count :
         {std::numeric_limits<std::int64_t>::max(),
          std::numeric_limits<std::int64_t>::max() - std::int64_t{TLZR::MaxChunk}}) {
        TMemoryStream source, dest;
        Fill(source, Text("abc"));
        EXPECT_THROW(TCompressStream().CompressStream(source, dest, count), EPackerError) << count;
        EXPECT_EQ(dest.Size(), 0) << count;
    }
}

TEST(DecompressStream, ReadsOneFormAndAppendsAtDestPosition) {
    const Bytes form = Compress(Text("abcabcabcabcabcabc"));
    TMemoryStream source, dest;
    Bytes framed = Text("..");
    framed.insert(framed.end(), form.begin(), form.end());
    framed.push_back('!');
    Fill(source, framed);
    source.SetPosition(2);
    dest.WriteBuffer("AB", 2);
    TCompressStream().DecompressStream(source, dest);
    EXPECT_EQ(source.Position(), static_cast<std::int64_t>(2 + form.size()));
    EXPECT_EQ(Contents(dest), Text("ABabcabcabcabcabcabc"));
}

TEST(DecompressStream, SignatureIsNotJudged) {
    Bytes form = Compress(Text("abc"));
    form[0] = 'Q';
    EXPECT_EQ(Decompress(form), Text("abc"));
}

TEST(DecompressStream, KeepsBlocksDecodedBeforeTheDamage) {
    const Bytes input = test::Mixed(TLZR::MaxChunk + 500, 9);
    Bytes form = Compress(input);
    form.resize(form.size() - 1);
    TMemoryStream source, dest;
    Fill(source, form);
    EXPECT_THROW(TCompressStream().DecompressStream(source, dest), EPackerError);
    ASSERT_EQ(dest.Size(), static_cast<std::int64_t>(TLZR::MaxChunk));
    EXPECT_EQ(0, std::memcmp(dest.Memory(), input.data(), TLZR::MaxChunk));
}

struct DamagedFormCase {
    const char* name;
    Bytes form;
    const char* message;
};

class DamagedFormTest : public ::testing::TestWithParam<DamagedFormCase> {};

TEST_P(DamagedFormTest, RejectsWithReason) {
    try {
        Decompress(GetParam().form);
        FAIL() << "a damaged form must be rejected";
    } catch (const EPackerError& e) {
        EXPECT_NE(e.Message().find(GetParam().message), std::string::npos) << e.Message();
    }
}

Bytes WithBlock(std::uint32_t total, std::uint32_t size, const Bytes& block) {
    Bytes out = Hex("5A 50 4B");
    for (std::uint32_t v : {total, size}) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, DamagedFormTest,
    ::testing::Values(
        DamagedFormCase{"BlockSizeAbove32784", WithBlock(40000, 32785, Bytes(32785, 0x80)),
                        "block size 32785 exceeds 32784"},
        DamagedFormCase{"HugeBlockSize", WithBlock(100, 0xFFFFFFF0u, Bytes(8, 0)),
                        "block size 4294967280 exceeds"},
        DamagedFormCase{"NegativeTotal", Hex("5A 50 4B FF FF FF FF"), "negative total -1"},
        DamagedFormCase{"TruncatedHeader", Hex("5A 50 4B 08 00"),
                        "truncated: the header needs 7 bytes, only 5 left"},
        DamagedFormCase{"TruncatedBlockSize", Hex("5A 50 4B 08 00 00 00 04 00"),
                        "truncated: a block size needs 4 bytes, only 2 left"},
        DamagedFormCase{"TruncatedBlock", WithBlock(12, 8, Text("@ab")),
                        "truncated: a block needs 8 bytes, only 3 left"},
        DamagedFormCase{"BlockPassesTotal", WithBlock(6, 4, Hex("80 61 62 63")),
                        "block of 4 bytes passes the total, 6 bytes left"},
        DamagedFormCase{"ReferenceBeforeStart", WithBlock(9, 5, Hex("40 80 00 00 10")),
                        "reaches before the start of the block"},
        DamagedFormCase{
            "RunPastBlockOutput",
            WithBlock(39, 35, test::Concat({Hex("40 FF 00"), test::Repeat(Hex("00 0F FF 61"), 8)})),
            "run of 4111 bytes at output offset 28777 passes the end of the 32783-byte output"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv
