// TUnRAR against the scripted fake library: library loading, result codes, callbacks that fail
// or stop, and the entry loop's decisions as the library sees them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "archive/wildcard.h"
#include "tests/archive/rar_blocks.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class FakeRuns : public ArchiveTest {
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

    // A real archive for the detection and the pre-scan; the fake library does the rest.
    // Each entry holds one byte unless dataSize says otherwise.
    std::string Archive(const std::vector<std::string>& names, const std::string& file = "set.rar",
                        std::size_t dataSize = 1) {
        std::vector<fx::FixtureEntry> entries;
        for (const std::string& n : names)
            entries.push_back(FileEntry(n, std::string(dataSize, 'x')));
        return fx::WriteRarArchive(Path(file), entries, {}).front();
    }

    std::unique_ptr<TUnRAR> Run(const std::string& archive, const std::string& script,
                                EventLog& log, int expectedCount) {
        m_fake->Script(script);
        auto rar = MainWindowExtractor(archive, Path("out"));
        log.Attach(*rar);
        EXPECT_EQ(rar->Extract(), expectedCount);
        return rar;
    }

    std::unique_ptr<EngineScope> m_engine;
    std::unique_ptr<FakeLibrary> m_fake;
};

struct OpenRow {
    const char* label;
    int libraryCode;
    int messageCode;
};

class OpenResults : public FakeRuns, public ::testing::WithParamInterface<OpenRow> {};

TEST_P(OpenResults, AreReportedWithTheirMessageAndTheFullPath) {
    EventLog log;
    Run(Archive({"a"}), "open " + std::to_string(GetParam().libraryCode), log, 0);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, GetParam().messageCode);
    EXPECT_EQ(log.errors[0].fn, Path("set.rar"));
    EXPECT_EQ(log.errors[0].msgEx, "");
    EXPECT_EQ(log.errors[0].volumeId, "0");
    EXPECT_EQ(log.lines.back(), "deactivate");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OpenResults,
    ::testing::Values(OpenRow{"EndArchive", 10, 25158}, OpenRow{"NoMemory", 11, 25253},
                      OpenRow{"BadData", 12, 25108}, OpenRow{"BadArchive", 13, 25242},
                      OpenRow{"UnknownFormat", 14, 25242}, OpenRow{"Open", 15, 25235},
                      OpenRow{"Create", 16, 25136}, OpenRow{"Close", 17, 25137},
                      OpenRow{"Read", 18, 25236}, OpenRow{"Write", 19, 25136},
                      OpenRow{"Unknown", 21, 25135}, OpenRow{"Password", 22, 26517},
                      OpenRow{"Other", 23, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FakeRuns, TheLibraryIsCalledWithTheDestinationsAndClosedAtTheEnd) {
    EventLog log;
    Run(Archive({"docs/a.txt", "b.doc", "docs"}),
        "entry name=docs/a.txt size=5 chunks=5\n"
        "entry name=b.doc size=1 chunks=1\n"
        "entry name=docs size=0 attr=10\n",
        log, 2);
    const std::string calls = m_fake->Log();
    EXPECT_TRUE(Contains(calls, "open " + Path("set.rar") + " mode 1\n")) << calls;
    // The library is trusted with the target folder, below which it reaches docs/ itself.
    EXPECT_TRUE(Contains(calls, "process 2 " + Path("out/") + " " + Path("out/docs/a.txt")))
        << calls;
    EXPECT_TRUE(Contains(calls, "process 0 ")) << calls;  // the folder entry is skipped
    EXPECT_TRUE(calls.ends_with("close\n")) << calls;
    EXPECT_TRUE(std::filesystem::is_directory(Path("out/docs")));
}

TEST_F(FakeRuns, ProgressFollowsTheChunksTheLibraryDelivers) {
    EventLog log;
    Run(Archive({"a"}, "set.rar", 1000), "entry name=a size=1000 chunks=100,400,500\n", log, 1);
    EXPECT_EQ(log.progress,
              (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {10, 10}, {50, 50}, {100, 100}}));
}

