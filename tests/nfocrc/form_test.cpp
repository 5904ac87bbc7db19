// The tool's window under the offscreen platform: the summary and its colour, the .nfo in the
// scrolling text, a check stopped by closing; and the program's arguments and exit statuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/nfocrc/file_crc.h"
#include "app/nfocrc/nfocrc_form.h"
#include "controls/cool_scrolling_text.h"
#include "controls/gauge.h"
#include "framework/forms/font.h"
#include "framework/strings.h"
#include "tests/support/files.h"
#include "tests/support/pump.h"
#include "tests/support/shell.h"
#include "tests/support/temp_folder.h"

namespace kiv {
namespace {

using test::Pattern;
using test::WriteFile;

std::string SfvLine(const std::string& name, const std::string& bytes) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", nfocrc::Crc32(0, bytes.data(), bytes.size()));
    return name + " " + crc + "\r\n";
}

class NfocrcForm : public test::TempFolderTest {
protected:
    TControl& Control(TNfocrcForm& form, const char* name) {
        auto* control = dynamic_cast<TControl*>(form.FindComponent(name));
        if (!control) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    void Finish(TNfocrcForm& form) {
        ASSERT_TRUE(test::PumpUntil([&] { return !form.Running(); }, "the check ends"));
    }
};

TEST_F(NfocrcForm, ShowsTheNfoAndAGreenSummaryWhenEveryFileIsOk) {
    WriteFile(Path("r.nfo"), "\xDB\xDB title\r\nsecond");
    WriteFile(Path("a.bin"), Pattern(200000, 1));
    WriteFile(Path("r.sfv"), SfvLine("a.bin", Pattern(200000, 1)));
    TNfocrcForm form(nullptr);
    form.Check(Dir());
    Finish(form);
    EXPECT_TRUE(form.LastSummary().AllOk());
    EXPECT_EQ(Control(form, "lblSummary").Caption(),
              "All files OK. 1 file: 1 OK, 0 bad, 0 missing");
    EXPECT_EQ(Control(form, "lblSummary").Font()->Color(), clLime);
    EXPECT_EQ(Control(form, "lblFolder").Caption(), Dir() + "/");
    EXPECT_EQ(dynamic_cast<TGauge&>(Control(form, "ggCheck")).Progress(), 100);
    const TStrings& nfo = *dynamic_cast<TCoolScrollingText&>(Control(form, "scrNfo")).Strings();
    ASSERT_EQ(nfo.Count(), 2);
    EXPECT_EQ(nfo.Strings(0), "██ title");
}

TEST_F(NfocrcForm, NamesTheFirstFailureInARedSummary) {
    WriteFile(Path("a.bin"), "changed");
    WriteFile(Path("r.sfv"), SfvLine("a.bin", "original") + SfvLine("b.bin", "gone"));
    TNfocrcForm form(nullptr);
    form.Check(Dir());
    Finish(form);
    EXPECT_FALSE(form.LastSummary().AllOk());
    EXPECT_EQ(Control(form, "lblSummary").Caption(), "2 files: 0 OK, 1 bad, 1 missing");
    EXPECT_EQ(Control(form, "lblSummary").Font()->Color(), clRed);
    EXPECT_TRUE(Control(form, "lblDetail").Caption().starts_with("BAD      a.bin"));
    EXPECT_TRUE(Control(form, "lblDetail").Caption().ends_with("(+1 more)"));
}

TEST_F(NfocrcForm, SaysWhenThereIsNothingToCheck) {
    TNfocrcForm form(nullptr);
    form.Check(Dir());
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(Control(form, "lblSummary").Caption(),
              "No .sfv file in this folder: nothing to check.");
    const TStrings& nfo = *dynamic_cast<TCoolScrollingText&>(Control(form, "scrNfo")).Strings();
    EXPECT_EQ(nfo.Text(), "\n  no .nfo file in this release\n");
}

TEST_F(NfocrcForm, DestroyingTheWindowStopsARunningCheck) {
    std::string sfv;
    for (int i = 0; i < 8; ++i) {
        const std::string bytes = Pattern(8u << 20, std::uint32_t(i));
        WriteFile(Path("f" + std::to_string(i)), bytes);
        sfv += SfvLine("f" + std::to_string(i), bytes);
    }
    WriteFile(Path("r.sfv"), sfv);
    test::Watchdog watchdog("the window stops its check");
    auto form = std::make_unique<TNfocrcForm>(nullptr);
    form->Check(Dir());
    EXPECT_TRUE(form->Running());
    form.reset();
}

struct ProgramRow {
    const char* label;
    std::string arguments;
    int status;
};

class NfocrcProgram : public test::TempFolderTest,
                      public ::testing::WithParamInterface<ProgramRow> {};

TEST_P(NfocrcProgram, ExitsWithTheStatusOfItsCheck) {
    m_temp.MakeFolder("good");
    m_temp.MakeFolder("bad");
    WriteFile(Path("good/a"), "a");
    WriteFile(Path("good/r.sfv"), SfvLine("a", "a"));
    WriteFile(Path("bad/a"), "b");
    WriteFile(Path("bad/r.sfv"), SfvLine("a", "a"));
    const std::string command = test::kToolEnvironment + test::ShellQuote(KIV_NFOCRC_PROGRAM) +
                                " " + GetParam().arguments + " >/dev/null 2>&1";
    EXPECT_EQ(test::RunShell(command), GetParam().status) << command;
}

INSTANTIATE_TEST_SUITE_P(Arguments, NfocrcProgram,
                         ::testing::Values(ProgramRow{"Good", "--check good", 0},
                                           ProgramRow{"Bad", "--check bad", 1},
                                           ProgramRow{"NoFolder", "--check absent", 2},
                                           ProgramRow{"CheckWithoutFolder", "--check", 2},
                                           ProgramRow{"UnknownOption", "--fast good", 2},
                                           ProgramRow{"Help", "--help", 0}),
                         [](const ::testing::TestParamInfo<ProgramRow>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace kiv
