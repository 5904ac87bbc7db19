// kiv-extract on every archive and set of the libarchive corpus: what unar extracts in full
// comes out byte-identical (links aside, which are reported as skipped unless they are hard
// links written as copies of their targets, and the generations of corpus_files.h that this
// build does not decode), everything else ends with a clear error and leaves only complete,
// checked files; nothing hangs and no volume changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/corpus/corpus_files.h"

namespace fs = std::filesystem;
using kiv::corpus::CorpusDir;
using kiv::corpus::FirstVolumes;
using kiv::corpus::kTimePerArchive;
using kiv::test::kToolEnvironment;
using kiv::test::ListFiles;
using kiv::test::ReadFile;
using kiv::test::RunShell;
using kiv::test::ShellQuote;

namespace {

// Turns `lsar -j` into one line per entry: name, stored, folder, encrypted, link (0 none, 1 a
// link, 2 a hard link), and the
// unpack version as our library reports it (RAR 5.0: 50, or 70 for the later algorithm).
constexpr const char* kListing = R"PY(
import json, sys
for e in json.load(sys.stdin).get("lsarContents", []):
    flag = lambda k: "1" if e.get(k) else "0"
    enc = "1" if e.get("XADIsEncrypted") or any(p.get("Encrypted") for p in e.get("RARInputParts", [])) else "0"
    stored = "1" if e.get("XADCompressionName") == "None" else "0"
    if "RAR5CompressionVersion" in e:
        version = {0: 50, 1: 70}.get(e["RAR5CompressionVersion"], 0)
    else:
        version = e.get("RARCompressionVersion", 0)
    link = "2" if e.get("XADIsHardLink") else flag("XADIsLink")
    print("\t".join([e.get("XADFileName", ""), stored, flag("XADIsDirectory"), enc, link, str(version)]))
)PY";

struct Entry {
    std::string name;
    bool stored = false;
    bool folder = false;
    bool encrypted = false;
    bool link = false;
    bool hardLink = false;
    unsigned unpVer = 0;
};

std::vector<Entry> List(const std::string& archive, const fs::path& work) {
    const fs::path script = work / "listing.py";
    std::ofstream(script) << kListing;
    const fs::path listing = work / "listing.tsv";
    RunShell("lsar -j " + ShellQuote(archive) + " 2>/dev/null | python3 " +
                 ShellQuote(script.string()) + " > " + ShellQuote(listing.string()) +
                 " 2>/dev/null",
             kTimePerArchive);
    std::vector<Entry> entries;
    std::ifstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Entry e;
        std::string stored, folder, encrypted, link, version;
        std::getline(fields, e.name, '\t');
        std::getline(fields, stored, '\t');
        std::getline(fields, folder, '\t');
        std::getline(fields, encrypted, '\t');
        std::getline(fields, link, '\t');
        std::getline(fields, version, '\t');
        e.unpVer = static_cast<unsigned>(std::strtoul(version.c_str(), nullptr, 10));
        e.stored = stored == "1";
        e.folder = folder == "1";
        e.encrypted = encrypted == "1";
        e.link = link == "1" || link == "2";
        e.hardLink = link == "2";
        entries.push_back(e);
    }
    return entries;
}

// Files that must come out in full whatever else changes: 20 MB of text over many LZ blocks and
// 241 MB that switches between PPM and LZ blocks, both RAR 2.9 (libarchive extracts neither).
const std::vector<std::string> kRequiredInFull = {"test_read_format_rar_multi_lzss_blocks.rar",
                                                  "test_read_format_rar_ppmd_lzss_conversion.rar"};

class EngineCorpus : public kiv::corpus::CorpusTest {
protected:
    EngineCorpus() : CorpusTest({"unar", "lsar", "python3"}) {}
};

