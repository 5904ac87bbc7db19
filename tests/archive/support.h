// Helpers of the engine tests: an event recorder, the engine with a chosen library, the scripted
// fake library and fixture shorthands; the folder and file helpers come from tests/support.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/un_rar.h"
#include "archive/unrar_binding.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "tools/rarfixture/rar_writer.h"

namespace kiv::test {

// Each test runs in a new empty folder that is its current folder.
using ArchiveTest = TempFolderTest;

struct ErrorReport {
    std::string fn;
    std::string msgEx;
    std::string volumeId;
    int code = 0;
};

// Records the events of an extractor in order, as short lines ("activate", "progress 0 0",
// "begin /x/a.txt 1", "error 25151 a.txt", "volume /x/v.r00 0 1", ...).
class EventLog {
public:
    // Hooks every event; OnNextVolume answers "go on" unless refuseVolumes is set.
    void Attach(TUnRAR& rar, bool withNextVolume = true);

    std::vector<std::string> lines;
    std::vector<ErrorReport> errors;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> volumeIds;
    bool refuseVolumes = false;
    // Lines of one kind ("progress", "begin", ...).
    std::vector<std::string> Of(const std::string& kind) const;
};

// The engine with the library at `path` (a full path), for one test.
class EngineScope {
public:
    explicit EngineScope(const std::string& path) : m_engine(LibrarySource{path, std::nullopt}) {}

private:
    ArchiveEngine m_engine;
};

// The scripted fake library: loads the same file the engine loads and sets its script.
class FakeLibrary {
public:
    explicit FakeLibrary(const std::string& path);
    ~FakeLibrary();
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;
    void Script(const std::string& script);
    std::string Log() const;

private:
    void* m_handle = nullptr;
    void (*m_setScript)(const char*) = nullptr;
    const char* (*m_log)() = nullptr;
};

// Fixture entries and options without spelling out every field.
fixture::FixtureEntry FileEntry(const std::string& name, const std::string& data,
                                std::uint32_t hostOs = 2, std::uint32_t attr = 0x20);
fixture::FixtureEntry FolderEntry(const std::string& name, std::uint32_t hostOs = 2);
fixture::FixtureOptions SetOptions(fixture::ArchiveFormat format, std::uint64_t volumeSize = 0,
                                   fixture::VolumeNaming naming = fixture::VolumeNaming::New);

// A test against our RAR library, loaded for the test, with archives the fixture writer makes.
class RealLibraryTest : public ArchiveTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes the archive or set `name` in the test's folder; returns its volumes.
    std::vector<std::string> Write(const std::vector<fixture::FixtureEntry>& entries,
                                   const fixture::FixtureOptions& options,
                                   const std::string& name = "set.rar");

private:
    std::unique_ptr<EngineScope> m_engine;
};

// A TUnRAR as the main window drives it: ExtractDir, ArchiveFile, "*.*" added to FileSpec,
// ConfirmOverwrites off.
std::unique_ptr<TUnRAR> MainWindowExtractor(const std::string& archive, const std::string& dest);

}  // namespace kiv::test
