// Library search order, error texts, symbols and the release of the handle.
#include "platform/library_handle.h"

#include <dlfcn.h>

#include <gtest/gtest.h>
#include <filesystem>

#include "platform/folders.h"
#include "tests/support/files.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_folder.h"

namespace kiv::platform {
namespace {

using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

constexpr const char* kName = "libkivprobe.so";
const std::string kFirst = KIV_PROBE_FIRST_DIR;
const std::string kSecond = KIV_PROBE_SECOND_DIR;

int ValueOf(const LibraryHandle& library) {
    const Result<void*> symbol = library.Symbol("kiv_probe_value");
    EXPECT_TRUE(symbol.ok()) << symbol.error();
    if (!symbol) return -1;
    return reinterpret_cast<int (*)()>(*symbol)();
}

bool IsMapped(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    ::dlclose(handle);
    return true;
}

struct OrderCase {
    const char* name;
    std::vector<std::string> folders;
    int value;
};

class LibrarySearchOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(LibrarySearchOrder, TakesFirstFolderThatHoldsTheFile) {
    const Result<LibraryHandle> library = LibraryHandle::Load(kName, GetParam().folders);
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(ValueOf(*library), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    LibraryHandle, LibrarySearchOrder,
    ::testing::Values(OrderCase{"FirstBeforeSecond", {kFirst, kSecond}, 1},
                      OrderCase{"SecondBeforeFirst", {kSecond, kFirst}, 2},
                      OrderCase{"FolderWithTrailingSlash", {kSecond + "/", kFirst}, 2},
                      OrderCase{"MissingFolderSkipped", {"/nonexistent/kiv", kSecond}, 2},
                      OrderCase{"EmptyFolderSkipped", {std::string(), kFirst}, 1}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return info.param.name; });

class LibraryHandleTest : public ::testing::Test {
protected:
    TempFolder m_temp;
};

TEST_F(LibraryHandleTest, BrokenFileIsPassedOverForALaterFolder) {
    WriteFile(m_temp / kName, "not a library");
    const Result<LibraryHandle> library = LibraryHandle::Load(kName, {m_temp.Path(), kSecond});
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(ValueOf(*library), 2);
}

TEST_F(LibraryHandleTest, BrokenFileIsTheReasonGivenWhenNothingLoads) {
    WriteFile(m_temp / kName, "not a library");
    const Result<LibraryHandle> library = LibraryHandle::Load(kName, {m_temp.Path()});
    ASSERT_FALSE(library.ok());
    EXPECT_EQ(library.error().rfind(std::string("Cannot load ") + kName + ": ", 0), 0u)
        << library.error();
    EXPECT_NE(library.error().find(m_temp / kName), std::string::npos) << library.error();
}

TEST_F(LibraryHandleTest, MissingEverywhereNamesFileAndLoaderReason) {
    const Result<LibraryHandle> library =
        LibraryHandle::Load("libkiv-no-such-library.so", {m_temp.Path(), kFirst});
    ASSERT_FALSE(library.ok());
    EXPECT_EQ(library.error(),
              "Cannot load libkiv-no-such-library.so: libkiv-no-such-library.so: cannot open "
              "shared object file: No such file or directory");
}

TEST_F(LibraryHandleTest, NameWithSlashIsLoadedAsGiven) {
    const Result<LibraryHandle> library = LibraryHandle::Load(kSecond + "/" + kName, {kFirst});
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(ValueOf(*library), 2);
    EXPECT_EQ(library->Path(), kSecond + "/" + kName);
}

TEST_F(LibraryHandleTest, DefaultSearchFindsTheSystemDirectory) {
    ScopedEnv home("HOME", m_temp.Path());
    const Result<std::string> system = SystemDirectory();
    ASSERT_TRUE(system.ok()) << system.error();
    std::filesystem::copy_file(kFirst + "/" + kName, *system + "/" + kName);
    const Result<LibraryHandle> library = LibraryHandle::Load(kName);
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(library->Path(), *system + "/" + kName);
    EXPECT_EQ(ValueOf(*library), 1);
}

TEST_F(LibraryHandleTest, MissingSymbolNamesIt) {
    const Result<LibraryHandle> library = LibraryHandle::Load(kName, {kFirst});
    ASSERT_TRUE(library.ok()) << library.error();
    const Result<void*> symbol = library->Symbol("RARNoSuchCall");
    ASSERT_FALSE(symbol.ok());
    EXPECT_EQ(symbol.error().rfind("Cannot find symbol RARNoSuchCall in ", 0), 0u)
        << symbol.error();
    EXPECT_NE(symbol.error().find("undefined symbol: RARNoSuchCall"), std::string::npos)
        << symbol.error();
}

TEST_F(LibraryHandleTest, EmptyHandleHasNoSymbols) {
    const LibraryHandle empty;
    EXPECT_FALSE(empty.IsLoaded());
    EXPECT_FALSE(empty.Symbol("kiv_probe_value").ok());
}

TEST_F(LibraryHandleTest, DestructionUnloadsTheLibrary) {
    const std::string path = kFirst + "/" + kName;
    {
        Result<LibraryHandle> library = LibraryHandle::Load(kName, {kFirst});
        ASSERT_TRUE(library.ok()) << library.error();
        EXPECT_TRUE(IsMapped(path));
    }
    EXPECT_FALSE(IsMapped(path));
}

TEST_F(LibraryHandleTest, MoveHandsOverOwnership) {
    const std::string path = kFirst + "/" + kName;
    Result<LibraryHandle> loaded = LibraryHandle::Load(kName, {kFirst});
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    LibraryHandle owner = std::move(*loaded);
    EXPECT_FALSE(loaded->IsLoaded());
    loaded->Reset();
    EXPECT_TRUE(IsMapped(path));
    EXPECT_EQ(ValueOf(owner), 1);

    Result<LibraryHandle> other = LibraryHandle::Load(kName, {kSecond});
    ASSERT_TRUE(other.ok()) << other.error();
    owner = std::move(*other);
    EXPECT_FALSE(IsMapped(path));
    EXPECT_EQ(ValueOf(owner), 2);
    owner.Reset();
    EXPECT_FALSE(owner.IsLoaded());
    EXPECT_FALSE(IsMapped(kSecond + "/" + kName));
}

}  // namespace
}  // namespace kiv::platform
