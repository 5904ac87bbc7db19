// What the window tells the user at the end of an extraction and before one: the failures it
// collected, a stopped run, and a set that does not fit on the target's file system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kiv {

// The failures the extractor reported during one run, in order.
class FailureList {
public:
    static constexpr std::size_t kShown = 20;

    void Add(std::string file, std::string message);
    bool Empty() const { return m_failures.empty(); }
    std::size_t Count() const { return m_failures.size(); }
    // Whether a failure was reported for a file of this name (its last path component).
    bool Names(const std::string& fileName) const;

    // "The release was not extracted completely. N problem(s) ...:" then one line
    // "file: message" for each of the first kShown, then "... and K more." for the rest.
    std::string Text() const;

private:
    struct Failure {
        std::string file;
        std::string message;
    };
    std::vector<Failure> m_failures;
};

// 512 bytes, 1.5 KiB, 12.3 MiB, 1.2 GiB: one decimal from KiB up.
std::string FormatBytes(std::uint64_t bytes);

// The question asked when `needed` bytes do not fit into the `free` bytes of the file system
// holding `folder`.
std::string SpaceQuestion(std::uint64_t needed, std::uint64_t free, const std::string& folder);

// The message after a stopped run: how many of the set's files were extracted, and where.
std::string StoppedText(int extracted, int total, const std::string& folder);

}  // namespace kiv
