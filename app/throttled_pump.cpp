// The throttled process-messages hook.
#include "app/throttled_pump.h"

#include "framework/message_pump.h"

namespace kiv {

ThrottledPump::ThrottledPump(std::chrono::steady_clock::duration interval)
    : m_previous(SetProcessMessagesHook({})) {
    if (!m_previous) return;
    SetProcessMessagesHook(
        [pump = m_previous, interval, last = std::chrono::steady_clock::time_point()]() mutable {
            const auto now = std::chrono::steady_clock::now();
            if (now - last < interval) return;
            last = now;
            pump();
        });
}

ThrottledPump::~ThrottledPump() {
    SetProcessMessagesHook(m_previous);
}

}  // namespace kiv
