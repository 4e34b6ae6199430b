// Focus stacking: a series of shots with the lens driven by a fixed step
// between them. The loops are the drivers'; here are the one-stack-at-a-time
// rule and the cancel flag with its waits, which every loop shares. A stack
// blocks its caller; CancelFocusStack, from any thread, stops it between
// shots and cuts short the wait in progress.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "generic/driver.h"
#include "generic/focus.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"

namespace {

// What a stack answers for a vendor without a stacking loop.
constexpr PtpResult kNoFocusStacking = 0xFFFF;

struct FocusStackState {
    std::mutex lock;                               // the focus-stack lock
    std::condition_variable wake;                  // signalled when the cancel flag is set
    bool cancel = false;                           // guarded by lock
    bool running = false;                          // guarded by lock: one stack at a time
    uint32_t shotPauseMs = kFocusStackShotPauseMs; // guarded by lock
    uint32_t movePauseMs = kFocusStackMovePauseMs; // guarded by lock
};

FocusStackState g_stack;

// Marks the stack running for its lifetime; false when another one runs.
struct RunningMark {
    bool acquired = false;
    RunningMark() {
        std::lock_guard<std::mutex> held(g_stack.lock);
        if (g_stack.running) return;
        g_stack.running = true;
        acquired = true;
    }
    ~RunningMark() {
        if (!acquired) return;
        std::lock_guard<std::mutex> held(g_stack.lock);
        g_stack.running = false;
    }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;
};

} // namespace

// --- Cancel flag and waits ------------------------------------------------------------

void PtpFocusStack_ClearCancel() {
    std::lock_guard<std::mutex> held(g_stack.lock);
    g_stack.cancel = false;
}

void PtpFocusStack_Cancel() {
    {
        std::lock_guard<std::mutex> held(g_stack.lock);
        g_stack.cancel = true;
    }
    g_stack.wake.notify_all();
}

bool PtpFocusStack_IsCancelled() {
    std::lock_guard<std::mutex> held(g_stack.lock);
    return g_stack.cancel;
}

bool PtpFocusStack_Wait(uint64_t ms) {
    std::unique_lock<std::mutex> held(g_stack.lock);
    g_stack.wake.wait_for(held, std::chrono::milliseconds(ms), [] { return g_stack.cancel; });
    return g_stack.cancel;
}

void PtpFocusStack_SetPauses(uint32_t afterShotMs, uint32_t afterMoveMs) {
    std::lock_guard<std::mutex> held(g_stack.lock);
    g_stack.shotPauseMs = afterShotMs;
    g_stack.movePauseMs = afterMoveMs;
}

void PtpFocusStack_Pauses(uint32_t* afterShotMs, uint32_t* afterMoveMs) {
    std::lock_guard<std::mutex> held(g_stack.lock);
    *afterShotMs = g_stack.shotPauseMs;
    *afterMoveMs = g_stack.movePauseMs;
}

// --- Exported stacking calls ------------------------------------------------------------------

PtpResult PtpGenericInterface_DoFocusStack(uint32_t shots, int32_t step) {
    return PtpGenericInterface_DoFocusStackWithCallback(shots, step, 0, nullptr);
}

PtpResult PtpGenericInterface_DoFocusStackWithCallback(uint32_t shots, int32_t step,
                                                       uint32_t delayMs,
                                                       PtpFocusStackCallback callback) {
    // Two stacks would share the cancel flag and the lens.
    RunningMark running;
    if (!running.acquired) return PtpResult_Busy;
    const PtpDriver* d = PtpSession_Driver();
    if (!d->focus.focusStack) return kNoFocusStacking;
    // Bracketing would multiply every shot of the series. Its result does not
    // matter: a camera without bracketing has nothing to turn off.
    PtpGenericInterface_TurnOffBracketing();
    return d->focus.focusStack(shots, step, delayMs, callback);
}

void PtpGenericInterface_CancelFocusStack(void) { PtpFocusStack_Cancel(); }
