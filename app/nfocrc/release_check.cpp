// Checking a release folder against its .sfv lists.
#include "app/nfocrc/release_check.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "app/nfocrc/file_crc.h"
#include "platform/code_page.h"
#include "platform/status.h"

namespace kiv::nfocrc {

namespace {

bool HasExtension(const std::string& name, std::string_view extension) {
    if (name.size() <= extension.size()) return false;
    const std::string_view tail = std::string_view(name).substr(name.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
    });
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The file's bytes, up to `limit`; nullopt with `error` set when it cannot be read or is larger.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit,
                                         std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = platform::ErrnoText("cannot open", path, errno);
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(limit + 1);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad()) {
        error = "read error in " + path;
        return std::nullopt;
    }
    bytes.resize(std::size_t(in.gcount()));
    if (bytes.size() > limit) {
        error = path + " is larger than " + std::to_string(limit >> 20) + " MiB";
        return std::nullopt;
    }
    return bytes;
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string Hex(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

}  // namespace

platform::Result<ReleaseFiles> FindReleaseFiles(const std::string& folder) {
    ReleaseFiles release;
    release.folder = RealPath(folder);
    if (release.folder.empty()) {
        return platform::Result<ReleaseFiles>::Failure(
            platform::ErrnoText("cannot open folder", folder, errno));
    }
    if (release.folder.back() != '/') release.folder += '/';
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(release.folder.c_str()), &::closedir);
    if (!dir) {
        return platform::Result<ReleaseFiles>::Failure(
            platform::ErrnoText("cannot open folder", folder, errno));
    }
    std::vector<std::string> nfoFiles;
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string name = item->d_name;
        const bool sfv = HasExtension(name, ".sfv");
        const bool nfo = HasExtension(name, ".nfo");
        if ((!sfv && !nfo) || !IsRegularFile(release.folder + name)) continue;
        (sfv ? release.sfvFiles : nfoFiles).push_back(name);
    }
    std::sort(release.sfvFiles.begin(), release.sfvFiles.end());
    std::sort(nfoFiles.begin(), nfoFiles.end());
    if (!nfoFiles.empty()) release.nfoFile = nfoFiles.front();
    return release;
}

CheckList ReadCheckList(const ReleaseFiles& release) {
    CheckList list;
    std::set<std::string> named;
    for (const std::string& sfvName : release.sfvFiles) {
        std::string error;
        const std::optional<std::string> text =
            ReadSmallFile(release.folder + sfvName, kMaxSfvSize, error);
        if (!text) {
            list.problems.push_back(error);
            continue;
        }
        SfvList parsed = ParseSfv(*text);
        for (const SfvProblem& problem : parsed.problems) {
            list.problems.push_back(sfvName + " line " + std::to_string(problem.line) + ": " +
                                    problem.message);
        }
        for (SfvEntry& entry : parsed.entries) {
            if (!named.insert(entry.name).second) {
                list.problems.push_back(sfvName + " line " + std::to_string(entry.line) + ": '" +
                                        entry.name + "' is listed by an earlier .sfv already");
                continue;
            }
            list.entries.push_back(std::move(entry));
        }
    }
    return list;
}

