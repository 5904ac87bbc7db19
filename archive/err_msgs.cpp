// Look-up of message texts in the generated table.
#include "archive/err_msgs.h"

#include <algorithm>

#include "archive/message_table.h"

namespace kiv {

std::string ErrorMessage(int code) {
    const MessageEntry* end = kMessageTable + kMessageCount;
    const MessageEntry* it = std::lower_bound(
        kMessageTable, end, code, [](const MessageEntry& e, int c) { return e.code < c; });
    if (it == end || it->code != code) return {};
    return std::string(it->text);
}

}  // namespace kiv
