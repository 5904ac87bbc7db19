// Real RAR files from Debian's libarchive sources: our library lists what lsar lists, extracts
// every entry unar extracts byte-identically (links aside, and the generations of
// corpus_files.h that are not decoded here), refuses the rest with a clear code and no partial
// file, never hangs and never changes a volume.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "unrar/unrar.h"

#include "tests/corpus/corpus_files.h"

namespace fs = std::filesystem;
using kiv::corpus::CorpusDir;
using kiv::corpus::FirstVolumes;
using kiv::corpus::kTimePerArchive;
using kiv::test::ReadFile;
using kiv::test::RunShell;
using kiv::test::ShellQuote;

namespace {

bool Ascii(const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

struct OurEntry {
    int rc = 0;
    unsigned size = 0;
    bool directory = false;
    unsigned unpVer = 0;
    unsigned method = 0;
    bool encrypted = false;
    std::string name;

    bool Stored() const { return method == 0x30; }
};

struct OurRun {
    bool finished = false;
    int end = 0;
    std::vector<OurEntry> entries;
};

// Runs in a child process, so that a hang or a crash in the library is caught and reported.
void ListAndExtract(const std::string& archive, const fs::path& dest, const fs::path& report) {
    std::ofstream out(report);
    RAROpenArchiveData data{};
    std::string name = archive;
    data.ArcName = name.data();
    data.OpenMode = RAR_OM_EXTRACT;
    void* h = RAROpenArchive(&data);
    if (!h) {
        out << "end\t" << data.OpenResult << "\n";
        return;
    }
    RARHeaderData header{};
    int rc;
    while ((rc = RARReadHeader(h, &header)) == 0) {
        const bool dir =
            (header.Flags & 0xE0) == 0xE0 || (header.Flags & 0x20 && header.UnpVer >= 50);
        int processed = 0;
        if (dir) {
            processed = RARProcessFile(h, RAR_SKIP, nullptr, nullptr);
        } else {
            std::string target = (dest / header.FileName).string();
            processed = RARProcessFile(h, RAR_EXTRACT, nullptr, target.data());
        }
        out << "entry\t" << processed << "\t" << header.UnpSize << "\t" << dir << "\t"
            << header.UnpVer << "\t" << header.Method << "\t" << ((header.Flags & 0x04) != 0)
            << "\t" << header.FileName << "\n";
    }
    out << "end\t" << rc << "\n";
    RARCloseArchive(h);
}

OurRun RunOurs(const std::string& archive, const fs::path& dest, const fs::path& report) {
    OurRun run;
    pid_t child = fork();
    if (child == 0) {
        alarm(static_cast<unsigned>(kTimePerArchive.count()));
        ListAndExtract(archive, dest, report);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    std::ifstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        std::getline(fields, kind, '\t');
        if (kind == "end") {
            fields >> run.end;
            run.finished = true;
            continue;
        }
        OurEntry e;
        std::string rc, size, dir, unpVer, method, encrypted;
        std::getline(fields, rc, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, dir, '\t');
        std::getline(fields, unpVer, '\t');
        std::getline(fields, method, '\t');
        std::getline(fields, encrypted, '\t');
        std::getline(fields, e.name);
        e.rc = std::stoi(rc);
        e.size = static_cast<unsigned>(std::stoul(size));
        e.directory = dir == "1";
        e.unpVer = static_cast<unsigned>(std::stoul(unpVer));
        e.method = static_cast<unsigned>(std::stoul(method));
        e.encrypted = encrypted == "1";
        run.entries.push_back(e);
    }
    return run;
}

// lsar -l rows: "  0. -----          20   0.0%  None  2011-06-26 14:53  test.txt"
std::map<std::string, unsigned long long> ListWithLsar(const std::string& archive,
                                                       const fs::path& work) {
    const fs::path listing = work / "lsar.txt";
    RunShell(
        "lsar -l " + ShellQuote(archive) + " > " + ShellQuote(listing.string()) + " 2>/dev/null",
        kTimePerArchive);
    std::map<std::string, unsigned long long> files;
    std::ifstream in(listing);
    std::string line;
    static const std::regex row(R"(^\s*\d+\.\s+(\S{5})\s+(\d+)\s+\S+\s+\S+\s+\S+\s+\S+\s+(.*)$)");
    while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        const std::string flags = m[1];
        if (flags[0] == 'D') continue;
        std::string name = m[3];
        if (flags[2] == 'L') name = name.substr(0, name.find(" -> "));
        files[name] = std::stoull(m[2]);
    }
    return files;
}

class RarCorpus : public kiv::corpus::CorpusTest {
protected:
    RarCorpus() : CorpusTest({"unar", "lsar"}) {}
};

TEST_F(RarCorpus, MatchesUnarOnEveryArchive) {
    const std::map<std::string, std::string> before = kiv::corpus::SnapshotCorpus();
    const std::set<int> clearRefusals = {
        ERAR_UNKNOWN_FORMAT, ERAR_MISSING_PASSWORD, ERAR_BAD_DATA, ERAR_EREAD,
        ERAR_EOPEN,          ERAR_EREFERENCE,       ERAR_NO_MEMORY};
    size_t extracted = 0;
    size_t compressed = 0;
    for (const std::string& archive : FirstVolumes(CorpusDir())) {
        SCOPED_TRACE(archive);
        const fs::path work = Work() / fs::path(archive).filename();
        const fs::path ours = work / "ours", theirs = work / "unar";
        fs::create_directories(ours);
        const int peer = RunShell("unar -q -f -D -o " + ShellQuote(theirs.string()) + " " +
                                      ShellQuote(archive) + " >/dev/null 2>&1",
                                  kTimePerArchive);
        const auto listed = ListWithLsar(archive, work);

        OurRun run = RunOurs(archive, ours, work / "ours.txt");
        ASSERT_TRUE(run.finished) << "the library crashed or took longer than "
                                  << kTimePerArchive.count() << " s";
        // unar does not recognise every self-extracting layout; with no peer listing there is
        // nothing to compare, only the refusals and leftovers below are checked.
        const bool peerRead = !listed.empty();
        if (!peerRead) std::cout << "unar cannot read " << archive << "; comparison skipped\n";
        std::set<std::string> written;
        for (const OurEntry& e : run.entries) {
            SCOPED_TRACE(e.name);
            if (e.directory) continue;
            const fs::path peerFile = theirs / e.name;
            // unar extracted this entry (and all of the archive): ours must come out too.
            const bool peerHasIt = peer == 0 && fs::is_regular_file(fs::symlink_status(peerFile));
            if (e.rc == 0) {
                if (peer == 0) {
                    EXPECT_TRUE(ReadFile(ours / e.name) == ReadFile(peerFile))
                        << "differs from unar's";
                } else if (!fs::is_regular_file(peerFile) ||
                           ReadFile(ours / e.name) != ReadFile(peerFile)) {
                    // unar fails on this archive; our file passed the entry's own check.
                    std::cout << "extracted where unar fails: " << archive << ": " << e.name
                              << "\n";
                }
                written.insert(e.name);
                ++extracted;
                if (!e.Stored()) ++compressed;
            } else {
                EXPECT_TRUE(clearRefusals.count(e.rc)) << "code " << e.rc;
                EXPECT_FALSE(fs::exists(fs::symlink_status(ours / e.name)));
                if (peerHasIt && !e.encrypted && e.rc != ERAR_EREFERENCE) {
                    const auto generation = kiv::corpus::GenerationOf(e.unpVer);
                    if (e.Stored() || generation == kiv::corpus::Generation::Decoded) {
                        ADD_FAILURE() << "unar extracts it, we answered " << e.rc;
                    } else {
                        EXPECT_EQ(e.rc, ERAR_UNKNOWN_FORMAT);
                        std::cout << kiv::corpus::Describe(generation) << ": " << archive << ": "
                                  << e.name << " (unpack version " << e.unpVer << ")\n";
                    }
                }
            }
            if (peerRead && Ascii(e.name) && run.end == ERAR_END_ARCHIVE) {
                auto it = listed.find(e.name);
                ASSERT_NE(it, listed.end()) << "lsar does not list it";
                EXPECT_EQ(e.size, static_cast<unsigned>(it->second));
            }
        }
        if (peerRead && run.end == ERAR_END_ARCHIVE) {
            std::set<std::string> ourNames;
            for (const OurEntry& e : run.entries) ourNames.insert(e.name);
            for (const auto& [name, size] : listed) {
                if (Ascii(name)) {
                    EXPECT_TRUE(ourNames.count(name)) << "we missed " << name;
                }
            }
        }
        // Nothing but the files that passed their checks was left behind.
        for (const auto& item : fs::recursive_directory_iterator(ours)) {
            if (item.is_directory()) continue;
            EXPECT_TRUE(written.count(fs::relative(item.path(), ours).string()))
                << "unexpected " << item.path();
        }
    }
    std::cout << extracted << " entries extracted, " << compressed << " of them compressed\n";
    EXPECT_GT(extracted, 20u) << "too few entries extracted to mean anything";
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
}

}  // namespace
