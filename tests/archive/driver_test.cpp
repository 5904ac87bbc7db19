// The extraction run's checks and frame, the clock, the disk manager and the registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/err_msgs.h"
#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/modal.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

namespace fx = kiv::fixture;

class Driver : public ArchiveTest {};

TEST_F(Driver, AnEmptyArchiveFileRaisesFileNotFoundBeforeOnActivate) {
    TUnRAR rar(nullptr);
    EventLog log;
    log.Attach(rar);
    try {
        rar.Extract();
        FAIL() << "no error";
    } catch (const E_RAISE& e) {
        EXPECT_EQ(e.ECode(), msg::FileNotFound);
        EXPECT_EQ(e.Message(), "File not found");
    }
    EXPECT_EQ(log.lines, std::vector<std::string>{"error 25172 "});
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].volumeId, "0");
}

TEST_F(Driver, AMissingArchiveRaisesUnsupportedTypeWithoutAHandler) {
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(Path("missing.rar"));
    bool activated = false;
    rar.SetOnActivate([&](TObject*) { activated = true; });
    try {
        rar.Extract();
        FAIL() << "no error";
    } catch (const E_RAISE& e) {
        EXPECT_EQ(e.Message(), "Invalid or unsupported archive type for this operation");
    }
    EXPECT_FALSE(activated);
    EXPECT_EQ(rar.ArchiveFile(), Path("missing.rar"));
}

struct TypeRow {
    const char* label;
    std::string bytes;
    bool extractable;
};

class ExtractableTypes : public ArchiveTest, public ::testing::WithParamInterface<TypeRow> {};

TEST_P(ExtractableTypes, AreCheckedBeforeTheRun) {
    WriteFile(Path("file"), GetParam().bytes + std::string(64, '\0'));
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(Path("file"));
    EventLog log;
    log.Attach(rar);
    if (GetParam().extractable) {
        // The checks pass; the RAR step then fails on its own, inside the run.
        EXPECT_EQ(rar.Extract(), 0);
        ASSERT_GE(log.lines.size(), 2u);
        EXPECT_EQ(log.lines.front(), "activate");
        EXPECT_EQ(log.lines.back(), "deactivate");
    } else {
        EXPECT_THROW(rar.Extract(), E_RAISE);
        EXPECT_EQ(log.lines, std::vector<std::string>{"error 25242 " + Path("file")});
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ExtractableTypes,
                         ::testing::Values(TypeRow{"Unknown", "plain text", false},
                                           TypeRow{"Ha", "HA\x02", false},
                                           TypeRow{"Pak", "\x1A\x0A", false},
                                           TypeRow{"GZip", "\x1F\x8B", true},
                                           TypeRow{"Arj", "\x60\xEA", true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Driver, AnErrorFromOnActivateStillEndsWithOnDeactivate) {
    EngineScope engine(KIV_UNRAR_LIBRARY);
    const std::string archive =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("a", "x")}, {}).front();
    auto rar = MainWindowExtractor(archive, Path("out"));
    bool deactivated = false;
    rar->SetOnActivate([](TObject*) { throw Exception("activate failed"); });
    rar->SetOnDeactivate([&](TObject*) { deactivated = true; });
    EXPECT_THROW(rar->Extract(), Exception);
    EXPECT_TRUE(deactivated);
    EXPECT_EQ(rar->ArchiveFile(), archive);
}

TEST_F(Driver, ElapsedTimeIsReportedOnceAndTheOldCpuTypeReset) {
    EngineScope engine(KIV_UNRAR_LIBRARY);
    const std::string archive =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("a", "x")}, {}).front();
    auto rar = MainWindowExtractor(archive, Path("out"));
    rar->SetCpuType(TCpuType::cpt80486);
    std::vector<float> times;
    rar->SetOnElapsedTime([&](TObject*, float seconds) { times.push_back(seconds); });
    EXPECT_EQ(rar->Extract(), 1);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_GE(times[0], 0.0F);
    EXPECT_EQ(rar->CpuType(), TCpuType::cptAuto);
}

TEST_F(Driver, RenamingFromOnRenameCompressedFileChangesTheDestination) {
    EngineScope engine(KIV_UNRAR_LIBRARY);
    const std::string archive =
        fx::WriteRarArchive(Path("set.rar"), {FileEntry("a", "x"), FileEntry("b", "y")}, {})
            .front();
    auto rar = MainWindowExtractor(archive, Path("out"));
    rar->SetOnBegin(
        [](TObject*, const std::string& fn, int, bool& extract) { extract = !fn.ends_with("/b"); });
    rar->SetOnRenameCompressedFile([](TObject*, std::string& name) { name += ".renamed"; });
    EXPECT_EQ(rar->Extract(), 2);
    // OnBegin's Extract = False only keeps the name; the entry is still written.
    EXPECT_EQ(ListFiles(Path("out")), (std::vector<std::string>{"a.renamed", "b"}));
}

TEST(TarxTimer, PausedTimeIsLeftOutAndPausesNest) {
    std::uint64_t now = 1000;
    TarxTimer timer([&] { return now; });
    timer.Start();
    now = 1500;
    timer.Pause();
    now = 2000;
    timer.Pause();
    now = 2500;
    timer.Resume();
    now = 3000;
    timer.Resume();
    now = 4000;
    EXPECT_FLOAT_EQ(timer.Stop(), 1.5F);
    EXPECT_FALSE(timer.Running());
    EXPECT_FLOAT_EQ(timer.Stop(), 0.0F);
}

