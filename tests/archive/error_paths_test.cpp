// How failures travel through TUnRAR against the scripted fake library: out of the password
// flow without turning into a password failure, and through the end of a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

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

// A failure of a user's handler, told apart from the engine's own errors.
struct HandlerFailure : std::runtime_error {
    HandlerFailure() : std::runtime_error("handler failed") {}
};

enum class Handler { GetPassword, Begin, Progress, End };

struct HandlerRow {
    const char* label;
    Handler failing;
};

void PrintTo(const HandlerRow& row, std::ostream* os) {
    *os << row.label;
}

class HandlerFailuresInThePasswordFlow : public ErrorPaths,
                                         public ::testing::WithParamInterface<HandlerRow> {};

TEST_P(HandlerFailuresInThePasswordFlow, EndTheRunAsThemselvesNotAsAPasswordFailure) {
    auto rar = Extractor(Archive({"a", "b"}),
                         "entry name=a size=2 flags=4 chunks=1,1\nentry name=b size=1 chunks=1\n");
    EventLog log;
    log.Attach(*rar);
    const Handler failing = GetParam().failing;
    rar->SetOnGetPassword([&](TObject*, const std::string&, std::string& password, bool&) {
        ++m_passwordsAsked;
        if (failing == Handler::GetPassword) throw HandlerFailure();
        password = "secret";
    });
    rar->SetOnBegin([&](TObject*, const std::string&, int, bool&) {
        if (failing == Handler::Begin) throw HandlerFailure();
    });
    rar->SetOnProgress([&](TObject*, std::uint8_t byFile, std::uint8_t) {
        if (failing == Handler::Progress && byFile > 0) throw HandlerFailure();
    });
    rar->SetOnEnd([&](TObject*, const std::string&, bool) {
        if (failing == Handler::End) throw HandlerFailure();
    });

    EXPECT_NO_THROW(rar->Extract());

    EXPECT_TRUE(log.errors.empty()) << log.errors.front().code;
    EXPECT_EQ(rar->FileSpec()->Count(), 1);  // a password failure would have cleared it
    EXPECT_EQ(m_passwordsAsked, 1);
    const std::string calls = m_fake->Log();
    EXPECT_FALSE(Contains(calls, "read b")) << calls;
    EXPECT_TRUE(calls.ends_with("close\n")) << calls;
    EXPECT_EQ(log.lines.back(), "deactivate");
}

INSTANTIATE_TEST_SUITE_P(Rows, HandlerFailuresInThePasswordFlow,
                         ::testing::Values(HandlerRow{"OnGetPassword", Handler::GetPassword},
                                           HandlerRow{"OnBegin", Handler::Begin},
                                           HandlerRow{"OnProgress", Handler::Progress},
                                           HandlerRow{"OnEnd", Handler::End}),
                         [](const auto& info) { return std::string(info.param.label); });

enum class EntryFailure { DamagedNextVolume, VolumeRefused, VolumeAbove999, StopRequest };

struct EntryFailureRow {
    const char* label;
    EntryFailure failure;
    std::vector<int> reported;
};

void PrintTo(const EntryFailureRow& row, std::ostream* os) {
    *os << row.label;
}

class EncryptedEntryFailures : public ErrorPaths,
                               public ::testing::WithParamInterface<EntryFailureRow> {};

TEST_P(EncryptedEntryFailures, AreNotTakenForAWrongPassword) {
    const EntryFailure failure = GetParam().failure;
    const std::string first = failure == EntryFailure::VolumeAbove999 ? "set.r999" : "set.rar";
    const std::string next = Path(failure == EntryFailure::VolumeAbove999 ? "set.s00" : "set.r00");
    if (failure == EntryFailure::DamagedNextVolume) {
        WriteFile(next, std::string("Rar!\x1A\x07\x00", 7) + "short");
    } else {
        WriteFile(next, "exists");
    }
    auto rar = Extractor(Archive({"a", "b"}, first),
                         "entry name=a size=2 flags=4 chunks=1,1 volat=1 mode=1 volume=" + next +
                             "\nentry name=b size=1 chunks=1\n");
    EventLog log;
    log.refuseVolumes = failure == EntryFailure::VolumeRefused;
    log.Attach(*rar);
    if (failure == EntryFailure::StopRequest) {
        TUnRAR* self = rar.get();
        rar->SetOnProgress([self](TObject*, std::uint8_t byFile, std::uint8_t) {
            if (byFile > 0) self->SetCancel(true);
        });
    }

    EXPECT_NO_THROW(rar->Extract());

    std::vector<int> reported;
    for (const auto& e : log.errors) reported.push_back(e.code);
    EXPECT_EQ(reported, GetParam().reported);
    // Another password would not have helped, so none is asked for.
    EXPECT_EQ(m_passwordsAsked, 1);
    EXPECT_EQ(rar->FileSpec()->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EncryptedEntryFailures,
    ::testing::Values(
        // Reported by the pre-scan of the new volume; the run ends there.
        EntryFailureRow{"DamagedNextVolume", EntryFailure::DamagedNextVolume, {msg::ErrorReading}},
        // The entry fails like any other entry cut off by a refused volume.
        EntryFailureRow{"VolumeRefused", EntryFailure::VolumeRefused, {msg::BrokenVolumeChain}},
        EntryFailureRow{"VolumeAbove999",
                        EntryFailure::VolumeAbove999,
                        {msg::MaxVolumes, msg::BrokenVolumeChain}},
        // Nothing is reported while Cancel is set.
        EntryFailureRow{"StopRequest", EntryFailure::StopRequest, {}}),
    [](const auto& info) { return std::string(info.param.label); });

struct RunEndRow {
    const char* label;
    std::vector<std::string> failing;  // the handlers that throw
    std::vector<std::string> frame;    // OnActivate, OnElapsedTime, OnDeactivate as raised
    std::string escapes;               // the message of the error leaving Extract, if any
};

void PrintTo(const RunEndRow& row, std::ostream* os) {
    *os << row.label;
}

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
