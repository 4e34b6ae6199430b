// Nikon focus: autofocus, lens drives, the library's manual / automatic mode
// mapped onto the camera's focus properties, the stacking loop, the lens-drive
// amounts, the focus queries, the exposure modes a stack accepts and the focus
// step sizes.
//
// The camera's focus property depends on the body: 0xD061 on Z bodies (and in
// live view where the body has it), else 0xD161, else 0x500A with the AF
// priority properties 0xD048/0xD049 as the manual switch.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "generic/driver.h"
#include "generic/focus.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_focus.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_models.h"
#include "nikon/nikon_session.h"
#include "ptp/transaction.h"
#include "ptp_capture.h"
#include "ptp_generic.h"
#include "ptp_nikon.h"

namespace {

// Amounts are 32 x r^2 (r the step, or a for DriveLens), which fits a u32
// only for r up to this: 32 x 11585^2 = 0xFFFD5D20.
constexpr uint64_t kMaxRoot = 11585;

// User modes and the exposure programs they may be saved with.
constexpr uint32_t kUserModeFirst = 0x8050;
constexpr uint32_t kUserModeLast = 0x8052;
constexpr uint32_t kUserModeAperture = 21;
constexpr uint32_t kUserModeManual = 22;

const uint16_t kFocusSteps[3] = {15, 75, 375};

// Values of 0xD061 / 0xD161.
constexpr uint32_t kFullTimeAf = 2;     // 0xD061
constexpr uint32_t kManualPosition = 3; // 0xD061, 0xD161
constexpr uint32_t kManualWritten = 4;  // 0xD061, 0xD161: what a manual write sends
constexpr uint32_t kNoSavedFocusMode = 0xFFFFFFFF;
// Values of 0x500A.
constexpr uint32_t kStandardManual = 1;
constexpr uint32_t kSingleAf = 0x8010;
constexpr uint32_t kContinuousAf = 0x8011;

constexpr uint32_t kHostControl = 1; // control mode of 0x90C2

constexpr uint8_t kModelD700 = 195;
constexpr uint8_t kModelD3X = 198;
constexpr uint8_t kModelD3OrD2x = 204;

// A drive answered busy is sent again this far apart, as long as it takes.
constexpr auto kDriveBusyPause = std::chrono::milliseconds(250);
// The D5000 and D90 switch their focus mode back only after this pause.
constexpr auto kAfSwitchSettle = std::chrono::milliseconds(500);
// A stack's pauses after a shot and after a lens move; a test that shortens
// the shared stacking pauses shortens these too.
constexpr uint32_t kStackPauseMs = 1000;

// The 0xD161 value a manual write replaced, written back for automatic focus.
std::atomic<uint32_t> g_savedFocusMode{kNoSavedFocusMode};

bool is_z() { return PtpNikon_CameraIn(kNikonMirrorless); }
uint8_t model() { return PtpGenericInterface_CameraModel(); }

bool settable(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    const bool writable = record->access != 0;
    PtpUnlockProperty(record);
    return writable;
}

PtpResult write_verified(uint32_t code, uint32_t value) {
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

// Bodies with 0x500A only: the priority property that switches manual focus in
// the camera's AF mode, and its value for mode. False when the mode has none.
bool priority_switch(bool manual, uint32_t af, uint32_t* code, uint32_t* value) {
    if (af == kSingleAf) {
        *code = kNikonPropAfsPriority;
        *value = manual ? 1 : 0;
        return true;
    }
    if (af == kContinuousAf) {
        *code = kNikonPropAfcPriority;
        *value = manual ? 0 : 1;
        return true;
    }
    return false;
}

PtpResult write_camera_focus_mode(bool manual) {
    if (settable(kNikonPropFocusModeLiveView)) {
        if (manual) {
            uint32_t current = kNoSavedFocusMode;
            PtpReadCurrentValue(kNikonPropFocusModeLiveView, &current);
            g_savedFocusMode = current;
            return write_verified(kNikonPropFocusModeLiveView, kManualWritten);
        }
        uint32_t saved = g_savedFocusMode;
        if (saved == kNoSavedFocusMode || saved == kManualWritten) saved = 0;
        return write_verified(kNikonPropFocusModeLiveView, saved);
    }
    uint32_t af = 0;
    if (!PtpReadCurrentValue(kNikonPropFocusMode, &af)) return PtpResult_OperationNotSupported;
    // The D700 switches only in continuous AF.
    if (model() == kModelD700 && af != kContinuousAf) return PtpResult_OperationNotSupported;
    uint32_t code = 0, value = 0;
    if (!priority_switch(manual, af, &code, &value)) return PtpResult_OperationNotSupported;
    return write_verified(code, value);
}

// The D5000 and D90 drive the lens only in automatic focus: manual comes back
// after the move.
void restore_manual_after_switch() {
    std::this_thread::sleep_for(kAfSwitchSettle);
    PtpNikon_SetFocusMode(1);
}

// Steps 0x9204 through busy answers and a live view the camera left; the
// drive's result, after the ready wait that follows a good one.
PtpResult drive(uint32_t direction, uint32_t amount) {
    uint32_t mode = 0;
    if (PtpSession_LiveViewOn() && PtpReadCurrentValue(kNikonPropFocusModeLiveView, &mode) &&
        mode == kFullTimeAf && write_verified(kNikonPropFocusModeLiveView, 0) != PtpResult_Ok)
        return PtpResult_InvalidArgument;

    PtpResult rc = PtpTransaction_Run(kNikonOpManualFocusDrive, {direction, amount});
    if (rc == kNikonRespNotInLiveView) {
        // The body drives its lens only in live view.
        PtpResult (*toggle)(bool) = kPtpNikonDriver.liveView.toggle;
        if (!toggle) return rc;
        rc = toggle(true);
        if (rc != PtpResult_Ok) return rc;
        rc = PtpNikon_WaitDeviceReady();
        if (rc != PtpResult_Ok) return rc;
        rc = PtpTransaction_Run(kNikonOpManualFocusDrive, {direction, amount});
    }
    while (rc == PtpResult_DeviceBusy) {
        std::this_thread::sleep_for(kDriveBusyPause);
        rc = PtpTransaction_Run(kNikonOpManualFocusDrive, {direction, amount});
    }
    if (rc != PtpResult_Ok) return rc;
    rc = PtpNikon_WaitDeviceReady();
    if (rc == kNikonRespA00E) rc = PtpNikon_WaitDeviceReady();
    return rc;
}

uint64_t stack_pause_ms(uint32_t shared) { return std::min(kStackPauseMs, shared); }

PtpResult stack_shots(int32_t shots, uint32_t direction, uint32_t amount, uint32_t delayMs,
                      PtpFocusStackCallback callback) {
    uint32_t shotPause = 0, movePause = 0;
    PtpFocusStack_Pauses(&shotPause, &movePause);
    for (int32_t shot = 1; shot <= shots; ++shot) {
        PtpResult rc = PtpGenericInterface_TakeAndWaitForShotToComplete();
        if (rc != PtpResult_Ok) return rc;
        if (callback) callback(uint32_t(shot));
        if (shot == shots) break;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        // A cancel during this wait still moves the lens once, as after any shot.
        PtpFocusStack_Wait(stack_pause_ms(shotPause) + delayMs);
        rc = PtpNikon_DriveLens(direction, amount);
        if (rc != PtpResult_Ok) return rc;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        if (PtpFocusStack_Wait(stack_pause_ms(movePause))) return PtpResult_Aborted;
    }
    return PtpResult_Ok;
}

uint64_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

// 0xD0E2 reads 0: the lens moves less per drive unit.
bool long_throw() {
    uint32_t scale = 1;
    return PtpReadCurrentValue(kNikonPropLensDriveScale, &scale) && scale == 0;
}

} // namespace

PtpNikonLensDrive PtpNikon_DriveLensAmount(int32_t steps, bool longThrow) {
    const uint64_t n = magnitude(steps);
    PtpNikonLensDrive drive;
    drive.direction = steps < 0 ? 2 : 1;
    drive.amount = kNikonLensMaxAmount;
    if (n > kMaxRoot) return drive; // a alone is past the root already
    uint64_t a = 32 * n * n;        // below 2^33
    if (longThrow) a = a * 5 / 2;   // trunc(a x 2.5), exact in integers
    if (a <= kMaxRoot) drive.amount = uint32_t(32 * a * a);
    return drive;
}

PtpNikonLensDrive PtpNikon_StackDriveAmount(int32_t step) {
    const uint64_t n = magnitude(step);
    PtpNikonLensDrive drive;
    drive.direction = step < 0 ? 1 : 2;
    drive.amount = n > kMaxRoot ? kNikonLensMaxAmount : uint32_t(32 * n * n);
    return drive;
}

PtpResult PtpNikon_StopFocus() { return PtpResult_Ok; }

bool PtpNikon_CanTouchFocus() { return true; }

bool PtpNikon_IsIncrementalFocusSupported() { return true; }

bool PtpNikon_StackAllowsExposureMode(uint32_t mode) {
    if (PtpFocus_IsStandardStackMode(mode)) return true;
    if (mode < kUserModeFirst || mode > kUserModeLast) return false;
    uint32_t user = 0;
    return PtpReadCurrentValue(kNikonPropUserMode, &user) &&
           (user == kUserModeAperture || user == kUserModeManual);
}

uint16_t PtpNikon_FocusStepsForSize(uint16_t stepSize) {
    uint32_t steps = PtpFocus_StepsFromTable(kFocusSteps, stepSize);
    if (!long_throw()) return uint16_t(steps);
    steps = steps * 5 / 2;
    return uint16_t(steps > UINT16_MAX ? UINT16_MAX : steps);
}

// --- Focus modes ----------------------------------------------------------------------

void PtpNikon_ResetFocusState() { g_savedFocusMode = kNoSavedFocusMode; }

PtpResult PtpNikon_SetFocusMode(uint32_t mode) {
    const bool manual = mode == 1;
    if (is_z()) {
        // The library's mode alone: the lens is driven in any camera mode,
        // but automatic focus needs the camera out of its manual position.
        PtpSession_SetManualFocus(mode);
        if (manual || PtpNikonInterface_IsAutoFocus(true)) return PtpResult_Ok;
        return write_verified(kNikonPropFocusModeMirrorless, 0);
    }
    if (PtpSession_LiveViewOn() &&
        PtpGenericInterface_IsPropertySupported(kNikonPropFocusModeMirrorless)) {
        PtpSession_SetManualFocus(mode);
        return PtpResult_Ok;
    }
    PtpResult rc = write_camera_focus_mode(manual);
    if (rc == PtpResult_Ok) PtpSession_SetManualFocus(manual ? 1 : 0);
    return rc;
}

bool PtpNikonInterface_IsAutoFocus(bool ignoreLibraryMode) {
    const bool libraryAuto = PtpSession_ManualFocus() == 0;
    uint32_t value = 0;
    if (is_z()) {
        if (!PtpReadCurrentValue(kNikonPropFocusModeMirrorless, &value)) return false;
        if (value == kManualWritten) return false;
        return ignoreLibraryMode || libraryAuto;
    }
    if (PtpSession_LiveViewOn() && PtpReadCurrentValue(kNikonPropFocusModeMirrorless, &value)) {
        if (ignoreLibraryMode) return value != kManualPosition;
        return libraryAuto && value != kManualPosition && value != kManualWritten;
    }
    if (PtpReadCurrentValue(kNikonPropFocusModeLiveView, &value))
        return value != kManualPosition && value != kManualWritten;
    uint32_t af = 0;
    if (!PtpReadCurrentValue(kNikonPropFocusMode, &af) || af == kStandardManual) return false;
    if (ignoreLibraryMode) return true;
    // These bodies have no priority switch outside continuous AF.
    if ((model() == kModelD700 || model() == kModelD3OrD2x) && af != kContinuousAf) return true;
    uint32_t priority = 0;
    if (af == kSingleAf)
        return PtpReadCurrentValue(kNikonPropAfsPriority, &priority) && priority == 0;
    if (af == kContinuousAf)
        return PtpReadCurrentValue(kNikonPropAfcPriority, &priority) && priority != 0;
    return false;
}

bool PtpNikon_IsFocusAuto() { return PtpNikonInterface_IsAutoFocus(false); }

bool PtpNikon_SupportsFocusChange() {
    uint32_t value = 0;
    if (is_z()) return settable(kNikonPropFocusModeMirrorless);
    if (PtpSession_LiveViewOn() && PtpReadCurrentValue(kNikonPropFocusModeMirrorless, &value))
        return value != kManualPosition;
    // The camera takes focus-mode writes only under host control.
    if (PtpReadCurrentValue(kNikonPropFocusModeLiveView, &value))
        return PtpNikon_HostControlMode() == kHostControl && value != kManualPosition;
    if (!PtpReadCurrentValue(kNikonPropFocusMode, &value) || value == kStandardManual) return false;
    return model() == kModelD3X || value == kContinuousAf;
}

// --- Autofocus and lens drives ----------------------------------------------------------

PtpResult PtpNikon_Focus(bool waitReady, bool prepare) {
    const bool afSwitch = PtpNikon_HasAfModeSwitch();
    if (prepare && PtpSession_LiveViewOn() && PtpSession_ManualFocus() == 0 && !afSwitch &&
        PtpNikon_SetFocusMode(1) == PtpResult_Ok)
        PtpGenericInterface_SetFocusMode(1, 1);
    if (PtpSession_ManualFocus() == 1 && afSwitch) PtpNikon_SetFocusMode(0);
    PtpResult rc = PtpTransaction_Run(kNikonOpAutofocus);
    if (rc == PtpResult_Ok && waitReady) rc = PtpNikon_WaitDeviceReady();
    if (PtpSession_LiveViewOn() && afSwitch) restore_manual_after_switch();
    return rc;
}

PtpResult PtpNikon_FocusAndHold() {
    PtpResult rc = PtpNikon_Focus(true, true);
    // After a one-shot autofocus the library holds the found focus.
    if (rc == PtpResult_Ok) PtpGenericInterface_SetFocusMode(1, 1);
    return rc;
}

PtpResult PtpNikon_DriveLens(uint32_t direction, uint32_t amount) {
    const bool afSwitch = PtpNikon_HasAfModeSwitch();
    if (afSwitch && PtpSession_ManualFocus() == 1) PtpNikon_SetFocusMode(0);
    if (!afSwitch && PtpSession_ManualFocus() == 0) PtpGenericInterface_SetFocusMode(1, 1);
    const PtpResult rc = drive(direction, amount);
    // The switch back runs whatever the drive gave, and does not change its
    // result: a refused drive must not read as a moved lens.
    if (afSwitch) restore_manual_after_switch();
    return rc;
}

PtpResult PtpNikon_DriveLensSteps(int32_t steps) {
    const PtpNikonLensDrive d = PtpNikon_DriveLensAmount(steps, long_throw());
    return PtpNikon_DriveLens(d.direction, d.amount);
}

PtpResult PtpNikon_PackagedLensMove(int32_t step, uint16_t count) {
    const uint64_t distance = uint64_t(step < 0 ? -int64_t(step) : int64_t(step)) * count;
    const uint32_t amount = uint32_t(std::min<uint64_t>(distance, kNikonLensMaxAmount));
    PtpResult rc = PtpNikon_DriveLens(step < 0 ? 2 : 1, amount);
    // The lens was moved from the host: autofocus would undo it.
    if (rc == PtpResult_Ok) PtpGenericInterface_SetFocusMode(1, 1);
    return rc;
}

// --- Focus stacks ---------------------------------------------------------------------------

PtpResult PtpNikon_FocusStack(int32_t shots, uint32_t direction, uint32_t amount, uint32_t delayMs,
                              PtpFocusStackCallback callback) {
    // Every shot is taken where the library drove the lens.
    PtpSession_SetManualFocus(1);
    PtpFocusStack_ClearCancel();
    PtpNikon_SetCaptureInProgress(true);
    const PtpResult rc = stack_shots(shots, direction, amount, delayMs, callback);
    PtpNikon_SetCaptureInProgress(false);
    return rc;
}

PtpResult PtpNikon_FocusStackSteps(uint32_t shots, int32_t step, uint32_t delayMs,
                                   PtpFocusStackCallback callback) {
    const PtpNikonLensDrive d = PtpNikon_StackDriveAmount(step);
    const int32_t count = shots > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(shots);
    return PtpNikon_FocusStack(count, d.direction, d.amount, delayMs, callback);
}