TEST_F(EngineCorpus, KivExtractMatchesUnarOnEveryArchive) {
    const std::map<std::string, std::string> before = kiv::corpus::SnapshotCorpus();
    std::size_t identical = 0;
    std::size_t fullSets = 0;
    std::vector<std::string> inFull;
    for (const std::string& archive : FirstVolumes(CorpusDir())) {
        SCOPED_TRACE(archive);
        const fs::path work = Work() / fs::path(archive).filename();
        const fs::path ours = work / "ours";
        const fs::path theirs = work / "unar";
        fs::create_directories(work);
        const std::vector<Entry> entries = List(archive, work);
        const int peer = RunShell("unar -q -f -D -o " + ShellQuote(theirs.string()) + " " +
                                      ShellQuote(archive) + " >/dev/null 2>&1",
                                  kTimePerArchive);
        const fs::path errors = work / "errors.txt";
        const int status =
            RunShell(kToolEnvironment + ShellQuote(KIV_EXTRACT) + " " + ShellQuote(archive) + " " +
                         ShellQuote(ours.string()) + " >/dev/null 2>" + ShellQuote(errors.string()),
                     kTimePerArchive);
        ASSERT_NE(status, 124) << "kiv-extract took longer than " << kTimePerArchive.count()
                               << " s";
        ASSERT_TRUE(status == 0 || status == 1) << "kiv-extract ended with " << status;
        const std::string errorText = ReadFile(errors);

        // What unar extracted that we must extract too: everything but links, and but the
        // entries of generations this build does not decode (an archive with one of those ends
        // there, as a failed entry ends the run). A hard link to a file of the archive comes
        // out as a copy of that file (unar makes it a symbolic link to it).
        bool excused = false;
        bool links = false;
        std::vector<std::string> linkNames;
        std::vector<std::string> copies;
        for (const Entry& e : entries) {
            if (e.folder) continue;
            if (e.hardLink && fs::is_regular_file(theirs / e.name)) {
                copies.push_back(e.name);
                continue;
            }
            if (e.link) {
                links = true;
                linkNames.push_back(e.name);
                continue;
            }
            if (e.stored || e.encrypted) continue;
            const auto generation = kiv::corpus::GenerationOf(e.unpVer);
            if (generation != kiv::corpus::Generation::Decoded) {
                excused = true;
                std::cout << kiv::corpus::Describe(generation) << ": " << archive << ": " << e.name
                          << " (unpack version " << e.unpVer << ")\n";
            }
        }
        const std::vector<std::string> extracted = ListFiles(ours.string());
        std::vector<std::string> expected = ListFiles(theirs.string());
        std::erase_if(expected, [&](const std::string& name) {
            return std::find(linkNames.begin(), linkNames.end(), name) != linkNames.end();
        });
        expected.insert(expected.end(), copies.begin(), copies.end());
        std::sort(expected.begin(), expected.end());
        // Whatever was written is complete and right: no partial or stray file.
        for (const std::string& name : extracted) {
            if (peer != 0) {
                // unar fails on this archive (and may leave broken files); ours passed the
                // entry's own data check.
                const bool same = std::binary_search(expected.begin(), expected.end(), name) &&
                                  ReadFile(ours / name) == ReadFile(theirs / name);
                if (!same) {
                    std::cout << "kiv-extract extracts where unar fails: " << archive << ": "
                              << name << "\n";
                }
                continue;
            }
            ASSERT_TRUE(std::binary_search(expected.begin(), expected.end(), name))
                << "unexpected file " << name;
            EXPECT_TRUE(ReadFile(ours / name) == ReadFile(theirs / name))
                << name << " differs from unar's";
            ++identical;
        }
        if (peer == 0 && !excused) {
            EXPECT_EQ(extracted, expected) << errorText;
            // A link is reported as skipped (a damaged header unar passes over silently may
            // be reported too).
            if (links) {
                EXPECT_NE(errorText.find("error 26800: Skipped File"), std::string::npos);
            }
            if (extracted == expected) {
                ++fullSets;
                inFull.push_back(fs::path(archive).filename().string());
                std::cout << "identical to unar's in full: " << archive << " (" << extracted.size()
                          << " files)\n";
            }
        }
        if (extracted != expected) {
            // Something was not extracted: the run must have failed and said why.
            EXPECT_EQ(status, 1);
        }
        if (status != 0) {
            EXPECT_TRUE(errorText.find("error ") != std::string::npos ||
                        errorText.find("missing volume ") != std::string::npos)
                << errorText;
        }
    }
    std::cout << fullSets << " archives and sets extracted in full, " << identical
              << " files identical to unar's\n";
    EXPECT_GT(fullSets, 5u);
    for (const std::string& name : kRequiredInFull) {
        EXPECT_NE(std::find(inFull.begin(), inFull.end(), name), inFull.end())
            << name << " did not come out in full";
    }
    EXPECT_GT(identical, 20u);
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
}

}  // namespace
