// The extractor's password question against our RAR library on encrypted sets of each scheme:
// a wrong answer is followed by another question on the same entry, which the right answer
// then extracts; a cancelled question names the entry and leaves nothing; archives whose
// headers are encrypted are asked for once, before the first entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;
using fx::ArchiveFormat;

constexpr char kRight[] = "open sesame";

struct Scheme {
    const char* label;
    ArchiveFormat format;
    std::uint8_t unpVer;
    int exhausted;  // the report after the last wrong answer: the data check, or a check value
};

fx::FixtureEntry Secret(const Scheme& s, const std::string& name, const std::string& data) {
    fx::FixtureEntry e = FileEntry(name, data);
    e.password = kRight;
    e.unpVer = s.unpVer;
    return e;
}

fx::FixtureOptions Options(ArchiveFormat format, std::uint64_t volumeSize = 0) {
    fx::FixtureOptions o = SetOptions(format, volumeSize);
    o.kdfLog2 = 6;
    return o;
}

class PasswordRuns : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        m_engine = std::make_unique<EngineScope>(KIV_UNRAR_LIBRARY);
        ASSERT_TRUE(LibraryLoaded()) << RarLibraryError();
    }
    void TearDown() override {
        m_engine.reset();
        ArchiveTest::TearDown();
    }

    // An extractor whose questions take the answers in order (nullptr: cancel), and record the
    // names they were asked for.
    std::unique_ptr<TUnRAR> Extractor(const std::string& first, std::vector<const char*> answers) {
        auto rar = MainWindowExtractor(first, Path("out"));
        rar->SetOnGetPassword([this, answers](TObject*, const std::string& fn,
                                              std::string& password, bool& tryAgain) {
            const std::size_t i = m_asked.size();
            m_asked.push_back(fn);
            if (i >= answers.size() || answers[i] == nullptr) {
                tryAgain = false;
            } else {
                password = answers[i];
            }
        });
        m_log.Attach(*rar);
        return rar;
    }

    std::unique_ptr<EngineScope> m_engine;
    std::vector<std::string> m_asked;
    EventLog m_log;
};

class EncryptedEntryRuns : public PasswordRuns, public ::testing::WithParamInterface<Scheme> {};

TEST_P(EncryptedEntryRuns, AWrongAnswerIsAskedAgainAndTheRightOneExtracts) {
    const Scheme& s = GetParam();
    const std::string secret = Pattern(70000, 1);
    const auto volumes = fx::WriteRarArchive(
        Path("set.rar"),
        {FileEntry("plain.txt", "in the clear"), Secret(s, "secret.bin", secret),
         Secret(s, "later.txt", "asked no more")},
        Options(s.format));
    auto rar = Extractor(volumes[0], {"wrong", kRight});
    EXPECT_EQ(rar->Extract(), 3);
    EXPECT_TRUE(m_log.errors.empty()) << m_log.errors[0].code;
    EXPECT_EQ(m_asked, (std::vector<std::string>{Path("out/secret.bin"), Path("out/secret.bin")}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/secret.bin")), secret));
    EXPECT_EQ(ReadFile(Path("out/later.txt")), "asked no more");
    EXPECT_EQ(ReadFile(Path("out/plain.txt")), "in the clear");
}

TEST_P(EncryptedEntryRuns, ACancelledQuestionNamesTheEntryAndLeavesNothing) {
    const Scheme& s = GetParam();
    const auto volumes = fx::WriteRarArchive(
        Path("set.rar"), {FileEntry("plain.txt", "in the clear"), Secret(s, "secret.bin", "x")},
        Options(s.format));
    auto rar = Extractor(volumes[0], {nullptr});
    rar->Extract();
    ASSERT_EQ(m_log.errors.size(), 1u);
    EXPECT_EQ(m_log.errors[0].code, msg::InvalidPassword);
    EXPECT_EQ(m_log.errors[0].fn, "secret.bin");
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"plain.txt"});
}

TEST_P(EncryptedEntryRuns, WrongAnswersUpToTheAttemptsLeaveNothing) {
    const Scheme& s = GetParam();
    const auto volumes = fx::WriteRarArchive(
        Path("set.rar"), {Secret(s, "secret.bin", Pattern(5000, 2))}, Options(s.format));
    auto rar = Extractor(volumes[0], {"one", "two", "three", kRight});
    rar->Extract();
    EXPECT_EQ(m_asked.size(), 3u);
    ASSERT_FALSE(m_log.errors.empty());
    EXPECT_EQ(m_log.errors.back().code, s.exhausted);
    EXPECT_EQ(ListFiles(Dir()), std::vector<std::string>{"set.rar"});
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, EncryptedEntryRuns,
    ::testing::Values(Scheme{"Rar20Cipher", ArchiveFormat::Rar4, 20, msg::CrcFailed},
                      Scheme{"Rar3Aes128", ArchiveFormat::Rar4, 29, msg::CrcFailed},
                      Scheme{"Rar5Aes256", ArchiveFormat::Rar5, 29, msg::InvalidPassword}),
    [](const auto& info) { return std::string(info.param.label); });

class EncryptedHeaderRuns : public PasswordRuns,
                            public ::testing::WithParamInterface<ArchiveFormat> {
protected:
    std::vector<std::string> WriteSet() {
        fx::FixtureOptions o = Options(GetParam(), 50 * 1024);
        o.headerPassword = kRight;
        Scheme s{"", GetParam(), 29, 0};
        return fx::WriteRarArchive(
            Path("set.rar"), {Secret(s, "a.bin", Pattern(80000, 3)), Secret(s, "dir/b.txt", "bee")},
            o);
    }
};

TEST_P(EncryptedHeaderRuns, AreAskedForOnceForTheWholeSet) {
    const auto volumes = WriteSet();
    ASSERT_GT(volumes.size(), 1u);
    auto rar = Extractor(volumes[0], {"wrong", kRight});
    EXPECT_EQ(rar->Extract(), 2);
    EXPECT_TRUE(m_log.errors.empty()) << m_log.errors[0].code;
    EXPECT_EQ(m_asked, (std::vector<std::string>{volumes[0], volumes[0]}));
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/a.bin")), Pattern(80000, 3)));
    EXPECT_EQ(ReadFile(Path("out/dir/b.txt")), "bee");
}

TEST_P(EncryptedHeaderRuns, ACancelledQuestionIsAnInvalidPasswordForTheArchive) {
    const auto volumes = WriteSet();
    auto rar = Extractor(volumes[0], {nullptr});
    EXPECT_EQ(rar->Extract(), 0);
    ASSERT_EQ(m_log.errors.size(), 1u);
    EXPECT_EQ(m_log.errors[0].code, msg::InvalidPassword);
    EXPECT_EQ(m_log.errors[0].fn, "set.part1.rar");
    EXPECT_FALSE(Exists(Path("out/a.bin")));
}

INSTANTIATE_TEST_SUITE_P(Formats, EncryptedHeaderRuns,
                         ::testing::Values(ArchiveFormat::Rar4, ArchiveFormat::Rar5),
                         [](const auto& info) {
                             return std::string(info.param == ArchiveFormat::Rar4 ? "Rar4"
                                                                                  : "Rar5");
                         });

}  // namespace
}  // namespace kiv::test
