// TPackFiles, TFileCollection, TFileItem: lookup, loading and saving files, the stored form,
// and a store's round trip through the design writer and reader.
#include "packfiles/pack_files.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/class_registry.h"
#include "framework/design_reader.h"
#include "framework/design_writer.h"
#include "framework/exception.h"
#include "framework/message_pump.h"
#include "packfiles/compress_stream.h"
#include "packfiles/packer_error.h"
#include "tests/packfiles/test_data.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace kiv {
namespace {

using test::Bytes;
using test::Text;

// The root object of the designs these tests write and read.
class TStoreTestRoot : public TComponent {
public:
    using TComponent::TComponent;
};
const bool registered = RegisterClass<TStoreTestRoot, TComponent>("TStoreTestRoot");

Bytes Contents(const TMemoryStream& stream) {
    return Bytes(stream.Bytes().begin(), stream.Bytes().end());
}

void SetBytes(TFileItem& item, const Bytes& bytes) {
    item.Data()->SetSize(0);
    item.Data()->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

TFileItem& AddEntry(TPackFiles& store, const std::string& name, const Bytes& bytes,
                    bool compress = true, const std::string& description = "") {
    TFileItem& item = *store.Items()->Add();
    item.SetName(name);
    item.SetDescription(description);
    item.SetCompress(compress);
    SetBytes(item, bytes);
    return item;
}

class PackFilesTest : public ::testing::Test {
protected:
    std::string WriteFile(const std::string& name, const Bytes& bytes) const {
        const std::string path = m_temp / name;
        test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    static Bytes ReadFile(const std::string& path) {
        const std::string bytes = test::ReadFile(path);
        return Bytes(bytes.begin(), bytes.end());
    }

    test::TempFolder m_temp;
    TStoreTestRoot m_root{nullptr};
    TPackFiles& m_store = m_root.Make<TPackFiles>();
};

struct LookupCase {
    const char* name;
    const char* request;
    int expectedEntry;  // index into the entries below, -1 for none
};

class GetFileStreamTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(GetFileStreamTest, FindsFirstEntryByAsciiCaseInsensitiveName) {
    TStoreTestRoot root(nullptr);
    TPackFiles& store = root.Make<TPackFiles>();
    const char* names[] = {"UNRAR.DLL", "A", "a", "\xC3\x89T\xC3\x89", "readme.txt"};
    for (int i = 0; i < 5; ++i) AddEntry(store, names[i], test::Random(100 + i * 7, i), i % 2);
    store.Items()->Items(0)->Data()->SetSize(40960);

    std::unique_ptr<TMemoryStream> stream = store.GetFileStream(GetParam().request);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Position(), 0);
    if (GetParam().expectedEntry < 0) {
        EXPECT_EQ(stream->Size(), 0);
    } else {
        EXPECT_EQ(Contents(*stream),
                  Contents(*store.Items()->Items(GetParam().expectedEntry)->Data()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, GetFileStreamTest,
    ::testing::Values(LookupCase{"LowerCaseFindsUpperCase", "unrar.dll", 0},
                      LookupCase{"UnknownNameGivesEmptyStream", "libunrar.so", -1},
                      LookupCase{"PrefixIsNoMatch", "UNRAR.DL", -1},
                      LookupCase{"LongerNameIsNoMatch", "UNRAR.DLL ", -1},
                      LookupCase{"FirstOfTwoEqualNamesWins", "a", 1},
                      LookupCase{"UpperCaseRequestFindsFirstToo", "A", 1},
                      LookupCase{"NonAsciiBytesMatchExactly", "\xC3\x89t\xC3\x89", 3},
                      LookupCase{"NonAsciiBytesAreNotFolded", "\xC3\xA9T\xC3\xA9", -1},
                      LookupCase{"EmptyNameMatchesNothing", "", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackFilesTest, GetFileStreamHandsOutACopy) {
    AddEntry(m_store, "UNRAR.DLL", Text("library bytes"));
    auto stream = m_store.GetFileStream("unrar.dll");
    ASSERT_EQ(stream->Size(), 13);
    EXPECT_EQ(stream->Size(), 13);
    stream->SetPosition(0);
    stream->WriteBuffer("LIBRARY", 7);
    EXPECT_EQ(Contents(*m_store.Items()->Items(0)->Data()), Text("library bytes"));
}

TEST_F(PackFilesTest, VersionIsAlwaysOnePointThree) {
    EXPECT_EQ(m_store.Version(), "1.3");
    m_store.SetVersion("2.0");
    EXPECT_EQ(m_store.Version(), "1.3");
    auto root = CreateFromDesign(
        "object Main: TStoreTestRoot\n  object kivFiles: TPackFiles\n    Version = '2.0'\n"
        "  end\nend\n",
        "version.kiv");
    auto* store = dynamic_cast<TPackFiles*>(root->FindComponent("kivFiles"));
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Version(), "1.3");
}

TEST_F(PackFilesTest, NewEntryIsEmptyAndCompressed) {
    TFileItem& item = *m_store.Items()->Add();
    EXPECT_TRUE(item.Compress());
    EXPECT_EQ(item.Data()->Size(), 0);
    EXPECT_EQ(m_store.Items()->Count(), 1);
    EXPECT_EQ(m_store.Items()->PackFiles(), &m_store);
}

TEST_F(PackFilesTest, FilenameLoadsTheFileAndNamesTheEntry) {
    const Bytes bytes = test::Mixed(50000, 4);
    const std::string path = WriteFile("libunrar.so", bytes);
    TFileItem& item = *m_store.Items()->Add();
    item.SetFilename(path);
    EXPECT_EQ(item.Name(), "libunrar.so");
    EXPECT_EQ(item.Filename(), path);
    EXPECT_EQ(Contents(*item.Data()), bytes);
    EXPECT_EQ(item.Data()->Position(), item.Data()->Size()) << "left at the end";
}

TEST_F(PackFilesTest, FilenameSetAgainToTheSamePathDoesNotReload) {
    const std::string path = WriteFile("a.bin", Text("first"));
    TFileItem& item = *m_store.Items()->Add();
    item.SetFilename(path);
    WriteFile("a.bin", Text("second"));
    item.SetName("renamed");
    item.SetFilename(path);
    EXPECT_EQ(Contents(*item.Data()), Text("first"));
    EXPECT_EQ(item.Name(), "renamed");
    item.SetFilename("");
    EXPECT_EQ(item.Filename(), path);
}

TEST_F(PackFilesTest, MissingFileIsReportedAndLeavesTheEntryAlone) {
    TFileItem& item = AddEntry(m_store, "keep", Text("kept bytes"));
    for (const std::string& path : {m_temp / "missing", m_temp.Path()}) {
        try {
            item.SetFilename(path);
            FAIL() << path << " must be refused";
        } catch (const EPackerError& e) {
            EXPECT_EQ(e.Message(), "The specified file does not exist.");
        }
        EXPECT_EQ(item.Name(), "keep");
        EXPECT_EQ(item.Filename(), "");
        EXPECT_EQ(Contents(*item.Data()), Text("kept bytes"));
    }
}

TEST_F(PackFilesTest, SaveToFileWritesAllBytes) {
    TFileItem& item = AddEntry(m_store, "x", test::Mixed(70000, 8));
    EXPECT_FALSE(item.SaveToFile(""));
    const std::string path = WriteFile("out.bin", Text("older and longer content than nothing"));
    item.Data()->SetSize(10);
    EXPECT_TRUE(item.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), Contents(*item.Data()));
    EXPECT_THROW(item.SaveToFile(m_temp / "no/dir"), EFCreateError);
}

TEST_F(PackFilesTest, SaveToStreamAppendsAtPositionAndRewinds) {
    TFileItem& item = AddEntry(m_store, "x", Text("entry"));
    TMemoryStream stream;
    stream.WriteBuffer("head|", 5);
    EXPECT_TRUE(item.SaveToStream(stream));
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(Contents(stream), Text("head|entry"));
}

TEST_F(PackFilesTest, WriteDataStoresCompressedOrPlainForm) {
    const Bytes bytes = Bytes(20, 'a');
    TFileItem& item = AddEntry(m_store, "x", bytes);
    TMemoryStream compressed;
    item.WriteData(compressed);
    EXPECT_EQ(Contents(compressed),
              test::Hex("5A 50 4B 0B 00 00 00 07 00 00 00 40 80 00 00 00 04 61"));

    item.SetCompress(false);
    EXPECT_EQ(Contents(*item.Data()), bytes) << "the flag leaves the bytes alone";
    TMemoryStream plain;
    item.WriteData(plain);
    EXPECT_EQ(Contents(plain), bytes);
}

TEST_F(PackFilesTest, ReadDataLetsMessagesThroughFirst) {
    TFileItem& item = AddEntry(m_store, "x", Text("old"), false);
    std::vector<std::int64_t> sizesSeen;
    auto previous = SetProcessMessagesHook([&] { sizesSeen.push_back(item.Data()->Size()); });
    TMemoryStream stored;
    stored.WriteBuffer("fresh bytes", 11);
    stored.SetPosition(0);
    item.ReadData(stored);
    SetProcessMessagesHook(previous);
    EXPECT_EQ(sizesSeen, std::vector<std::int64_t>{3});
    EXPECT_EQ(Contents(*item.Data()), Text("fresh bytes"));
    EXPECT_EQ(item.Data()->Position(), 0);
}

TEST_F(PackFilesTest, ReadDataReplacesLongerBytesEntirely) {
    TFileItem& item = AddEntry(m_store, "x", Text("a much longer old content"), false);
    TMemoryStream stored;
    stored.WriteBuffer("new", 3);
    stored.SetPosition(0);
    item.ReadData(stored);
    EXPECT_EQ(Contents(*item.Data()), Text("new"));

    item.SetCompress(true);
    TMemoryStream form;
    TMemoryStream source;
    source.WriteBuffer("zz", 2);
    source.SetPosition(0);
    TCompressStream().CompressStream(source, form, 2);
    form.SetPosition(0);
    item.ReadData(form);
    EXPECT_EQ(Contents(*item.Data()), Text("zz"));
}

TEST_F(PackFilesTest, DamagedCompressedDataIsRejectedAndEntryKept) {
    TFileItem& item = AddEntry(m_store, "x", Text("kept"));
    TMemoryStream stored;
    const Bytes damaged = test::Hex("5A 50 4B 09 00 00 00 05 00 00 00 40 80 00 00 10");
    stored.WriteBuffer(damaged.data(), static_cast<std::int64_t>(damaged.size()));
    stored.SetPosition(0);
    EXPECT_THROW(item.ReadData(stored), EPackerError);
    EXPECT_EQ(Contents(*item.Data()), Text("kept"));
}

TEST_F(PackFilesTest, AssigningItemsWithEntriesFailsAndKeepsTheStore) {
    TStoreTestRoot otherRoot(nullptr);
    TPackFiles& other = otherRoot.Make<TPackFiles>();
    AddEntry(other, "ONE", Text("first"), false, "plain one");
    AddEntry(m_store, "OLD", Text("kept"));

    try {
        m_store.SetItems(other.Items());
        FAIL() << "entries have no copy operation";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TFileItem to a TFileItem");
    }
    ASSERT_EQ(m_store.Items()->Count(), 1) << "a failed assignment must not empty the store";
    EXPECT_EQ(m_store.Items()->Items(0)->Name(), "OLD");
    EXPECT_EQ(Contents(*m_store.Items()->Items(0)->Data()), Text("kept"));

    TPackFiles& empty = otherRoot.Make<TPackFiles>();
    m_store.SetItems(empty.Items());
    EXPECT_EQ(m_store.Items()->Count(), 0) << "an empty collection assigns";
    AddEntry(m_store, "NEW", Text("x"));
    m_store.SetItems(m_store.Items());
    EXPECT_EQ(m_store.Items()->Count(), 1) << "assigning its own items changes nothing";
}

TEST_F(PackFilesTest, DesignRoundTripKeepsEveryEntry) {
    AddEntry(m_store, "LIBUNRAR.SO", test::Mixed(70000, 12), true, "RAR library");
    AddEntry(m_store, "PLAIN.BIN", test::Random(500, 3), false, "kept as it is");
    AddEntry(m_store, "EMPTY.PACKED", Bytes{}, true, "");
    AddEntry(m_store, "EMPTY.PLAIN", Bytes{}, false, "nothing");
    m_store.SetName("kivFiles");
    m_store.Items()->Items(0)->SetFilename(WriteFile("ignored.bin", Text("never stored")));
    SetBytes(*m_store.Items()->Items(0), test::Mixed(70000, 12));
    m_store.Items()->Items(0)->SetName("LIBUNRAR.SO");

    const std::string text = WriteDesign(m_root);
    EXPECT_EQ(text.find("Filename"), std::string::npos) << text;
    const std::size_t name = text.find("Name = 'PLAIN.BIN'");
    const std::size_t description = text.find("Description = 'kept as it is'");
    const std::size_t compress = text.find("Compress = False", description);
    const std::size_t data = text.find("TPFData", compress);
    ASSERT_NE(name, std::string::npos) << text;
    EXPECT_LT(name, description);
    EXPECT_LT(description, compress);
    EXPECT_LT(compress, data);

    auto root = CreateFromDesign(text, "store.kiv");
    auto* store = dynamic_cast<TPackFiles*>(root->FindComponent("kivFiles"));
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->Items()->Count(), 4);
    for (int i = 0; i < 4; ++i) {
        const TFileItem& read = *store->Items()->Items(i);
        const TFileItem& written = *m_store.Items()->Items(i);
        EXPECT_EQ(read.Name(), written.Name());
        EXPECT_EQ(read.Description(), written.Description());
        EXPECT_EQ(read.Compress(), written.Compress());
        EXPECT_EQ(Contents(*read.Data()), Contents(*written.Data())) << written.Name();
        EXPECT_EQ(read.Data()->Position(), 0);
        EXPECT_EQ(read.Filename(), "");
    }
    EXPECT_EQ(WriteDesign(*root), text) << "written again, the design is the same";
}

TEST_F(PackFilesTest, DesignWithDamagedEntryFailsWithThePackerMessage) {
    const std::string design =
        "object Main: TStoreTestRoot\n"
        "  object kivFiles: TPackFiles\n"
        "    Items = <\n"
        "      item\n"
        "        Name = 'BAD'\n"
        "        Compress = True\n"
        "        TPFData = {5A504B090000000500000040800000 10}\n"
        "      end>\n"
        "  end\n"
        "end\n";
    try {
        CreateFromDesign(design, "damaged.kiv");
        FAIL() << "a damaged entry must fail the design";
    } catch (const EDesignError& e) {
        EXPECT_NE(e.Message().find("reaches before the start of the block"), std::string::npos)
            << e.Message();
        EXPECT_NE(e.Message().find("damaged.kiv"), std::string::npos) << e.Message();
    }
}

}  // namespace
}  // namespace kiv
