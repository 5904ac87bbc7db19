// Streams: exact reads and writes, copying, positions past the end, files and their errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/file_stream.h"
#include "framework/memory_stream.h"
#include "tests/support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

class StreamTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return m_temp / name; }

    test::TempFolder m_temp;
};

std::string Text(const TMemoryStream& stream) {
    auto bytes = stream.Bytes();
    return {bytes.begin(), bytes.end()};
}

TEST_F(StreamTest, ReadBufferFailsOnShortSourceWithFrameworkMessage) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char out[4] = {};
    try {
        stream.ReadBuffer(out, 3);
        FAIL() << "a short read must raise";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    EXPECT_EQ(stream.Position(), 3) << "the bytes that were there were consumed";
}

TEST_F(StreamTest, WritingPastTheEndFillsTheGapWithZeros) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    stream.SetPosition(5);
    EXPECT_EQ(stream.Size(), 2) << "seeking alone does not grow the stream";
    char buf[1];
    EXPECT_EQ(stream.Read(buf, 1), 0);
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(Text(stream), std::string("ab\0\0\0z", 6));
}

TEST_F(StreamTest, AbsurdPositionsAndSizesAreClearErrors) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(stream.Seek(kMax, SeekOrigin::soCurrent), kMax) << "the sum saturates";
    EXPECT_THROW(stream.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(stream.Seek(-kMax, SeekOrigin::soEnd), 0);
    EXPECT_EQ(Text(stream), "ab") << "failed writes change nothing";
}

TEST_F(StreamTest, SetSizeTruncatesAndPullsThePositionBack) {
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(Text(stream), "ab");
}

TEST_F(StreamTest, CopyFromWithZeroCountCopiesWholeSourceFromItsStart) {
    TMemoryStream source, dest;
    source.WriteBuffer("hello", 5);  // position now at the end
    dest.WriteBuffer(">", 1);
    EXPECT_EQ(dest.CopyFrom(source, 0), 5);
    EXPECT_EQ(Text(dest), ">hello");
}

TEST_F(StreamTest, CopyFromACountCopiesFromTheCurrentPosition) {
    TMemoryStream source, dest;
    source.WriteBuffer("hello", 5);
    source.SetPosition(1);
    EXPECT_EQ(dest.CopyFrom(source, 3), 3);
    EXPECT_EQ(Text(dest), "ell");
    EXPECT_THROW(dest.CopyFrom(source, 5), EReadError) << "only one byte is left";
}

TEST_F(StreamTest, LargeCopyCrossesTheChunkSize) {
    std::vector<std::uint8_t> data(200 * 1024 + 17);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    TMemoryStream source, dest;
    source.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    dest.CopyFrom(source, 0);
    ASSERT_EQ(dest.Size(), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), dest.Bytes().begin()));
}

TEST_F(StreamTest, FileRoundTripThroughMemoryStream) {
    TMemoryStream out;
    out.WriteBuffer("line one\n\0binary", 16);
    out.SaveToFile(PathOf("f.bin"));
    TMemoryStream in;
    in.LoadFromFile(PathOf("f.bin"));
    EXPECT_EQ(in.Position(), 0);
    EXPECT_EQ(Text(in), Text(out));
}

TEST_F(StreamTest, CreateOverwritesAndOpenReadSeesTheNewSize) {
    {
        TFileStream f(PathOf("x"), fmCreate);
        f.WriteBuffer("0123456789", 10);
    }
    {
        TFileStream f(PathOf("x"), fmCreate);
        f.WriteBuffer("ab", 2);
    }
    TFileStream f(PathOf("x"), fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 2);
    f.Seek(-1, SeekOrigin::soEnd);
    char c = 0;
    f.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'b');
}

TEST_F(StreamTest, FileErrorsNameThePath) {
    const std::string missing = PathOf("no/such/dir/file");
    try {
        TFileStream f(missing, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + missing);
    }
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    TMemoryStream m;
    EXPECT_THROW(m.SaveToFile(missing), EFCreateError);
    EXPECT_THROW(m.LoadFromFile(missing), EFOpenError);
}

TEST_F(StreamTest, WriteToReadOnlyFileStreamFails) {
    { TFileStream f(PathOf("ro"), fmCreate); }
    TFileStream f(PathOf("ro"), fmOpenRead);
    try {
        f.WriteBuffer("x", 1);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST_F(StreamTest, WriteToFullDeviceFails) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    TFileStream f("/dev/full", fmOpenWrite);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
}

struct FormatRow {
    const char* name;
    std::string got;
    std::string want;
};

class FormatMessageTest : public ::testing::TestWithParam<FormatRow> {};

TEST_P(FormatMessageTest, ReplacesConversionsInOrder) {
    EXPECT_EQ(GetParam().got, GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatMessageTest,
    ::testing::Values(
        FormatRow{"TwoStrings",
                  FormatMessage("Cannot assign a %s to a %s", "TFileItem", "TFileItem"),
                  "Cannot assign a TFileItem to a TFileItem"},
        FormatRow{"Number", FormatMessage("List index out of bounds (%d)", 7),
                  "List index out of bounds (7)"},
        FormatRow{"LiteralPercent", FormatMessage("100%% of %s", "x"), "100% of x"},
        FormatRow{"MissingArgumentDropsConversion", FormatMessage("a %s b %s", "1"), "a 1 b "},
        FormatRow{"SurplusArgumentDropped", FormatMessage("plain", 5), "plain"},
        FormatRow{"TrailingPercentKept", FormatMessage("50%"), "50%"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kiv