TEST_F(FakeRuns, EntriesOfFourGiBAndMoreTakeTheirSizeFromThePreScan) {
    const std::uint64_t size = 5'368'709'120ULL;  // 5 GiB
    WriteFile(Path("huge.rar"), Rar4Marker() + Rar4Main() +
                                    Rar4FileHeader(R4("huge.iso", size, size)) +
                                    Rar4Block(0x7B, 7));
    EventLog log;
    auto rar = Run(Path("huge.rar"),
                   "entry name=huge.iso write=0 size=" + std::to_string(size & 0xFFFFFFFF) +
                       " chunks=2147483647,2147483647,1073741826\n",
                   log, 1);
    EXPECT_EQ(log.progress,
              (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {40, 40}, {80, 80}, {100, 100}}));
    EXPECT_EQ(rar->TotalUnpacked(), size);
    EXPECT_EQ(rar->BytesPending(), 0);
}

TEST_F(FakeRuns, AFailedEntryEndsTheRunWithACrcReport) {
    EventLog log;
    Run(Archive({"a", "b"}), "entry name=a size=1 chunks=1 rc=12\nentry name=b size=1 chunks=1\n",
        log, 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::CrcFailed);
    EXPECT_EQ(log.errors[0].fn, "a");
    EXPECT_FALSE(Contains(m_fake->Log(), "read b"));
}

TEST_F(FakeRuns, AFailedEntryWithoutAStoredCrcStillCountsAsFailed) {
    EventLog log;
    Run(Archive({"empty"}), "entry name=empty size=0 crc=0 rc=16 errno=13\n", log, 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::ErrorWriting);
}

struct FailureKindRow {
    const char* label;
    std::string script;  // what the library answers for entry a
    int code;            // the report
    std::string extra;   // its MsgEx
    bool runGoesOn;      // entry b is still extracted
};

void PrintTo(const FailureKindRow& row, std::ostream* os) {
    *os << row.label;
}

class FailureKinds : public FakeRuns, public ::testing::WithParamInterface<FailureKindRow> {};

