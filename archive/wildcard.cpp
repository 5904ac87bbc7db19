// Wildcard matching with wildcards allowed on both sides.
#include "archive/wildcard.h"

#include <string>
#include <vector>

#include "framework/text_compare.h"

namespace kiv {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

// The matcher over the adjusted names, remembering the suffix pairs known not to match so that
// masks with many '*' cannot make it exponential.
class Matcher {
public:
    Matcher(std::string_view a, std::string_view b)
        : m_a(a), m_b(b), m_failed((a.size() + 1) * (b.size() + 1), 0) {}

    bool Match(std::size_t i, std::size_t j) {
        char& failed = m_failed[i * (m_b.size() + 1) + j];
        if (failed) return false;
        const bool result = Walk(i, j);
        if (!result) failed = 1;
        return result;
    }

private:
    // Tries every start k (up to the last character) of the other side for the rest behind a
    // '*' at position star of `side`.
    bool Star(bool inA, std::size_t i, std::size_t j) {
        if (inA) {
            if (i + 1 == m_a.size()) return true;
            for (std::size_t k = j; k < m_b.size(); ++k)
                if (Match(i + 1, k)) return true;
        } else {
            if (j + 1 == m_b.size()) return true;
            for (std::size_t k = i; k < m_a.size(); ++k)
                if (Match(k, j + 1)) return true;
        }
        return false;
    }

    bool Walk(std::size_t i, std::size_t j) {
        const bool aLeft = i < m_a.size();
        const bool bLeft = j < m_b.size();
        if (!aLeft && !bLeft) return true;
        const bool possible = (aLeft && (bLeft || m_a[i] == '*')) || (!aLeft && m_b[j] == '*');
        if (!possible) return false;
        while (i < m_a.size() && j < m_b.size()) {
            const char ca = m_a[i];
            const char cb = m_b[j];
            if (ca == '?' || cb == '?') {
                ++i;
                ++j;
            } else if (ca == '*') {
                return Star(true, i, j);
            } else if (cb == '*') {
                return Star(false, i, j);
            } else if (AsciiUpper(ca) == AsciiUpper(cb)) {
                ++i;
                ++j;
            } else {
                return false;
            }
        }
        if (i == m_a.size()) {
            while (j < m_b.size() && m_b[j] == '*') ++j;
            return j == m_b.size();
        }
        while (i < m_a.size() && m_a[i] == '*') ++i;
        return i == m_a.size();
    }

    std::string_view m_a;
    std::string_view m_b;
    std::vector<char> m_failed;
};

// Drops one trailing '.', or appends ".*" to a name without '.' when the other holds ".*".
void AdjustExtension(std::string& name, const std::string& other) {
    if (!name.empty() && name.back() == '.') {
        name.pop_back();
    } else if (name.find('.') == std::string::npos && other.find(".*") != std::string::npos) {
        name += ".*";
    }
}

}  // namespace

bool MatchWildcard(std::string_view a, std::string_view b, bool namesOnly) {
    if (namesOnly) {
        a = FileNamePart(a);
        b = FileNamePart(b);
    }
    std::string left(a);
    std::string right(b);
    AdjustExtension(left, right);
    AdjustExtension(right, left);
    return Matcher(left, right).Match(0, 0);
}

}  // namespace kiv
