// StopSignals: SIGTERM, SIGHUP and SIGINT (a session ending, a terminal closing) turned into a
// call on the UI thread, so that the program ends the way closing its window does.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace kiv {

class StopSignals {
public:
    // Needs the toolkit's application object. Only one may exist at a time.
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    std::function<void()> m_onStop;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace kiv
