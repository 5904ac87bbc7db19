// Waiting on the UI thread: the toolkit's queued events run while a condition is awaited.
#pragma once

#include <QCoreApplication>

#include "tests/support/wait.h"

namespace kiv::test {

// WaitUntil with the UI thread's pending events processed between checks, so that calls queued
// to it (timers, hand-offs from other threads) run. Needs the toolkit's application object.
[[nodiscard]] inline ::testing::AssertionResult PumpUntil(
    const std::function<bool()>& done, std::string_view what,
    std::chrono::milliseconds limit = kWaitLimit) {
    return WaitUntil(done, what, limit, [] { QCoreApplication::processEvents(); });
}

}  // namespace kiv::test
