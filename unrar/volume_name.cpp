// Proposals for the name of the volume that follows a given one.
#include "unrar/volume_name.h"

#include <cctype>

namespace kiv::rar {

namespace {

size_t ExtensionDot(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string::npos;
    }
    return dot;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string NextVolumeNameNew(const std::string& path) {
    size_t dot = ExtensionDot(path);
    size_t end = dot == std::string::npos ? path.size() : dot;
    // The volume number is the last group of digits before the extension.
    size_t last = end;
    while (last > 0 && !IsDigit(path[last - 1])) {
        if (path[last - 1] == '/' || path[last - 1] == '.') break;
        --last;
    }
    if (last == 0 || !IsDigit(path[last - 1])) return NextVolumeNameOld(path);
    size_t first = last;
    while (first > 0 && IsDigit(path[first - 1])) --first;
    std::string result = path;
    size_t i = last;
    while (i > first) {
        --i;
        if (result[i] != '9') {
            ++result[i];
            return result;
        }
        result[i] = '0';
    }
    // All digits were nines: one more digit ("part99" -> "part100"). Built by concatenation
    // because gcc 12 misreads insert() here as an overlapping copy (-Wrestrict).
    return result.substr(0, first) + '1' + result.substr(first);
}

std::string NextVolumeNameOld(const std::string& path) {
    size_t dot = ExtensionDot(path);
    if (dot == std::string::npos) return path + ".r00";
    std::string ext = path.substr(dot + 1);
    const bool upper = !ext.empty() && std::isupper(static_cast<unsigned char>(ext[0]));
    if (ext.size() != 3 || !IsDigit(ext[1]) || !IsDigit(ext[2])) {
        return path.substr(0, dot + 1) + (upper ? "R00" : "r00");
    }
    std::string result = path;
    size_t i = result.size() - 1;
    // Increment from the last character; a carry out of the digits moves the letter on
    // (r99 -> s00), and a carry out of an all-digit extension turns the first place into 'A'.
    while (true) {
        char& c = result[i];
        if (IsDigit(c)) {
            if (c != '9') {
                ++c;
                break;
            }
            c = '0';
            if (i == dot + 1) {
                c = 'A';
                break;
            }
            --i;
        } else {
            ++c;
            break;
        }
    }
    return result;
}

}  // namespace kiv::rar
