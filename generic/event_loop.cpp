#include "generic/event_loop.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "generic/driver.h"
#include "generic/event_fetch.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"

namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(500);

enum class LoopState { Stopped, Running, Stopping };

struct EventLoop {
    // One lock for the pause state and the thread's lifecycle, so a stop can
    // wake a thread that waits for the pause.
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;                    // guarded by lock: someone holds the pause
    bool hostPaused = false;              // guarded by lock: the hold is the host's
    std::thread::id holder;               // guarded by lock: the thread holding it, if not the host
    LoopState state = LoopState::Stopped; // guarded by lock
    std::thread thread;                   // guarded by lock
    std::thread::id loopThread;           // guarded by lock

    std::mutex fetchLock; // serialises event fetches; the loop only try-locks it
};

EventLoop g_loop;

// Waits for the pause lock, or for a stop. True when it is held.
bool acquire_for_pass(std::unique_lock<std::mutex>& guard) {
    g_loop.changed.wait(guard, [] { return !g_loop.held || g_loop.state != LoopState::Running; });
    if (g_loop.state != LoopState::Running) return false;
    g_loop.held = true;
    g_loop.holder = std::this_thread::get_id();
    return true;
}

void release(std::unique_lock<std::mutex>& guard) {
    g_loop.held = false;
    g_loop.holder = std::thread::id();
    guard.unlock();
    g_loop.changed.notify_all();
}

PtpResult poll_once() {
    if (!g_loop.fetchLock.try_lock()) return PtpResult_Busy; // a host thread is fetching
    PtpResult rc = PtpFetchEventsOnce(/*wait=*/false, /*lockHeld=*/true);
    g_loop.fetchLock.unlock();
    return rc;
}

void run_loop(PtpEventErrorFn onError) {
    for (uint32_t pass = 1;; ++pass) {
        std::unique_lock<std::mutex> guard(g_loop.lock);
        if (!acquire_for_pass(guard)) break;
        guard.unlock();
        PtpResult rc = poll_once();
        if (auto duty = PtpSession_Driver()->events.loopDuty) duty(pass);
        guard.lock();
        release(guard);

        if (rc != PtpResult_Ok && rc != PtpResult_Busy && onError) onError(rc);

        guard.lock();
        if (g_loop.changed.wait_for(guard, kPollPeriod,
                                    [] { return g_loop.state != LoopState::Running; }))
            break;
    }
    std::lock_guard<std::mutex> guard(g_loop.lock);
    g_loop.state = LoopState::Stopping; // joined by the next Start or Stop(1)
}

} // namespace

void PtpEventLoop_AcquirePause() {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    g_loop.changed.wait(guard, [] { return !g_loop.held; });
    g_loop.held = true;
    g_loop.holder = std::this_thread::get_id();
}

bool PtpEventLoop_AcquirePauseUnlessHeld() {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    if (g_loop.held && (g_loop.hostPaused || g_loop.holder == std::this_thread::get_id()))
        return false;
    g_loop.changed.wait(guard, [] { return !g_loop.held; });
    g_loop.held = true;
    g_loop.holder = std::this_thread::get_id();
    return true;
}

void PtpEventLoop_ReleasePause() {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    release(guard);
}

bool PtpEventLoop_EndHostPause() {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    if (!g_loop.hostPaused) return false;
    g_loop.hostPaused = false;
    release(guard);
    return true;
}

bool PtpGenericInterface_PauseEventCheckLoop() {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    if (g_loop.hostPaused) return true; // the host already holds its pause
    // Waits for a poll in progress to finish.
    g_loop.changed.wait(guard, [] { return !g_loop.held; });
    g_loop.held = true;
    g_loop.hostPaused = true;
    g_loop.holder = std::thread::id();
    return true;
}

bool PtpGenericInterface_ResumeEventCheckLoop() { return PtpEventLoop_EndHostPause(); }

uint8_t PtpGenericInterface_IsEventLoopPaused() {
    std::lock_guard<std::mutex> guard(g_loop.lock);
    return g_loop.hostPaused ? 1 : 0;
}

void PtpGenericInterface_StartEventCheckLoop(PtpEventErrorFn onError) {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    if (g_loop.state == LoopState::Running) {
        // Already polling: a Start ends the host's pause (the thread keeps its
        // first error function).
        if (g_loop.hostPaused) {
            g_loop.hostPaused = false;
            release(guard);
        }
        return;
    }
    if (g_loop.thread.joinable()) {
        // A Start while the old thread is stopping waits for it first.
        std::thread old = std::move(g_loop.thread);
        guard.unlock();
        old.join();
        guard.lock();
    }
    g_loop.state = LoopState::Running;
    try {
        g_loop.thread = std::thread(run_loop, onError);
    } catch (...) {
        g_loop.state = LoopState::Stopped;
    }
}

bool PtpGenericInterface_StopEventCheckLoop(uint8_t wait) {
    std::unique_lock<std::mutex> guard(g_loop.lock);
    if (g_loop.state == LoopState::Running) g_loop.state = LoopState::Stopping;
    guard.unlock();
    g_loop.changed.notify_all();
    if (!wait) return true;
    guard.lock();
    if (!g_loop.thread.joinable() || g_loop.thread.get_id() == std::this_thread::get_id())
        return true;
    std::thread old = std::move(g_loop.thread);
    guard.unlock();
    old.join();
    guard.lock();
    if (!g_loop.thread.joinable()) g_loop.state = LoopState::Stopped;
    return true;
}

void PtpEventLoop_LockFetch() { g_loop.fetchLock.lock(); }

void PtpEventLoop_UnlockFetch() { g_loop.fetchLock.unlock(); }

PtpResult PtpFetchEventsOnce(bool wait, bool lockHeld) {
    std::unique_lock<std::mutex> fetching(g_loop.fetchLock, std::defer_lock);
    if (!lockHeld) {
        if (wait)
            fetching.lock();
        else if (!fetching.try_lock())
            return PtpResult_Busy;
    }
    PtpTransportReadEventsFn read = PtpTransaction_ReadEventsFn();
    if (!read) return PtpResult_Failed;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = read(&data, &length, wait ? 1 : 0);
    if (fetching.owns_lock()) fetching.unlock();
    if (rc == PtpResult_Ok && data && length) PtpDispatchEventData(data, length);
    std::free(data);
    return rc;
}
