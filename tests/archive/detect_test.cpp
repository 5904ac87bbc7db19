// Archive type detection, signature offsets and volume numbering.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "archive/arc_detect.h"
#include "archive/byte_reader.h"
#include "archive/un_rar.h"
#include "tests/archive/support.h"

namespace kiv::test {
namespace {

using enum TArcType;
namespace fx = kiv::fixture;

std::string SmallRar(const std::string& path) {
    return fx::WriteRarArchive(path, {FileEntry("a.txt", "hello")}, {}).front();
}

TEST_F(ArchiveTest, RarFileIsRecognisedWithItsDate) {
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(SmallRar(Path("set.rar")));
    EXPECT_EQ(rar.ArcType(), atRar);
    EXPECT_EQ(rar.SignatureOffset(), 1);
    EXPECT_EQ(rar.VolumeNumber(), 0);
    EXPECT_EQ(rar.VolumeLetter(), 'r');
    EXPECT_GT(rar.ArchiveDate(), 29221.0);
    EXPECT_EQ(rar.ArchiveSize(), static_cast<std::int64_t>(ReadFile(Path("set.rar")).size()));
}

struct VolumeRow {
    const char* label;
    const char* name;
    int number;
    char letter;
};

class VolumeNumbering : public ArchiveTest, public ::testing::WithParamInterface<VolumeRow> {};

TEST_P(VolumeNumbering, ComesFromTheExtension) {
    const std::string path = Path(GetParam().name);
    SmallRar(Path("base.rar"));
    WriteFile(path, ReadFile(Path("base.rar")));
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(path);
    ASSERT_EQ(rar.ArcType(), atRar);
    EXPECT_EQ(rar.VolumeNumber(), GetParam().number);
    EXPECT_EQ(rar.VolumeLetter(), GetParam().letter);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VolumeNumbering,
    ::testing::Values(VolumeRow{"Rar", "set.rar", 0, 'r'}, VolumeRow{"R00", "set.r00", 1, 'r'},
                      VolumeRow{"R12", "set.r12", 13, 'r'}, VolumeRow{"S05", "set.s05", 6, 's'},
                      VolumeRow{"NoExtension", "set", 0, 'r'},
                      VolumeRow{"DigitInside", "set.a1b", 0, 'r'},
                      VolumeRow{"PartNaming", "set.part2.rar", 0, 'r'},
                      VolumeRow{"HugeNumberSaturates", "set.r99999999999", 2147483647, 'r'}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ArchiveTest, MissingAndShortFilesCannotBeOpened) {
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(Path("missing.rar"));
    EXPECT_EQ(rar.ArcType(), atFileOpenErr);
    WriteFile(Path("short.rar"), std::string("Rar!\x1A\x07\x00", 7) + std::string(12, '\0'));
    rar.SetArchiveFile(Path("short.rar"));
    EXPECT_EQ(rar.ArcType(), atFileOpenErr);
    WriteFile(Path("short.rar"), std::string("Rar!\x1A\x07\x00", 7) + std::string(13, '\0'));
    rar.SetArchiveFile(Path("short.rar"));
    EXPECT_EQ(rar.ArcType(), atRar);
}

// Opening a FIFO for reading waits for a writer; an archive name that points at one must be
// refused at once instead of hanging the engine.
TEST_F(ArchiveTest, FifoInPlaceOfTheArchiveIsRefusedWithoutWaiting) {
    const std::string fifo = Path("pipe.rar");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return FileReader::Open(fifo) != nullptr; });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked open so that the test ends with a failure instead of a hang.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        opened.wait();
        if (writer >= 0) ::close(writer);
        FAIL() << "opening a FIFO waited for a writer";
    }
    EXPECT_FALSE(opened.get());
}

TEST_F(ArchiveTest, LeadingZerosBeforeTheSignatureAreSkipped) {
    SmallRar(Path("base.rar"));
    WriteFile(Path("zeros.rar"), std::string(5, '\0') + ReadFile(Path("base.rar")));
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(Path("zeros.rar"));
    EXPECT_EQ(rar.ArcType(), atRar);
    EXPECT_EQ(rar.SignatureOffset(), 6);
}

TEST_F(ArchiveTest, ArcTypeSetterDetectsAgainWhateverTheValue) {
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(SmallRar(Path("set.rar")));
    ASSERT_EQ(rar.ArcType(), atRar);
    WriteFile(Path("set.rar"), std::string(64, 'q'));
    EXPECT_EQ(rar.ArcType(), atRar);  // not looked at again by itself
    rar.SetArcType(atZip);
    EXPECT_EQ(rar.ArcType(), atUnknown);
}

