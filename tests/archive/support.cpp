// Helpers of the engine tests.
#include "tests/archive/support.h"

#include <dlfcn.h>

#include <stdexcept>

namespace kiv::test {

void EventLog::Attach(TUnRAR& rar, bool withNextVolume) {
    rar.SetOnActivate([this](TObject*) { lines.push_back("activate"); });
    rar.SetOnDeactivate([this](TObject*) { lines.push_back("deactivate"); });
    rar.SetOnProgress([this](TObject*, std::uint8_t f, std::uint8_t a) {
        progress.emplace_back(f, a);
        lines.push_back("progress " + std::to_string(f) + " " + std::to_string(a));
    });
    rar.SetOnBegin([this](TObject*, const std::string& fn, int rec, bool&) {
        lines.push_back("begin " + fn + " " + std::to_string(rec));
    });
    rar.SetOnError([this](TObject*, const std::string& fn, const std::string& msgEx,
                          const std::string& volumeId, int code) {
        errors.push_back({fn, msgEx, volumeId, code});
        lines.push_back("error " + std::to_string(code) + " " + fn);
    });
    if (withNextVolume) {
        rar.SetOnNextVolume(
            [this](TObject*, std::string& name, const std::string& id, bool exists, bool& cancel) {
                volumeIds.push_back(id);
                lines.push_back("volume " + name + " " + id + " " + (exists ? "1" : "0"));
                cancel = refuseVolumes;
            });
    }
}

std::vector<std::string> EventLog::Of(const std::string& kind) const {
    std::vector<std::string> result;
    for (const std::string& line : lines)
        if (line.rfind(kind + " ", 0) == 0 || line == kind) result.push_back(line);
    return result;
}

FakeLibrary::FakeLibrary(const std::string& path) {
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) throw std::runtime_error(::dlerror());
    m_setScript = reinterpret_cast<void (*)(const char*)>(::dlsym(m_handle, "FakeUnrarSetScript"));
    m_log = reinterpret_cast<const char* (*)()>(::dlsym(m_handle, "FakeUnrarLog"));
    if (m_setScript == nullptr || m_log == nullptr) throw std::runtime_error("fake symbols");
}

FakeLibrary::~FakeLibrary() {
    ::dlclose(m_handle);
}

void FakeLibrary::Script(const std::string& script) {
    m_setScript(script.c_str());
}

std::string FakeLibrary::Log() const {
    return m_log();
}

fixture::FixtureEntry FileEntry(const std::string& name, const std::string& data,
                                std::uint32_t hostOs, std::uint32_t attr) {
    fixture::FixtureEntry e;
    e.name = name;
    e.data = data;
    e.hostOs = hostOs;
    e.attr = attr;
    return e;
}

fixture::FixtureEntry FolderEntry(const std::string& name, std::uint32_t hostOs) {
    fixture::FixtureEntry e;
    e.name = name;
    e.directory = true;
    e.hostOs = hostOs;
    e.attr = hostOs == 3 ? 040755 : 0x10;
    return e;
}

fixture::FixtureOptions SetOptions(fixture::ArchiveFormat format, std::uint64_t volumeSize,
                                   fixture::VolumeNaming naming) {
    fixture::FixtureOptions o;
    o.format = format;
    o.volumeSize = volumeSize;
    o.naming = naming;
    return o;
}

void RealLibraryTest::SetUp() {
    ArchiveTest::SetUp();
    m_engine = std::make_unique<EngineScope>(KIV_UNRAR_LIBRARY);
    ASSERT_TRUE(LibraryLoaded()) << RarLibraryError();
}

void RealLibraryTest::TearDown() {
    m_engine.reset();
    ArchiveTest::TearDown();
}

std::vector<std::string> RealLibraryTest::Write(const std::vector<fixture::FixtureEntry>& entries,
                                                const fixture::FixtureOptions& options,
                                                const std::string& name) {
    return fixture::WriteRarArchive(Path(name), entries, options);
}

std::unique_ptr<TUnRAR> MainWindowExtractor(const std::string& archive, const std::string& dest) {
    auto rar = std::make_unique<TUnRAR>(nullptr);
    rar->SetConfirmOverwrites(false);
    rar->SetExtractDir(dest);
    rar->SetArchiveFile(archive);
    rar->FileSpec()->Add("*.*");
    return rar;
}

}  // namespace kiv::test
