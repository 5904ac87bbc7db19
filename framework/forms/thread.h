// TThread: a worker thread that can hand calls to the UI thread and wait for them.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "framework/enum_set.h"

namespace kiv {

enum class TThreadPriority : std::uint8_t {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};
template <>
struct EnumInfo<TThreadPriority> {
    static constexpr std::array<std::string_view, 7> names{
        "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"};
};

// Execute() runs on a thread of its own. A thread created suspended starts at the Resume() that
// brings its suspend count to 0; one created running starts at Start(), which its creator calls
// once the object is fully constructed (TThread::Create does both steps).
//
// Suspension is cooperative: Suspend() takes effect when the worker next reaches a check point
// (Synchronize, Sleep or CheckSuspended, and before Execute starts) and holds it there until
// Resume(). A hand-off that waits in the UI thread's queue when Suspend() is called is held too:
// its method runs only after Resume(). So once Suspend() has returned on the UI thread, no
// method of the worker runs there until Resume(). Calls nest as the Windows suspend count does.
//
// Destruction (from the UI thread or any other but the worker) stops the thread: it sets
// Terminated, releases a pending Synchronize (whose method then never runs and which returns at
// once), wakes a suspended or sleeping worker and joins it. A descendant whose Execute uses its
// own members calls Stop() first in its destructor.
//
// Synchronize needs the toolkit's application object (a QCoreApplication) for the hand-off.
class TThread {
public:
    explicit TThread(bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Constructs a T(args...) and starts it; T is created running.
    template <typename T, typename... Args>
    static std::unique_ptr<T> Create(Args&&... args) {
        auto thread = std::make_unique<T>(std::forward<Args>(args)...);
        thread->Start();
        return thread;
    }

    // Starts the worker (once); it waits at its first check point while suspended.
    void Start();
    // Decrements the suspend count; at 0 the worker goes on (or starts).
    void Resume();
    void Suspend();
    bool Suspended() const;
    // Whether the worker is being held at a check point by a suspension right now.
    bool Held() const;
    void SetSuspended(bool suspended) { suspended ? Suspend() : Resume(); }

    // tpIdle runs the worker under SCHED_IDLE; the others keep the normal policy with a nice
    // value from 5 (tpLowest) to -5 (tpTimeCritical) where allowed.
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    // Asks Execute to finish; it should look at Terminated() regularly.
    void Terminate();
    bool Terminated() const;
    // Waits until Execute has returned (starting a suspended thread first). Not from the worker.
    void WaitFor();
    // Whether Execute has returned.
    bool Finished() const;
    // The exception that left Execute, if any.
    std::exception_ptr FatalException() const;

protected:
    virtual void Execute() = 0;

    // Runs `method` on the UI thread and returns when it has run there; directly when called on
    // the UI thread. An exception from `method` is raised again here, on the calling thread.
    // When the thread is being destroyed meanwhile, returns without the method having run. A
    // check point, before the hand-off and while it waits in the UI thread's queue.
    void Synchronize(const std::function<void()>& method);
    // Sleeps `milliseconds`, ending early when the thread is terminated; a check point.
    void Sleep(unsigned milliseconds);
    // Blocks while suspended; a check point.
    void CheckSuspended();
    // Terminates, releases a pending hand-off, wakes and joins the worker. Idempotent.
    void Stop();

private:
    struct Shared;
    void Run();
    void ApplyPriority();

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}  // namespace kiv
