// TThread: the worker, its check points, the hand-off to the UI thread and a clean stop.
#include "framework/forms/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "framework/forms/errors.h"
#include "framework/forms/window_handle.h"

namespace kiv {

namespace {

// One call handed to the UI thread. It outlives both sides: the queued call holds it, and so
// does the waiting worker.
struct HandOff {
    std::function<void()> method;
    bool done = false;
    bool cancelled = false;
    bool deferred = false;  // it reached the UI thread while the worker was suspended
    std::exception_ptr error;
};

int NiceOf(TThreadPriority priority) {
    switch (priority) {
        case TThreadPriority::tpIdle:
        case TThreadPriority::tpNormal:
            return 0;
        case TThreadPriority::tpLowest:
            return 5;
        case TThreadPriority::tpLower:
            return 2;
        case TThreadPriority::tpHigher:
            return -2;
        case TThreadPriority::tpHighest:
            return -4;
        case TThreadPriority::tpTimeCritical:
            return -5;
    }
    return 0;
}

}  // namespace

struct TThread::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    int suspendCount = 0;
    bool launched = false;
    bool terminated = false;
    bool stopping = false;
    bool finished = false;
    bool held = false;
    TThreadPriority priority = TThreadPriority::tpNormal;
    pid_t tid = 0;  // the worker's kernel thread id, once it runs
    std::exception_ptr fatal;
    std::shared_ptr<HandOff> pending;
};

TThread::TThread(bool createSuspended) : m_shared(std::make_shared<Shared>()) {
    m_shared->suspendCount = createSuspended ? 1 : 0;
}

TThread::~TThread() {
    Stop();
}

void TThread::Start() {
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->launched || m_shared->stopping) return;
    m_shared->launched = true;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        m_shared->launched = false;
        throw EThread(FormatMessage("Thread creation error: %s", e.what()));
    }
}

void TThread::Run() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->tid = static_cast<pid_t>(syscall(SYS_gettid));
    }
    ApplyPriority();
    CheckSuspended();
    bool stopping;
    {
        std::lock_guard lock(m_shared->mutex);
        stopping = m_shared->stopping;
    }
    if (!stopping) {
        try {
            Execute();
        } catch (...) {
            std::lock_guard lock(m_shared->mutex);
            m_shared->fatal = std::current_exception();
        }
    }
    std::lock_guard lock(m_shared->mutex);
    m_shared->finished = true;
    m_shared->changed.notify_all();
}

void TThread::Resume() {
    bool start = false;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->suspendCount > 0) --m_shared->suspendCount;
        if (m_shared->suspendCount == 0) {
            m_shared->changed.notify_all();
            start = !m_shared->launched;
        }
    }
    if (start) Start();
}

void TThread::Suspend() {
    std::lock_guard lock(m_shared->mutex);
    ++m_shared->suspendCount;
}

bool TThread::Suspended() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->suspendCount > 0;
}

TThreadPriority TThread::Priority() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->priority;
}

void TThread::SetPriority(TThreadPriority priority) {
    {
        std::lock_guard lock(m_shared->mutex);
        if (priority == m_shared->priority) return;
        m_shared->priority = priority;
        if (!m_shared->launched || m_shared->finished) return;
    }
    ApplyPriority();
}

void TThread::ApplyPriority() {
    TThreadPriority priority;
    pid_t tid;
    {
        std::lock_guard lock(m_shared->mutex);
        priority = m_shared->priority;
        tid = m_shared->tid;
        if (tid == 0) return;  // the worker applies it itself when it starts
    }
    sched_param param{};
    param.sched_priority = 0;
    // SCHED_IDLE is Linux's lowest policy: the worker runs only when nothing else wants the CPU.
    int policy = priority == TThreadPriority::tpIdle ? SCHED_IDLE : SCHED_OTHER;
    sched_setscheduler(tid, policy, &param);
    // Raising the priority needs privileges; without them the thread keeps what it has.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOf(priority));
}

void TThread::Terminate() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->terminated = true;
    m_shared->changed.notify_all();
}

bool TThread::Terminated() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->terminated;
}

bool TThread::Finished() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->finished;
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->fatal;
}

bool TThread::Held() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->held;
}

void TThread::CheckSuspended() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->held = true;
    m_shared->changed.wait(lock, [&] { return m_shared->suspendCount == 0 || m_shared->stopping; });
    m_shared->held = false;
}

void TThread::Sleep(unsigned milliseconds) {
    CheckSuspended();
    std::unique_lock lock(m_shared->mutex);
    m_shared->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [&] { return m_shared->terminated || m_shared->stopping; });
}

void TThread::Synchronize(const std::function<void()>& method) {
    if (IsUiThread()) {
        method();
        return;
    }
    auto handOff = std::make_shared<HandOff>();
    handOff->method = method;
    std::weak_ptr<Shared> weakShared = m_shared;
    for (;;) {
        CheckSuspended();
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->stopping) return;
            handOff->deferred = false;
            m_shared->pending = handOff;
        }
        bool posted = PostToUiThread([weakShared, handOff] {
            std::shared_ptr<Shared> shared = weakShared.lock();
            if (!shared) return;
            {
                std::lock_guard lock(shared->mutex);
                if (handOff->cancelled || handOff->done || handOff->deferred) return;
                // Suspended while the call waited in the queue: the worker hands it off again
                // once it is resumed.
                if (shared->suspendCount > 0) {
                    handOff->deferred = true;
                    shared->changed.notify_all();
                    return;
                }
            }
            std::exception_ptr error;
            try {
                handOff->method();
            } catch (...) {
                error = std::current_exception();
            }
            std::lock_guard lock(shared->mutex);
            handOff->error = error;
            handOff->done = true;
            shared->changed.notify_all();
        });
        std::unique_lock lock(m_shared->mutex);
        if (!posted) {
            m_shared->pending.reset();
            throw EThread("Synchronize needs a running application");
        }
        m_shared->changed.wait(
            lock, [&] { return handOff->done || handOff->cancelled || handOff->deferred; });
        m_shared->pending.reset();
        if (handOff->done && handOff->error) std::rethrow_exception(handOff->error);
        if (!handOff->deferred || handOff->cancelled) return;
    }
}

void TThread::WaitFor() {
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id()) {
        throw EThread("A thread cannot wait for itself");
    }
    Start();
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->suspendCount > 0 && !m_shared->stopping) {
            throw EThread("Cannot wait for a suspended thread");
        }
    }
    const bool ui = IsUiThread();
    std::unique_lock lock(m_shared->mutex);
    while (!m_shared->finished) {
        // On the UI thread a worker may be waiting for a hand-off that only this thread can
        // run: run it here instead of waiting for the queued call.
        std::shared_ptr<HandOff> pending = ui ? m_shared->pending : nullptr;
        if (pending && !pending->done && !pending->cancelled && !pending->deferred &&
            m_shared->suspendCount == 0) {
            lock.unlock();
            std::exception_ptr error;
            try {
                pending->method();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            pending->error = error;
            pending->done = true;
            m_shared->changed.notify_all();
            continue;
        }
        m_shared->changed.wait_for(lock, std::chrono::milliseconds(ui ? 10 : 1000));
    }
}

void TThread::Stop() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->terminated = true;
        if (m_shared->pending) m_shared->pending->cancelled = true;
        m_shared->changed.notify_all();
    }
    if (!m_thread.joinable()) return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

}  // namespace kiv
