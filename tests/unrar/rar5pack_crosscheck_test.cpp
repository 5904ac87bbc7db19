// What rar5pack's compressor and stream writer make, unar extracts to the bytes our tests
// expect: keeps the writer, the filter encoders and the model honest, so that the decoder tests
// built on them check the format rather than our reading of it. Our decoder gives the same.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/shell.h"
#include "tests/unrar/rar5_streams.h"
#include "tests/unrar/support.h"
#include "tools/rar5pack/rar5_compressor.h"
#include "unrar/rar5_decoder.h"

namespace kiv::test {
namespace {

using rar5pack::PackedEntry;
using rar5pack::Rar5StreamWriter;
using rar5pack::Rar5Tables;

// Code-like bytes: calls and jumps (E8, E9) with near, negative and far targets, and ARM
// branch-and-link words.
std::string X86Like(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        if (rng() % 5 == 0) {
            s.push_back(static_cast<char>(rng() % 2 ? 0xE8 : 0xE9));
            const int32_t target = rng() % 7 == 0 ? static_cast<int32_t>(rng())
                                                  : static_cast<int32_t>(rng() % 100000) - 50000;
            for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>(target >> (8 * k)));
        } else {
            s.push_back(static_cast<char>(rng()));
        }
    }
    s.resize(n);
    return s;
}

std::string ArmLike(size_t words, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    for (size_t i = 0; i < words; ++i) {
        const uint32_t word = rng();
        for (int k = 0; k < 3; ++k) s.push_back(static_cast<char>(word >> (8 * k)));
        s.push_back(static_cast<char>(i % 3 ? word >> 24 : 0xEB));
    }
    return s;
}

// A stream with each filter: a plain run, then filtered stretches spread over two blocks.
PackedEntry FilterEntry(std::string* plain) {
    const Rar5Tables flat = Rar5Tables::Flat();
    Rar5StreamWriter w;
    w.BeginBlock(&flat);
    std::string out = "plain start ";
    for (char c : out) w.Literal(static_cast<uint8_t>(c));
    auto filtered = [&](unsigned type, const std::string& data, const std::string& stored,
                        unsigned channels) {
        w.Filter(type, 0, static_cast<uint32_t>(data.size()), channels);
        for (size_t i = 0; i < stored.size(); ++i) {
            if (i == stored.size() / 2) {  // the stretch goes on in the next block
                w.EndBlock(false);
                w.BeginBlock(i % 2 ? nullptr : &flat);
            }
            w.Literal(static_cast<uint8_t>(stored[i]));
        }
        out += data;
    };
    const std::string e8e9 = X86Like(5000, 1);
    filtered(2, e8e9, X86Encode(e8e9, out.size(), true), 1);
    const std::string e8 = X86Like(3000, 2);
    filtered(1, e8, X86Encode(e8, out.size(), false), 1);
    const std::string arm = ArmLike(700, 3);
    filtered(3, arm, ArmEncode(arm, out.size()), 1);
    const std::string samples = Pattern(6000, 4);
    filtered(0, samples, DeltaEncode(samples, 3), 3);
    w.Literal('.');
    out += '.';
    w.EndBlock(true);
    *plain = out;
    PackedEntry e;
    e.name = "filters.bin";
    e.packed = w.Stream();
    e.unpSize = out.size();
    e.crc = Crc32(out);
    e.dictionary = 128 * 1024;
    return e;
}

std::string Text(size_t lines) {
    std::string text;
    for (size_t i = 0; i < lines; ++i) {
        text += "line " + std::to_string(i * 31 % 977) + ": the quick brown fox, again\n";
    }
    return text;
}

class Rar5PackCrossCheck : public TempFolderTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Rar5PackCrossCheck, UnarAndOurDecoderExtractWhatWasPacked) {
    if (!HasCommand("unar")) GTEST_SKIP() << "unar is not installed";
    const bool solid = GetParam();
    const std::vector<std::pair<std::string, std::string>> files = {
        {"text.txt", Text(20000)},
        {"pattern.bin", Pattern(300000, 9)},
        {"code.bin", X86Like(200000, 5) + Text(3000)}};
    // unar decodes wrongly with the smaller dictionaries once a stream makes far more output
    // than input (it holds only the declared dictionary while decoding ahead), so 1 MiB.
    rar5pack::CompressOptions options;
    options.dictionary = 1024 * 1024;
    rar5pack::Rar5Compressor shared(options);
    std::vector<PackedEntry> entries;
    std::vector<std::string> plain;
    for (const auto& [name, data] : files) {
        rar5pack::Rar5Compressor own(options);
        PackedEntry e;
        e.name = name;
        e.packed = (solid ? shared : own).CompressEntry(data);
        e.unpSize = data.size();
        e.crc = Crc32(data);
        e.solid = solid && !entries.empty();
        e.dictionary = options.dictionary;
        entries.push_back(e);
        plain.push_back(data);
    }
    if (!solid) {
        plain.emplace_back();
        entries.push_back(FilterEntry(&plain.back()));
    }
    const std::string archive = Path("packed.rar");
    WriteFile(archive, rar5pack::WriteRar5Archive(entries, solid));
    const std::string out = Path("unar-out");
    const std::string command =
        "unar -q -f -D -o " + ShellQuote(out) + " " + ShellQuote(archive) + " >/dev/null 2>&1";
    ASSERT_EQ(RunShell(command), 0) << command;
    rar::Rar5Decoder decoder;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(SameBytes(ReadFile(out + "/" + entries[i].name), plain[i])) << entries[i].name;
        const auto p = Rar5Params(entries[i].unpSize, entries[i].dictionary, entries[i].solid);
        EXPECT_TRUE(SameBytes(Rar5Decode(decoder, entries[i].packed, p), plain[i]))
            << entries[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, Rar5PackCrossCheck, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Solid" : "Plain"; });

}  // namespace
}  // namespace kiv::test
