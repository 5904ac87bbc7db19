// The self-pipe that carries a stop signal from its handler to the UI thread.
#include "app/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

#include "framework/exception.h"

namespace kiv {

namespace {

// The pipe's ends. A signal handler can reach nothing else; it writes one byte and returns.
std::array<int, 2> g_pipe{-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)::write(g_pipe[1], &byte, 1);
    errno = saved;
}

constexpr std::array<int, 3> kSignals{SIGTERM, SIGHUP, SIGINT};

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) : m_onStop(std::move(onStop)) {
    if (g_pipe[0] != -1) throw Exception("Stop signals are watched already");
    if (::pipe2(g_pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        throw Exception("Cannot watch stop signals: no pipe");
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char buffer[16];
        while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
        }
        if (m_onStop) m_onStop();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe = {-1, -1};
}

}  // namespace kiv
