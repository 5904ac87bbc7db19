// Checking a release folder against its .sfv lists: what the folder holds, the check of every
// listed file, and the summary a user reads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/nfocrc/sfv.h"
#include "platform/result.h"

namespace kiv::nfocrc {

// The files of a release folder this tool reads. Names are bare file names in the folder.
struct ReleaseFiles {
    std::string folder;                 // absolute, with a trailing '/'
    std::vector<std::string> sfvFiles;  // every "*.sfv" (any case), sorted by name
    std::string nfoFile;                // the first "*.nfo" (any case) by name; empty when none
};

// Looks into `folder` (relative to the current folder or absolute); fails when it cannot be
// listed, with the system's reason.
platform::Result<ReleaseFiles> FindReleaseFiles(const std::string& folder);

// The entries of every list of a release, and what could not be used, as lines for the user
// ("demo.sfv line 4: ..."). A name in a second list already named by an earlier one is a
// problem too, so every file is checked once.
struct CheckList {
    std::vector<SfvEntry> entries;
    std::vector<std::string> problems;
};
CheckList ReadCheckList(const ReleaseFiles& release);

// The lines of the .nfo file as UTF-8 (code page 437 bytes turned into their characters, tabs
// into blanks up to the next multiple of eight); empty when there is none or it cannot be read.
// At most kMaxNfoLines lines are kept.
inline constexpr std::size_t kMaxNfoLines = 2000;
std::vector<std::string> ReadNfoLines(const ReleaseFiles& release);

enum class Verdict { Ok, Bad, Missing, Unreadable };

struct FileResult {
    std::string name;
    Verdict verdict = Verdict::Ok;
    std::uint32_t expected = 0;
    std::uint32_t actual = 0;  // Ok and Bad only
    std::string error;         // Unreadable only
};

struct Summary {
    std::size_t ok = 0, bad = 0, missing = 0, unreadable = 0;
    std::size_t refusedLines = 0;  // problems of the lists
    bool stopped = false;          // the user ended the check early
    // True only when every listed file was read and matched, nothing was refused and the list
    // named at least one file.
    bool AllOk() const;
};

// Checks the entries in list order, one file after another. Progress may be read from another
// thread while Run goes on; everything else belongs to the thread that calls Run.
class ReleaseCheck {
public:
    // Finds each entry's size up front (missing files count 0) for the progress.
    ReleaseCheck(std::string folder, std::vector<SfvEntry> entries);

    std::uint64_t TotalBytes() const { return m_totalBytes; }
    // Safe from any thread.
    std::uint64_t BytesDone() const { return m_bytesDone.load(std::memory_order_relaxed); }
    // The index of the entry being read (entries().size() when done). Safe from any thread.
    std::size_t Current() const { return m_current.load(std::memory_order_relaxed); }
    const std::vector<SfvEntry>& Entries() const { return m_entries; }

    // Reads every file; `onResult` (may be empty) hears each file's result as soon as it is
    // known. Setting `stop` ends the run after the current chunk; the results then cover the
    // files finished before.
    void Run(const std::atomic<bool>& stop,
             const std::function<void(const FileResult&)>& onResult = {});

    const std::vector<FileResult>& Results() const { return m_results; }
    bool Stopped() const { return m_stopped; }

private:
    FileResult CheckOne(const SfvEntry& entry, const std::atomic<bool>& stop);

    std::string m_folder;
    std::string m_realFolder;
    std::vector<SfvEntry> m_entries;
    std::uint64_t m_totalBytes = 0;
    std::atomic<std::uint64_t> m_bytesDone{0};
    std::atomic<std::size_t> m_current{0};
    std::vector<FileResult> m_results;
    std::vector<std::uint8_t> m_buffer;
    bool m_stopped = false;
};

Summary Summarise(const std::vector<FileResult>& results, std::size_t refusedLines, bool stopped);

// "OK       name", "BAD      name (CRC-32 1234abcd, listed 89abcdef)", "MISSING  name",
// "UNREADABLE name: reason".
std::string ResultLine(const FileResult& result);
// "12 files: 10 OK, 1 bad, 1 missing" with ", 1 unreadable", ", 2 lines refused" and
// " (stopped)" where they apply.
std::string SummaryText(const Summary& summary, std::size_t listed);

}  // namespace kiv::nfocrc
