// ThrottledPump: lets pending window messages through at most once per interval while it lives.
#pragma once

#include <chrono>
#include <functional>

namespace kiv {

// Wraps the process-messages hook in place (the application's) so that calls closer together
// than `interval` return at once; puts it back when destroyed. UI thread only.
class ThrottledPump {
public:
    explicit ThrottledPump(std::chrono::steady_clock::duration interval);
    ~ThrottledPump();
    ThrottledPump(const ThrottledPump&) = delete;
    ThrottledPump& operator=(const ThrottledPump&) = delete;

private:
    std::function<void()> m_previous;
};

}  // namespace kiv
