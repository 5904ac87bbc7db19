// Fd: the sole owner of one open file descriptor, which it closes when it goes.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kiv::rar {

class Fd {
public:
    Fd() = default;
    // Takes `fd` as returned by open(2) and the like; a negative value owns nothing. errno is
    // left as the call set it, so it can be read right after construction.
    explicit Fd(int fd) noexcept : m_fd(fd) {}
    ~Fd() { (void)Close(); }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            (void)Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    bool Valid() const { return m_fd >= 0; }
    int Get() const { return m_fd; }

    // Closes the descriptor now: 0, or the errno of a failed close (the descriptor is released
    // either way).
    int Close() noexcept {
        if (m_fd < 0) return 0;
        return ::close(std::exchange(m_fd, -1)) == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
};

}  // namespace kiv::rar
