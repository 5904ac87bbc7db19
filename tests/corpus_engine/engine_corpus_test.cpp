// kiv-extract on every archive and set of the libarchive corpus: stored sets come out
// byte-identical to unar's extraction, everything else ends with a clear error and leaves only
// complete files, nothing hangs and no volume changes.
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

// Turns `lsar -j` into one line per entry: name, stored, folder, encrypted, link (0/1).
constexpr const char* kListing = R"PY(
import json, sys
for e in json.load(sys.stdin).get("lsarContents", []):
    flag = lambda k: "1" if e.get(k) else "0"
    enc = "1" if e.get("XADIsEncrypted") or any(p.get("Encrypted") for p in e.get("RARInputParts", [])) else "0"
    stored = "1" if e.get("XADCompressionName") == "None" else "0"
    print("\t".join([e.get("XADFileName", ""), stored, flag("XADIsDirectory"), enc, flag("XADIsLink")]))
)PY";

struct Entry {
    std::string name;
    bool stored = false;
    bool folder = false;
    bool encrypted = false;
    bool link = false;
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
        std::string stored, folder, encrypted, link;
        std::getline(fields, e.name, '\t');
        std::getline(fields, stored, '\t');
        std::getline(fields, folder, '\t');
        std::getline(fields, encrypted, '\t');
        std::getline(fields, link, '\t');
        e.stored = stored == "1";
        e.folder = folder == "1";
        e.encrypted = encrypted == "1";
        e.link = link == "1";
        entries.push_back(e);
    }
    return entries;
}

class EngineCorpus : public kiv::corpus::CorpusTest {
protected:
    EngineCorpus() : CorpusTest({"unar", "lsar", "python3"}) {}
};

TEST_F(EngineCorpus, KivExtractMatchesUnarOnEveryArchive) {
    const std::map<std::string, std::string> before = kiv::corpus::SnapshotCorpus();
    std::size_t identical = 0;
    std::size_t storedSets = 0;
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

        bool allStored = peer == 0 && !entries.empty();
        for (const Entry& e : entries) {
            if (!e.folder && (!e.stored || e.encrypted || e.link)) allStored = false;
        }
        const std::vector<std::string> extracted = ListFiles(ours.string());
        const std::vector<std::string> expected = ListFiles(theirs.string());
        // Whatever was written is complete and right: no partial or stray file.
        for (const std::string& name : extracted) {
            ASSERT_TRUE(std::binary_search(expected.begin(), expected.end(), name))
                << "unexpected file " << name;
            EXPECT_EQ(ReadFile(ours / name), ReadFile(theirs / name)) << name;
            ++identical;
        }
        if (allStored) {
            EXPECT_EQ(extracted, expected) << errorText;
            if (status == 0) ++storedSets;
        }
        if (extracted != expected || peer != 0) {
            // Something was not extracted: the run must have failed and said why.
            EXPECT_EQ(status, 1);
        }
        if (status != 0) {
            EXPECT_TRUE(errorText.find("error ") != std::string::npos ||
                        errorText.find("missing volume ") != std::string::npos)
                << errorText;
        }
    }
    std::cout << storedSets << " stored archives and sets extracted in full, " << identical
              << " files identical to unar's\n";
    EXPECT_GT(storedSets, 5u);
    EXPECT_GT(identical, 20u);
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
}

}  // namespace
