// Error texts built from errno values.
#include "platform/status.h"

#include <string.h>

namespace kiv::platform {

std::string ErrnoText(std::string_view action, std::string_view path, int err) {
    char buffer[256];
    // GNU strerror_r: the answer may point into buffer or at a static text.
    const char* reason = strerror_r(err, buffer, sizeof buffer);
    std::string text;
    text.reserve(action.size() + path.size() + 64);
    text.append(action).append(" ").append(path).append(": ").append(reason);
    return text;
}

}  // namespace kiv::platform