// Each kind of failure of an entry is reported with its own message, naming the entry.
TEST_P(FailureKinds, AreReportedWithTheirOwnMessage) {
    const FailureKindRow& row = GetParam();
    EventLog log;
    Run(Archive({"a", "b"}),
        "entry name=a size=1 chunks=1 " + row.script + "\nentry name=b size=1 chunks=1\n", log,
        row.runGoesOn ? 2 : 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, row.code);
    EXPECT_EQ(log.errors[0].fn, "a");
    EXPECT_EQ(log.errors[0].msgEx, row.extra);
    EXPECT_EQ(Contains(m_fake->Log(), "process 2 " + Path("out/") + " " + Path("out/b")),
              row.runGoesOn);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FailureKinds,
    ::testing::Values(FailureKindRow{"DataCheck", "rc=12", msg::CrcFailed, "", false},
                      FailureKindRow{"CannotDecode", "rc=14", msg::UnsupportedMethod, "", false},
                      FailureKindRow{"LinkIsSkipped", "rc=23", msg::SkippedFile,
                                     "a link; links are not created", true},
                      FailureKindRow{"DiskFull", "rc=19 errno=28", msg::DiskFull, "", false},
                      FailureKindRow{"QuotaFull", "rc=16 errno=122", msg::DiskFull, "", false},
                      FailureKindRow{"PermissionDenied", "rc=16 errno=13", msg::ErrorWriting,
                                     "Permission denied", false},
                      FailureKindRow{"NameTooLong", "rc=16 errno=36", msg::ErrorWriting,
                                     "File name too long", false},
                      FailureKindRow{"WriteFailed", "rc=19 errno=5", msg::ErrorWriting,
                                     "Input/output error", false},
                      FailureKindRow{"VolumeLost", "rc=15", msg::BrokenVolumeChain, "", false},
                      FailureKindRow{"DamagedReading", "rc=18", msg::ErrorReading, "", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FakeRuns, OnEndReceivesTheVerdictInsteadOfAnError) {
    m_fake->Script("entry name=a size=1 chunks=1 rc=12\n");
    auto rar = MainWindowExtractor(Archive({"a"}), Path("out"));
    EventLog log;
    log.Attach(*rar);
    std::vector<std::string> ends;
    rar->SetOnEnd([&](TObject*, const std::string& fn, bool pass) {
        ends.push_back(fn + (pass ? " pass" : " fail"));
    });
    rar->Extract();
    EXPECT_TRUE(log.errors.empty());
    EXPECT_EQ(ends, std::vector<std::string>{Path("out/a") + " fail"});
}

TEST_F(FakeRuns, CancelStopsAtTheNextChunkAndClosesTheArchive) {
    m_fake->Script("entry name=a size=300 chunks=100,100,100\nentry name=b size=1 chunks=1\n");
    auto rar = MainWindowExtractor(Archive({"a", "b"}), Path("out"));
    EventLog log;
    log.Attach(*rar);
    TUnRAR* self = rar.get();
    int chunks = 0;
    rar->SetOnProgress([&](TObject*, std::uint8_t f, std::uint8_t) {
        if (f > 0 && ++chunks == 1) self->SetCancel(true);
    });
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(chunks, 1);
    EXPECT_TRUE(log.errors.empty());
    const std::string calls = m_fake->Log();
    EXPECT_TRUE(Contains(calls, "data stopped")) << calls;
    EXPECT_TRUE(calls.ends_with("close\n")) << calls;
}

TEST_F(FakeRuns, AnExceptionFromAHandlerStopsTheLibraryAndStaysInside) {
    m_fake->Script("entry name=a size=200 chunks=100,100\n");
    auto rar = MainWindowExtractor(Archive({"a"}), Path("out"));
    bool deactivated = false;
    rar->SetOnDeactivate([&](TObject*) { deactivated = true; });
    rar->SetOnProgress([&](TObject*, std::uint8_t f, std::uint8_t) {
        if (f > 0) throw std::runtime_error("handler failed");
    });
    EXPECT_NO_THROW(rar->Extract());
    EXPECT_TRUE(deactivated);
    EXPECT_TRUE(Contains(m_fake->Log(), "data stopped"));
    EXPECT_TRUE(m_fake->Log().ends_with("close\n"));
}

TEST_F(FakeRuns, AFailingPreScanInsideTheCallbackIsReportedAfterTheLibraryReturns) {
    WriteFile(Path("set.r00"), std::string("Rar!\x1A\x07\x00", 7) + "short");
    m_fake->Script("entry name=a size=200 chunks=100,100 volume=" + Path("set.r00") +
                   " mode=1 volat=1\n");
    auto rar = MainWindowExtractor(Archive({"a"}), Path("out"));
    EventLog log;
    log.Attach(*rar);
    std::string libraryLogAtError;
    rar->SetOnError(
        [&](TObject*, const std::string& fn, const std::string&, const std::string&, int code) {
            log.errors.push_back({fn, "", "", code});
            libraryLogAtError = m_fake->Log();
        });
    rar->Extract();
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::ErrorReading);
    EXPECT_EQ(log.errors[0].fn, Path("set.r00"));
    // The callback had already answered 0 when OnError ran.
    EXPECT_TRUE(Contains(libraryLogAtError, "volume 1 " + Path("set.r00") + " -> 0"))
        << libraryLogAtError;
}

TEST_F(FakeRuns, VolumesAboveNineHundredNinetyNineAreRefusedEvenWhenPresent) {
    Archive({"a"}, "set.r999");
    WriteFile(Path("set.s00"), "exists");
    EventLog log;
    auto rar = Run(Path("set.r999"),
                   "entry name=a size=2 chunks=1,1 volat=1 mode=1 volume=" + Path("set.s00") + "\n",
                   log, 1);
    EXPECT_TRUE(log.volumeIds.empty());  // the handler is not asked
    ASSERT_EQ(log.errors.size(), 2u);
    EXPECT_EQ(log.errors[0].code, msg::MaxVolumes);
    EXPECT_EQ(log.errors[0].volumeId, "1000");
    EXPECT_EQ(log.errors[0].fn, "set.s00");
    EXPECT_EQ(log.errors[1].code, msg::BrokenVolumeChain);
}

TEST_F(FakeRuns, AnEmptyVolumeNameIsRefused) {
    EventLog log;
    Run(Archive({"a"}), "entry name=a size=2 chunks=1,1 volat=1 mode=0 volume=<empty>\n", log, 1);
    EXPECT_TRUE(log.volumeIds.empty());
    ASSERT_FALSE(log.errors.empty());
    EXPECT_EQ(log.errors[0].code, msg::InvalidFileName);
}

TEST_F(FakeRuns, AHeaderFailureBeforeAllWantedFilesIsReported) {
    EventLog log;
    Run(Archive({"a", "b", "c"}), "entry name=a size=1 chunks=1\nheader 12\n", log, 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::BadFileHeader);
    EXPECT_EQ(log.errors[0].fn, "set.rar");
}

TEST_F(FakeRuns, AHeaderFailureAfterAllWantedFilesIsNoLoss) {
    EventLog log;
    Run(Archive({"a"}), "entry name=a size=1 chunks=1\nheader 12\n", log, 1);
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(FakeRuns, AVolumeRefusedBetweenEntriesIsTheHandlersDecision) {
    WriteFile(Path("set.r00"), "exists");
    EventLog log;
    log.refuseVolumes = true;
    m_fake->Script("entry name=a size=1 chunks=1\nentry name=b size=1 chunks=1 hmode=1 hvolume=" +
                   Path("set.r00") + "\n");
    auto rar = MainWindowExtractor(Archive({"a", "b"}), Path("out"));
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_EQ(log.volumeIds, std::vector<std::string>{"0"});
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(FakeRuns, AVolumeRefusedBetweenEntriesWithoutHandlerIsReported) {
    WriteFile(Path("set.r00"), "exists");
    m_fake->Script("entry name=a size=1 chunks=1\nentry name=b size=1 chunks=1 hmode=1 hvolume=" +
                   Path("set.r00") + "\n");
    auto rar = MainWindowExtractor(Archive({"a", "b"}), Path("out"));
    EventLog log;
    log.Attach(*rar, false);
    EXPECT_EQ(rar->Extract(), 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::ErrorOpening);
}

TEST_F(FakeRuns, ADamagedUnixHeaderEndsTheWalk) {
    EventLog log;
    Run(Archive({"a", "b"}), "header 12\nentry name=b size=1 chunks=1\n", log, 0);
    EXPECT_FALSE(Contains(m_fake->Log(), "read b"));
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::BadFileHeader);
}

TEST_F(FakeRuns, StoredNamesLeavingExtractDirAreReportedWithTheirStoredName) {
    EventLog log;
    Run(Archive({"a", "b"}),
        "entry name=..\\..\\evil size=1 chunks=1\nentry name=b size=1 chunks=1\n", log, 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::InvalidFileName);
    EXPECT_EQ(log.errors[0].fn, "../../evil");
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"b"});
    EXPECT_TRUE(Contains(m_fake->Log(), "process 0 "));
}