TEST(TDiskManager, AnInaccessibleDriveAsksRetryOrCancel) {
    TDiskManager disks(nullptr);
    int queries = 0;
    disks.SetDriveQuery([&](const std::string&) -> platform::Result<platform::DriveInfo> {
        if (++queries < 3) return platform::Result<platform::DriveInfo>::Failure("gone away");
        platform::DriveInfo info;
        info.label = "BACKUP PKBACK# 007";
        info.serial = 0x1234ABCD;
        info.type = platform::DriveType::Fixed;
        info.freeBytes = 5;
        return info;
    });
    std::vector<ModalQuestion> asked;
    ModalAnswerer previous = SetModalAnswerer({[&](const ModalQuestion& q) {
                                                   asked.push_back(q);
                                                   return TModalResult::mrRetry;
                                               },
                                               {}});
    const std::string drive = disks.SetDrive("/");
    SetModalAnswerer(previous);
    EXPECT_EQ(drive, "/");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "/is not accessible.\n\ngone away");
    EXPECT_EQ(asked[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(asked[0].buttons, (TMsgDlgButtons{TMsgDlgBtn::mbRetry, TMsgDlgBtn::mbCancel}));
    EXPECT_EQ(disks.SerialNumber(), "1234ABCD");
    EXPECT_EQ(disks.DiskNumber(), 7);
    EXPECT_EQ(disks.TypeName(), "Fixed");
    // The same drive again is not queried.
    disks.SetDrive("/");
    EXPECT_EQ(queries, 3);
}

TEST(TDiskManager, CancelKeepsWhatWasGathered) {
    TDiskManager disks(nullptr);
    int queries = 0;
    disks.SetDriveQuery([&](const std::string&) {
        ++queries;
        return platform::Result<platform::DriveInfo>::Failure("no medium");
    });
    // Without an answerer the prompt is answered with Cancel.
    disks.SetDrive("/");
    EXPECT_EQ(queries, 1);
    EXPECT_EQ(disks.SerialNumber(), "");
}

TEST(TDiskManager, DiskNumbersComeFromBackupLabels) {
    EXPECT_EQ(TDiskManager::DiskNumberOf("PKBACK# 001"), 1);
    EXPECT_EQ(TDiskManager::DiskNumberOf("x PKBACK# 12"), 12);
    EXPECT_EQ(TDiskManager::DiskNumberOf("PKBACK# 1a"), 0);
    EXPECT_EQ(TDiskManager::DiskNumberOf("PKBACK#"), 0);
    EXPECT_EQ(TDiskManager::DiskNumberOf("DATA"), 0);
}

// A window class for the design test, publishing the two handlers the main window's design
// binds.
class TTestWindow : public TComponent {
public:
    explicit TTestWindow(TComponent* owner) : TComponent(owner) {}
    void kivRARProgress(TObject*, std::uint8_t byFile, std::uint8_t byArchive) {
        progress.emplace_back(byFile, byArchive);
    }
    void kivRARNextVolume(TObject*, std::string& name, const std::string& id, bool, bool& cancel) {
        volumes.push_back(name + "#" + id);
        cancel = false;
    }
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> volumes;
};

const bool registered = RegisterClass<TTestWindow, TComponent>(
    "TTestWindow", {},
    {Method("kivRARProgress", &TTestWindow::kivRARProgress),
     Method("kivRARNextVolume", &TTestWindow::kivRARNextVolume)});

TEST(TUnRARDesign, TheMainWindowsSettingsAndHandlersAreRead) {
    ASSERT_TRUE(registered);
    TTestWindow window(nullptr);
    ReadDesign(window,
               "object frmTest: TTestWindow\n"
               "  object kivRAR: TUnRAR\n"
               "    ConfirmOverwrites = False\n"
               "    CpuType = cptAuto\n"
               "    OnProgress = kivRARProgress\n"
               "    OnNextVolume = kivRARNextVolume\n"
               "  end\n"
               "end\n",
               "test.kfm");
    auto* rar = dynamic_cast<TUnRAR*>(window.FindComponent("kivRAR"));
    ASSERT_NE(rar, nullptr);
    EXPECT_FALSE(rar->ConfirmOverwrites());
    EXPECT_TRUE(rar->UseStoredDirs());
    EXPECT_EQ(rar->PasswordAttempts(), 3);
    EXPECT_EQ(rar->OnProgress().MethodName(), "kivRARProgress");
    rar->OnProgress()(rar, 5, 7);
    std::string name = "v.r00";
    bool cancel = true;
    rar->OnNextVolume()(rar, name, "0", true, cancel);
    EXPECT_EQ(window.progress, (std::vector<std::pair<int, int>>{{5, 7}}));
    EXPECT_EQ(window.volumes, std::vector<std::string>{"v.r00#0"});
    EXPECT_FALSE(cancel);
}

TEST(TUnRARDesign, PublishesTheDriverProperties) {
    const ClassInfo* info = FindClass("TUnRAR");
    ASSERT_NE(info, nullptr);
    for (const char* name : {"ArcType",
                             "FileSpec",
                             "Password",
                             "PasswordAttempts",
                             "RestoreFileAttr",
                             "UseStoredDirs",
                             "ExtractDir",
                             "ConfirmOverwrites",
                             "OverwriteMode",
                             "CpuType",
                             "OnActivate",
                             "OnDeactivate",
                             "OnProgress",
                             "OnGetPassword",
                             "OnBegin",
                             "OnEnd",
                             "OnError",
                             "OnFileExists",
                             "OnNextVolume",
                             "OnRenameCompressedFile",
                             "About"}) {
        EXPECT_NE(info->FindProperty(name), nullptr) << name;
    }
    EXPECT_EQ(info->FindProperty("ArcType")->names.size(), 30u);
    EXPECT_EQ(info->FindProperty("CpuType")->names[3], "cpt80486");
}

}  // namespace
}  // namespace kiv::test