TEST_F(ArchiveTest, DesigningOrEmptyPathClearsTheArchive) {
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(SmallRar(Path("set.rar")));
    SetActiveArchiver(&rar);
    rar.SetArchiveFile("");
    EXPECT_EQ(rar.ArchiveFile(), "");
    EXPECT_EQ(rar.ArcType(), atNA);
    EXPECT_EQ(ActiveArchiver(), nullptr);
    rar.SetDesigning(true);
    rar.SetArchiveFile(Path("set.rar"));
    EXPECT_EQ(rar.ArchiveFile(), "");
}

TEST_F(ArchiveTest, BackslashesOfTheArchivePathBecomeSlashes) {
    SmallRar(Path("set.rar"));
    TUnRAR rar(nullptr);
    rar.SetArchiveFile(Dir() + "\\set.rar");
    EXPECT_EQ(rar.ArchiveFile(), Dir() + "/set.rar");
    EXPECT_EQ(rar.ArcType(), atRar);
}

struct SignatureRow {
    const char* label;
    std::string bytes;
    TArcType type;
    std::int64_t offset;
};

std::string Padded(std::string head, std::size_t size = 600) {
    head.resize(std::max(size, head.size()), '\0');
    return head;
}

std::string TarBlock() {
    std::string block(1024, '\0');
    block.replace(0, 5, "a.txt");
    block.replace(148, 8, "        ");
    block[156] = '0';
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += static_cast<unsigned char>(block[i]);
    char octal[8];
    std::snprintf(octal, sizeof octal, "%06o", sum);
    block.replace(148, 7, std::string(octal, 6) + '\0');
    return block;
}

std::string MzWithRarAt(std::size_t offset) {
    std::string file = Padded("MZ", offset);
    return file + Padded("Rar!\x1A\x07", 100);
}

std::string MzWithImageEnd() {
    // 3 pages, 100 bytes in the last one: the image ends at 3 * 512 + 100 - 512 = 1124.
    std::string file = Padded("MZ", 1124);
    file[2] = 100;
    file[4] = 3;
    return file + Padded("Rar!", 64);
}

class Signatures : public ::testing::TestWithParam<SignatureRow> {};

TEST_P(Signatures, AreClassified) {
    const std::string bytes = GetParam().bytes;
    const DetectedArchive d = DetectArchive(MemoryReader(bytes));
    EXPECT_EQ(d.type, GetParam().type);
    EXPECT_EQ(d.signatureOffset, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Signatures,
    ::testing::Values(SignatureRow{"Rar", Padded("Rar!\x1A\x07"), atRar, 1},
                      SignatureRow{"ZipWithDirectory",
                                   Padded("PK\x03\x04") + Padded("PK\x05\x06", 22), atZip, 1},
                      SignatureRow{"ZipWithoutDirectory", Padded("PK\x03\x04"), atZip, 1},
                      SignatureRow{"Cab", Padded("MSCF"), atCab, 1},
                      SignatureRow{"GZip", Padded("\x1F\x8B\x08"), atGZip, 1},
                      SignatureRow{"Arj", Padded("\x60\xEA"), atArj, 1},
                      SignatureRow{"Lha", Padded(std::string("\x20\x00-lh5-", 7)), atLha, 1},
                      SignatureRow{"Pak", Padded("\x1A\x0A"), atPak, 1},
                      SignatureRow{"Arc", Padded("\x1A\x08"), atArc, 1},
                      SignatureRow{"Zoo", Padded("ZOO 2.10"), atZoo, 1},
                      SignatureRow{"Ha", Padded("HA\x01"), atHa, 1},
                      SignatureRow{"Ace", Padded(std::string(7, 'x') + "**ACE**"), atACE, 1},
                      SignatureRow{"Uue", Padded("hello\nbegin 644 a.txt\n"), atUue, 1},
                      SignatureRow{"Tar", TarBlock(), atTar, 1},
                      SignatureRow{"Text", Padded("just some text here"), atUnknown, 1},
                      SignatureRow{"RarBehindStub", MzWithRarAt(17000 + 40000), atRarExe, 57001},
                      SignatureRow{"RarAtImageEnd", MzWithImageEnd(), atRarExe, 1125},
                      SignatureRow{"StubAlone", Padded("MZ", 70000), atUnknown, 1}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kiv::test