TEST_F(FakeRuns, GroupWritableUnixFilesAreNoFolders) {
    EventLog log;
    Run(Archive({"tool"}), "entry name=tool size=1 chunks=1 host=3 attr=81B4\n", log, 1);
    EXPECT_EQ(ListFiles(Path("out")), std::vector<std::string>{"tool"});
}

TEST_F(FakeRuns, AnEncryptedEntryWithoutPasswordHandlerEndsTheRun) {
    EventLog log;
    auto rar = Run(Archive({"a", "b"}),
                   "entry name=a size=1 chunks=1\nentry name=b size=1 flags=4 chunks=1\n", log, 1);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::InvalidPassword);
    EXPECT_EQ(log.errors[0].fn, "b");  // not the entry before it
    EXPECT_EQ(rar->FileSpec()->Count(), 0);
}

TEST_F(FakeRuns, PasswordsAreTriedAsOftenAsAllowedAndTheFailureReportedOnce) {
    m_fake->Script(
        "entry name=a size=1 flags=4 chunks=1 rc=24 retry=1\nentry name=b size=1 chunks=1\n");
    auto rar = MainWindowExtractor(Archive({"a", "b"}), Path("out"));
    EventLog log;
    log.Attach(*rar);
    int asked = 0;
    std::vector<std::string> askedFor;
    rar->SetOnGetPassword(
        [&](TObject*, const std::string& name, std::string& password, bool& again) {
            askedFor.emplace_back(FileNamePart(name));
            password = "pw" + std::to_string(++asked);
            again = true;
        });
    rar->Extract();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(askedFor, std::vector<std::string>(3, "a"));
    const std::string calls = m_fake->Log();
    EXPECT_TRUE(Contains(calls, "password pw1\n") && Contains(calls, "password pw3\n")) << calls;
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::InvalidPassword);
    EXPECT_TRUE(Contains(calls, "read b"));
}

