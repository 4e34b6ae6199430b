// Focus stacking: a series of shots with the lens driven by a fixed step
// between them. The Canon loop lives here; the other vendors' loops are in
// their drivers and receive the step converted by generic/focus.cpp. A stack
// blocks its caller; CancelFocusStack, from any thread, stops it between
// shots and cuts short the wait in progress.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "eos/eos_capture.h"
#include "generic/capture.h"
#include "generic/event_queue.h"
#include "generic/focus.h"
#include "generic/session.h"
#include "ptp_eos.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kCanonPropFocusMode = 0xD108;

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

// --- Driver seams ---------------------------------------------------------------------
// The Nikon, Sony and Fujifilm drivers fill these; until they do, their
// cameras get what a vendor without a stacking loop gets.

PtpResult nikon_turn_off_bracketing() { return PtpResult_NotSupportedForCamera; }
PtpResult nikon_focus_stack(uint32_t, uint32_t, uint32_t, uint32_t, PtpFocusStackCallback) {
    return kNoFocusStacking;
}
void nikon_cancel_focus_stack() { PtpFocusStack_Cancel(); }

PtpResult sony_turn_off_bracketing() { return PtpResult_NotSupportedForCamera; }
PtpResult sony_focus_stack(uint32_t, int32_t, uint32_t, PtpFocusStackCallback) {
    return kNoFocusStacking;
}

PtpResult fuji_focus_stack(uint32_t, int32_t, uint32_t, PtpFocusStackCallback) {
    return kNoFocusStacking;
}

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

void queue_focus_mode_change() { PtpQueuePropertyCodeChanged(kCanonPropFocusMode, /*notify=*/true); }

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

// --- Canon stacking loop ------------------------------------------------------------------

PtpResult PtpFocusStack_Canon(uint32_t shots, uint32_t lensParameter, uint32_t delayMs,
                              PtpFocusStackCallback callback) {
    uint32_t shotPause, movePause;
    {
        std::lock_guard<std::mutex> held(g_stack.lock);
        g_stack.cancel = false;
        shotPause = g_stack.shotPauseMs;
        movePause = g_stack.movePauseMs;
    }
    // Every shot is taken where the library drove the lens, not where the
    // camera would focus.
    PtpSession_SetManualFocus(1);
    queue_focus_mode_change();
    if (shots == 0) return PtpResult_Ok;

    for (uint32_t shot = 1;; ++shot) {
        PtpResult rc = PtpEosInterface_InitiateImageCapture(true);
        if (rc != PtpResult_Ok) return rc;
        // Paces the series until the camera has stored the shot; its outcome
        // is not the stack's.
        PtpCanonBusyWait();
        if (callback) callback(shot);
        if (shot == shots) return PtpResult_Ok;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;

        // A cancel during this wait still moves the lens once: the host sees
        // the stack end with the lens one step on, as after any shot.
        PtpFocusStack_Wait(uint64_t(shotPause) + delayMs);
        rc = PtpFocus_CanonMoveLens(lensParameter);
        if (rc != PtpResult_Ok) return rc;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        // The lens settles before the next shot; a cancel meanwhile takes no
        // further picture.
        if (PtpFocusStack_Wait(movePause)) return PtpResult_Aborted;
    }
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
    // Bracketing would multiply every shot of the series. Its result does not
    // matter: a camera without bracketing has nothing to turn off.
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        PtpEos_TurnOffBracketing();
        return PtpFocusStack_Canon(shots, PtpFocus_CanonStackParameter(step), delayMs, callback);
    case PtpVendor_Nikon: {
        nikon_turn_off_bracketing();
        PtpNikonLensDrive drive = PtpFocus_NikonStackDrive(step);
        return nikon_focus_stack(shots, drive.direction, drive.amount, delayMs, callback);
    }
    case PtpVendor_Sony:
        sony_turn_off_bracketing();
        return sony_focus_stack(shots, PtpFocus_SonyStackStep(step), delayMs, callback);
    case PtpVendor_Fujifilm:
        return fuji_focus_stack(shots, PtpFocus_FujiStackStep(step), delayMs, callback);
    default: return kNoFocusStacking;
    }
}

void PtpGenericInterface_CancelFocusStack(void) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Nikon: nikon_cancel_focus_stack(); break;
    default: PtpFocusStack_Cancel(); break;
    }
}
