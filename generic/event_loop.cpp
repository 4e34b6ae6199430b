#include "generic/event_loop.h"

#include <condition_variable>
#include <mutex>

#include "ptp_generic.h"

namespace {

struct PauseLock {
    std::mutex lock;
    std::condition_variable released;
    bool held = false;        // guarded by lock
    bool hostPaused = false;  // guarded by lock: the hold is the host's
};

PauseLock g_pause;

}  // namespace

void PtpEventLoop_AcquirePause() {
    std::unique_lock<std::mutex> guard(g_pause.lock);
    g_pause.released.wait(guard, [] { return !g_pause.held; });
    g_pause.held = true;
}

void PtpEventLoop_ReleasePause() {
    {
        std::lock_guard<std::mutex> guard(g_pause.lock);
        g_pause.held = false;
    }
    g_pause.released.notify_all();
}

bool PtpEventLoop_EndHostPause() {
    {
        std::lock_guard<std::mutex> guard(g_pause.lock);
        if (!g_pause.hostPaused) return false;
        g_pause.hostPaused = false;
        g_pause.held = false;
    }
    g_pause.released.notify_all();
    return true;
}

bool PtpGenericInterface_PauseEventCheckLoop() {
    std::unique_lock<std::mutex> guard(g_pause.lock);
    // A second Pause from the host keeps the one pause it already holds.
    if (g_pause.hostPaused) return true;
    g_pause.released.wait(guard, [] { return !g_pause.held; });
    g_pause.held = true;
    g_pause.hostPaused = true;
    return true;
}

bool PtpGenericInterface_ResumeEventCheckLoop() { return PtpEventLoop_EndHostPause(); }

uint8_t PtpGenericInterface_IsEventLoopPaused() {
    std::lock_guard<std::mutex> guard(g_pause.lock);
    return g_pause.hostPaused ? 1 : 0;
}
