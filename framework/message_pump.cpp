// The process-messages hook.
#include "framework/message_pump.h"

#include <utility>

namespace kiv {

namespace {
// One of the framework's two deliberate global hooks; touched on the UI thread only.
std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void ProcessMessages() {
    // A copy, so a hook may replace itself while it runs.
    if (std::function<void()> hook = Hook()) hook();
}

std::function<void()> SetProcessMessagesHook(std::function<void()> hook) {
    return std::exchange(Hook(), std::move(hook));
}

}  // namespace kiv
