// The hook that lets pending window messages through during long work on the UI thread.
#pragma once

#include <functional>

namespace kiv {

// Lets pending messages through: calls the installed hook, or does nothing while none is
// installed (no windowed application exists yet, or a test runs headless). UI thread only.
void ProcessMessages();

// Installs the hook ProcessMessages calls (an empty function removes it) and returns the one it
// replaces. The application object installs its message loop's step here; tests may count calls.
// This and the modal answerer (modal.h) are the framework's only global hooks.
std::function<void()> SetProcessMessagesHook(std::function<void()> hook);

}  // namespace kiv
