// Wildcard matching with wildcards allowed on both sides.
#include "archive/wildcard.h"

#include <cstdint>
#include <string>
#include <vector>

#include "framework/text_compare.h"

namespace kiv {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

// Whether a[i..] and b[j..] match, for all i and j at once, from the ends backwards. A '*'
// that is not the last character of its side takes any run of the other side that leaves at
// least one character, so its cell is an OR over a row or column of later cells; those ORs are
// carried along as suffix sums. Two rows are kept, so names of any length cost O(|a| * |b|)
// time, O(|b|) memory and no recursion.
bool MatchAdjusted(std::string_view a, std::string_view b) {
    const std::size_t m = a.size();
    const std::size_t n = b.size();
    // bStarsFrom[j]: b[j..] holds only '*'.
    std::vector<std::uint8_t> bStarsFrom(n + 1, 1);
    for (std::size_t j = n; j-- > 0;) bStarsFrom[j] = b[j] == '*' && bStarsFrom[j + 1];
    bool aStarsFrom = true;  // a[i..] holds only '*', for the row being filled
    // For row i + 1 (next) and row i (cur): M = match, A = OR of M over k >= j (k < n),
    // B = OR over rows k >= i (k < m) of M in column j.
    std::vector<std::uint8_t> nextM(n + 1, 0), nextA(n + 1, 0), nextB(n + 1, 0);
    std::vector<std::uint8_t> curM(n + 1, 0), curA(n + 1, 0), curB(n + 1, 0);
    for (std::size_t i = m + 1; i-- > 0;) {
        if (i < m) aStarsFrom = aStarsFrom && a[i] == '*';
        for (std::size_t j = n + 1; j-- > 0;) {
            bool match;
            if (i == m) {
                match = bStarsFrom[j];
            } else if (j == n) {
                match = aStarsFrom;
            } else if (a[i] == '?' || b[j] == '?') {
                match = nextM[j + 1];
            } else if (a[i] == '*') {
                match = i + 1 == m || nextA[j];
            } else if (b[j] == '*') {
                // OR over k >= i of M[k][j + 1]: this row's cell j + 1 and the rows below.
                match = j + 1 == n || curM[j + 1] || nextB[j + 1];
            } else {
                match = AsciiUpper(a[i]) == AsciiUpper(b[j]) && nextM[j + 1];
            }
            curM[j] = match;
            curB[j] = i < m && (match || nextB[j]);
        }
        curA[n] = 0;
        for (std::size_t j = n; j-- > 0;) curA[j] = curM[j] || curA[j + 1];
        std::swap(curM, nextM);
        std::swap(curA, nextA);
        std::swap(curB, nextB);
    }
    return nextM[0];
}

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
    return MatchAdjusted(left, right);
}

}  // namespace kiv
