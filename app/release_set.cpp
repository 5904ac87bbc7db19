// Scanning a RAR volume set's headers for its files and sizes.
#include "app/release_set.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>

#include "archive/byte_reader.h"
#include "archive/rar_prescan.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace kiv {

namespace {

constexpr int kMaxVolumes = 1000;

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "12" -> "13", keeping at least the digit count ("09" -> "10", "99" -> "100").
std::string Increment(const std::string& digits) {
    const std::string next = std::to_string(std::stoull(digits) + 1);
    return std::string(digits.size() > next.size() ? digits.size() - next.size() : 0, '0') + next;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string NextPartName(const std::string& path, std::size_t dot) {
    // name.partN.rar: the number before the last extension.
    const std::size_t part = Lower(path).rfind(".part", dot);
    if (part == std::string::npos || dot <= part + 5) return {};
    const std::string number = path.substr(part + 5, dot - part - 5);
    if (!AllDigits(number) || number.size() > 6) return {};
    return path.substr(0, part + 5) + Increment(number) + path.substr(dot);
}

}  // namespace

std::uint64_t SetScan::SizeOf(const std::string& name) const {
    const auto found = m_sizes.find(name);
    return found == m_sizes.end() ? 0 : found->second;
}

std::string NextVolumeName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    const std::string ext = path.substr(dot + 1);
    if (Lower(ext) == "rar") {
        if (std::string next = NextPartName(path, dot); !next.empty()) return next;
        return path.substr(0, dot + 1) + (ext[0] == 'R' ? "R00" : "r00");
    }
    if (ext.size() == 3 && AllDigits(ext)) {
        return ext == "999" ? std::string() : path.substr(0, dot + 1) + Increment(ext);
    }
    if (ext.size() == 3 && std::isalpha(static_cast<unsigned char>(ext[0])) &&
        AllDigits(ext.substr(1))) {
        if (ext.substr(1) != "99") return path.substr(0, dot + 2) + Increment(ext.substr(1));
        if (std::tolower(static_cast<unsigned char>(ext[0])) == 'z') return {};
        return path.substr(0, dot + 1) + char(ext[0] + 1) + "00";
    }
    return {};
}

std::string RelativeStoredName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':') {
        name.erase(0, 2);
    }
    const std::size_t first = name.find_first_not_of('/');
    return first == std::string::npos ? std::string() : name.substr(first);
}

SetScan ScanReleaseSet(const std::string& firstVolume, std::uint64_t markerOffset) {
    SetScan scan;
    scan.complete = true;
    std::string volume = firstVolume;
    for (int n = 0; n < kMaxVolumes && !volume.empty(); ++n) {
        if (n > 0 && !platform::FileExists(volume)) break;
        std::unique_ptr<FileReader> file = FileReader::Open(volume);
        if (!file) {
            scan.complete = false;
            break;
        }
        const auto onFile = [&scan](const RarFileHeader& h) {
            if (h.continued || IsFolderEntry(h.flags, h.hostOs, h.attributes)) return;
            SetEntry entry{RelativeStoredName(platform::OemToUtf8(h.name)), h.unpackedSize};
            scan.unpackedTotal += entry.size;
            scan.m_sizes[entry.name] = entry.size;
            scan.files.push_back(std::move(entry));
        };
        WalkResult walk;
        try {
            walk = WalkRarVolume(*file, n == 0 ? markerOffset : 0, onFile);
            // Later volumes of a self-extracting set are plain RAR files.
            if (walk.status == WalkStatus::NotRar && n == 0 && markerOffset != 0) {
                walk = WalkRarVolume(*file, 0, onFile);
            }
        } catch (const std::exception&) {
            walk.status = WalkStatus::Damaged;
        }
        if (walk.status == WalkStatus::NotRar && n > 0) break;
        ++scan.volumes;
        if (walk.status != WalkStatus::Complete) scan.complete = false;
        volume = NextVolumeName(volume);
    }
    return scan;
}

}  // namespace kiv
