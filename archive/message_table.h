// The engine's message table, generated at build time from resources/messages.tsv.
#pragma once

#include <cstddef>
#include <string_view>

namespace kiv {

struct MessageEntry {
    int code;
    std::string_view text;
};

// Sorted by code, without duplicates.
extern const MessageEntry kMessageTable[];
extern const std::size_t kMessageCount;

}  // namespace kiv
