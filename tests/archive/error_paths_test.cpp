// How failures travel through TUnRAR against the scripted fake library: through the end of a
// run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

int Occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class ErrorPaths : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        m_engine = std::make_unique<EngineScope>(KIV_FAKE_UNRAR);
        ASSERT_TRUE(LibraryLoaded()) << RarLibraryError();
        m_fake = std::make_unique<FakeLibrary>(KIV_FAKE_UNRAR);
    }
    void TearDown() override {
        m_fake.reset();
        m_engine.reset();
        ArchiveTest::TearDown();
    }

    // A real archive of one-byte entries for the detection and the pre-scan; the fake library
    // answers the rest from its script.
    std::string Archive(const std::vector<std::string>& names,
                        const std::string& file = "set.rar") {
        std::vector<fx::FixtureEntry> entries;
        for (const std::string& n : names) entries.push_back(FileEntry(n, "x"));
        return fx::WriteRarArchive(Path(file), entries, {}).front();
    }

    // The scripted run's password prompts answer "secret" and are counted.
    std::unique_ptr<TUnRAR> Extractor(const std::string& archive, const std::string& script) {
        m_fake->Script(script);
        auto rar = MainWindowExtractor(archive, Path("out"));
        rar->SetOnGetPassword([this](TObject*, const std::string&, std::string& password, bool&) {
            ++m_passwordsAsked;
            password = "secret";
        });
        return rar;
    }

    std::unique_ptr<EngineScope> m_engine;
    std::unique_ptr<FakeLibrary> m_fake;
    int m_passwordsAsked = 0;
};

struct RunEndRow {
    const char* label;
    std::vector<std::string> failing;  // the handlers that throw
    std::vector<std::string> frame;    // OnActivate, OnElapsedTime, OnDeactivate as raised
    std::string escapes;               // the message of the error leaving Extract, if any
};

class RunEnd : public ErrorPaths, public ::testing::WithParamInterface<RunEndRow> {};

TEST_P(RunEnd, RaisesTheClosingEventsAndRestoresArchiveFile) {
    const std::string archive = Archive({"a"});
    auto rar = Extractor(archive, "entry name=a size=2 chunks=1,1\n");
    TUnRAR* self = rar.get();
    std::vector<std::string> frame;
    const auto handler = [&](const std::string& name) {
        frame.push_back(name);
        const auto& failing = GetParam().failing;
        if (std::find(failing.begin(), failing.end(), name) != failing.end()) {
            throw Exception(name + " failed");
        }
    };
    rar->SetOnActivate([&](TObject*) {
        // A handler may point ArchiveFile elsewhere; the run still ends on its own archive.
        self->SetArchiveFile(Path("elsewhere.rar"));
        handler("activate");
    });
    rar->SetOnElapsedTime([&](TObject*, float) { handler("elapsed"); });
    rar->SetOnDeactivate([&](TObject*) { handler("deactivate"); });
    rar->SetOnProgress([&](TObject*, std::uint8_t byFile, std::uint8_t) {
        if (byFile > 0) handler("progress");
    });

    std::string escaped;
    try {
        rar->Extract();
    } catch (const Exception& e) {
        escaped = e.Message();
    }

    EXPECT_EQ(escaped, GetParam().escapes);
    std::erase(frame, "progress");
    EXPECT_EQ(frame, GetParam().frame);
    EXPECT_EQ(rar->ArchiveFile(), archive);
    const std::string calls = m_fake->Log();
    EXPECT_EQ(Occurrences(calls, "open "), Occurrences(calls, "close\n")) << calls;
}

const std::vector<std::string> kWholeFrame{"activate", "elapsed", "deactivate"};

INSTANTIATE_TEST_SUITE_P(
    Rows, RunEnd,
    ::testing::Values(
        RunEndRow{"Success", {}, kWholeFrame, ""},
        // The format step keeps its failures inside.
        RunEndRow{"FormatStepFails", {"progress"}, kWholeFrame, ""},
        RunEndRow{"ActivateFails", {"activate"}, {"activate", "deactivate"}, "activate failed"},
        RunEndRow{"ElapsedTimeFails", {"elapsed"}, kWholeFrame, "elapsed failed"},
        RunEndRow{"DeactivateFails", {"deactivate"}, kWholeFrame, "deactivate failed"},
        // The first failure is the one that leaves; a later one does not hide it.
        RunEndRow{"ActivateAndDeactivateFail",
                  {"activate", "deactivate"},
                  {"activate", "deactivate"},
                  "activate failed"},
        RunEndRow{"ElapsedTimeAndDeactivateFail",
                  {"elapsed", "deactivate"},
                  kWholeFrame,
                  "elapsed failed"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ErrorPaths, AFailedCheckRaisesNoClosingEventsAndRestoresArchiveFile) {
    auto rar = MainWindowExtractor(Path("missing.rar"), Path("out"));
    TUnRAR* self = rar.get();
    std::vector<std::string> frame;
    rar->SetOnActivate([&](TObject*) { frame.push_back("activate"); });
    rar->SetOnDeactivate([&](TObject*) { frame.push_back("deactivate"); });
    rar->SetOnError([&](TObject*, const std::string&, const std::string&, const std::string&, int) {
        self->SetArchiveFile(Path("elsewhere.rar"));
    });
    EXPECT_THROW(rar->Extract(), E_RAISE);
    EXPECT_TRUE(frame.empty());
    EXPECT_EQ(rar->ArchiveFile(), Path("missing.rar"));
}

}  // namespace
}  // namespace kiv::test
