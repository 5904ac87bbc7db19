// Comparison of two names either of which may hold the wildcards '*' and '?'.
#pragma once

#include <string_view>

namespace kiv {

// True when a and b match, the wildcards of either side standing for characters of the other:
// '?' for any one character, '*' for any run of them. ASCII letters compare without regard to
// case, other bytes exactly. With namesOnly both are first cut to the part after their last '/'.
// A name without '.' matched against one holding ".*" is taken to end in ".*", and one
// trailing '.' is dropped, so "*.*" matches a name without extension. Takes O(|a| * |b|) time
// and O(|b|) memory without recursion, so untrusted names of any length are safe.
bool MatchWildcard(std::string_view a, std::string_view b, bool namesOnly);

// The part of a path after its last '/' (all of it when there is none).
std::string_view FileNamePart(std::string_view path);

}  // namespace kiv