TEST_F(FakeRuns, APasswordHandlerThatNeverAnswersCannotHoldTheRun) {
    m_fake->Script("entry name=a size=1 flags=4 chunks=1\n");
    auto rar = MainWindowExtractor(Archive({"a"}), Path("out"));
    EventLog log;
    log.Attach(*rar);
    int asked = 0;
    rar->SetOnGetPassword([&](TObject*, const std::string&, std::string&, bool& again) {
        ++asked;
        again = true;
    });
    rar->Extract();
    EXPECT_LT(asked, 100);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::InvalidPassword);
}

class LibraryLoading : public ArchiveTest {};

TEST_F(LibraryLoading, AMissingLibraryIsReportedAndNothingExtracted) {
    EngineScope engine(Path("lib/libunrar.so"));
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_TRUE(Contains(RarLibraryError(), "libunrar.so")) << RarLibraryError();
    const std::string archive =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("a", "x")}, {}).front();
    auto rar = MainWindowExtractor(archive, Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 0);
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].code, msg::LibraryNotFound);
    EXPECT_EQ(log.errors[0].fn, archive);
    EXPECT_EQ(log.errors[0].msgEx, "");
    EXPECT_EQ(log.errors[0].volumeId, "0");
    EXPECT_EQ(log.lines.front(), "activate");
    EXPECT_EQ(log.lines.back(), "deactivate");
    EXPECT_FALSE(Exists(Path("out")));
}

TEST_F(LibraryLoading, ALibraryDeployedAfterStartServesTheFirstRun) {
    ASSERT_EQ(::mkdir(Path("lib").c_str(), 0755), 0);
    EngineScope engine(Path("lib/libunrar.so"));
    ASSERT_FALSE(LibraryLoaded());
    std::filesystem::copy_file(KIV_UNRAR_LIBRARY, Path("lib/libunrar.so"));
    const std::string data = Pattern(5000, 3);
    const std::string archive =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("a", data)}, {}).front();
    auto rar = MainWindowExtractor(archive, Path("out"));
    EventLog log;
    log.Attach(*rar);
    EXPECT_EQ(rar->Extract(), 1);
    EXPECT_TRUE(log.errors.empty());
    EXPECT_TRUE(LibraryLoaded());
    EXPECT_TRUE(SameBytes(ReadFile(Path("out/a")), data));
}

TEST_F(LibraryLoading, ALibraryWithoutOneOfTheSevenCallsCountsAsMissing) {
    EngineScope engine(KIV_FAKE_UNRAR_NOPASS);
    EXPECT_FALSE(LibraryLoaded());
    EXPECT_TRUE(Contains(RarLibraryError(), "RARSetPassword")) << RarLibraryError();
    EXPECT_FALSE(LoadRarLibrary());
}

TEST_F(LibraryLoading, EndingTheEngineReleasesTheLibraryAndOnlyOneEngineMayExist) {
    {
        EngineScope engine(KIV_UNRAR_LIBRARY);
        EXPECT_TRUE(LibraryLoaded());
        EXPECT_THROW(ArchiveEngine second, Exception);
    }
    EXPECT_FALSE(LibraryLoaded());
}

}  // namespace
}  // namespace kiv::test