std::vector<std::string> ReadNfoLines(const ReleaseFiles& release) {
    if (release.nfoFile.empty()) return {};
    std::string error;
    const std::optional<std::string> bytes =
        ReadSmallFile(release.folder + release.nfoFile, kMaxSfvSize, error);
    if (!bytes) return {};
    const std::string text = platform::OemToUtf8(*bytes);
    std::vector<std::string> lines;
    std::string_view rest = text;
    while (!rest.empty() && lines.size() < kMaxNfoLines) {
        const std::size_t end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        std::string line;
        std::size_t column = 0;
        for (const char c : raw) {
            if (c == '\t') {
                const std::size_t next = (column / 8 + 1) * 8;
                line.append(next - column, ' ');
                column = next;
                continue;
            }
            line += c;
            // Columns count characters, so continuation bytes of UTF-8 take none.
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool Summary::AllOk() const {
    return ok > 0 && bad == 0 && missing == 0 && unreadable == 0 && refusedLines == 0 && !stopped;
}

ReleaseCheck::ReleaseCheck(std::string folder, std::vector<SfvEntry> entries)
    : m_folder(std::move(folder)), m_entries(std::move(entries)) {
    if (!m_folder.empty() && m_folder.back() != '/') m_folder += '/';
    m_realFolder = RealPath(m_folder);
    if (!m_realFolder.empty() && m_realFolder.back() != '/') m_realFolder += '/';
    for (const SfvEntry& entry : m_entries) {
        struct stat info {};
        const std::string path = m_folder + entry.name;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            m_totalBytes += std::uint64_t(info.st_size);
        }
    }
}

void ReleaseCheck::Run(const std::atomic<bool>& stop,
                       const std::function<void(const FileResult&)>& onResult) {
    m_buffer.resize(kChunkSize);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_current.store(i, std::memory_order_relaxed);
        FileResult result = CheckOne(m_entries[i], stop);
        if (m_stopped) break;
        if (onResult) onResult(result);
        m_results.push_back(std::move(result));
    }
    m_current.store(m_entries.size(), std::memory_order_relaxed);
    m_buffer = {};
}

FileResult ReleaseCheck::CheckOne(const SfvEntry& entry, const std::atomic<bool>& stop) {
    FileResult result;
    result.name = entry.name;
    result.expected = entry.crc;
    const std::string path = m_folder + entry.name;
    // The list's names stay inside lexically; a symbolic link may still point elsewhere.
    const std::string real = RealPath(path);
    if (!real.empty() && !m_realFolder.empty() && !real.starts_with(m_realFolder)) {
        result.verdict = Verdict::Unreadable;
        result.error = "leads outside the release folder through a symbolic link";
        return result;
    }
    const FileCrc crc = FileCrc32(
        path, m_buffer,
        [this](std::size_t size) { m_bytesDone.fetch_add(size, std::memory_order_relaxed); },
        [&stop] { return !stop.load(std::memory_order_relaxed); });
    switch (crc.outcome) {
        case FileCrc::Outcome::Done:
            result.actual = crc.crc;
            result.verdict = crc.crc == entry.crc ? Verdict::Ok : Verdict::Bad;
            break;
        case FileCrc::Outcome::Missing:
            result.verdict = Verdict::Missing;
            break;
        case FileCrc::Outcome::Failed:
            result.verdict = Verdict::Unreadable;
            result.error = crc.error;
            break;
        case FileCrc::Outcome::Stopped:
            m_stopped = true;
            break;
    }
    return result;
}

Summary Summarise(const std::vector<FileResult>& results, std::size_t refusedLines, bool stopped) {
    Summary summary;
    for (const FileResult& result : results) {
        switch (result.verdict) {
            case Verdict::Ok:
                ++summary.ok;
                break;
            case Verdict::Bad:
                ++summary.bad;
                break;
            case Verdict::Missing:
                ++summary.missing;
                break;
            case Verdict::Unreadable:
                ++summary.unreadable;
                break;
        }
    }
    summary.refusedLines = refusedLines;
    summary.stopped = stopped;
    return summary;
}

std::string ResultLine(const FileResult& result) {
    switch (result.verdict) {
        case Verdict::Ok:
            return "OK       " + result.name;
        case Verdict::Bad:
            return "BAD      " + result.name + " (CRC-32 " + Hex(result.actual) + ", listed " +
                   Hex(result.expected) + ")";
        case Verdict::Missing:
            return "MISSING  " + result.name;
        case Verdict::Unreadable:
            return "UNREADABLE " + result.name + ": " + result.error;
    }
    return result.name;
}

std::string SummaryText(const Summary& summary, std::size_t listed) {
    std::string text = std::to_string(listed) + (listed == 1 ? " file: " : " files: ") +
                       std::to_string(summary.ok) + " OK, " + std::to_string(summary.bad) +
                       " bad, " + std::to_string(summary.missing) + " missing";
    if (summary.unreadable > 0) text += ", " + std::to_string(summary.unreadable) + " unreadable";
    if (summary.refusedLines > 0) {
        text += ", " + std::to_string(summary.refusedLines) +
                (summary.refusedLines == 1 ? " line refused" : " lines refused");
    }
    if (summary.stopped) text += " (stopped)";
    return text;
}

}  // namespace kiv::nfocrc
