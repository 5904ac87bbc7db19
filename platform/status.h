// Outcome of a platform operation that can fail: success, or an error text for the user.
//
// How this layer reports failures (it sits below the framework and never throws its own
// exceptions; only std::bad_alloc can leave it):
//   - yes/no questions (FileExists, IsValidUtf8) answer bool;
//   - look-ups whose failure carries no useful reason answer std::optional (attributes, sizes);
//   - operations whose failure a caller may report answer Status, or Result<T> when they also
//     yield a value. Their error text names the path, file or symbol involved and ends with the
//     system's own reason (strerror or dlerror), e.g. "Cannot create directory /a/b: No such
//     file or directory".
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kiv::platform {

class Status {
public:
    static Status Ok() { return Status(); }
    static Status Failure(std::string error) { return Status(std::move(error)); }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const std::string& error() const { return m_error; }

private:
    Status() = default;
    explicit Status(std::string error) : m_failed(true), m_error(std::move(error)) {}

    bool m_failed = false;
    std::string m_error;
};

// "<action> <path>: <strerror(err)>", the one shape of every errno-based error text here.
std::string ErrnoText(std::string_view action, std::string_view path, int err);

}  // namespace kiv::platform
