// Sony focus: autofocus through the half press, the focus toggle button that
// switches between autofocus and manual focus, lens drives and the stacking
// loop, the lens-step conversions, the focus queries and the focus step sizes.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "comms/bytes.h"
#include "generic/focus.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_capture.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "ptp_sony.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"
#include "sony/sony_focus.h"
#include "sony/sony_models.h"

namespace {

constexpr uint8_t kTouchFocusModel = 176;
// Sony's own exposure-mode code that a stack also accepts.
constexpr uint32_t kStackableMode = 0x20003;
// The largest step of one packaged lens move, either way.
constexpr int32_t kLensMaxSteps = 0x7FFF;

const uint16_t kFocusSteps[3] = {2, 5, 7};

constexpr uint32_t kManualFocus = 1; // 0x500A
// The ILCE-1 takes the toggle as two values this far apart; other bodies
// only the second.
constexpr uint32_t kTogglePauseMs = 250;
// A stack's pauses after a shot and after a lens move, at most.
constexpr uint32_t kStackPauseMs = 1000;
constexpr uint8_t kUnset = 0xFF;

// The library's focus flags: host calls change them; the event thread reads
// the toggled flag when the exposure mode changes.
struct FocusFlags {
    std::atomic<uint8_t> toggled{0};            // the library switched to manual focus
    std::atomic<uint8_t> startedManual{kUnset}; // the last Focus found manual focus
    std::atomic<uint8_t> phase{kUnset};         // 1: the toggle is pressed (1, 2 sent)
};
FocusFlags g_focus;

bool manual_focus() {
    uint32_t mode = 0;
    return PtpReadCurrentValue(kSonyPropFocusMode, &mode) && mode == kManualFocus;
}

// The focus toggle as a pair of values; the failure of the one that counts.
PtpResult toggle(uint32_t first, uint32_t second) {
    if (PtpGenericInterface_CameraModel() == kSonyModelIlce1) {
        PtpSony_SendControl(kSonyButtonFocusToggle, first, 2);
        PtpSony_Pause(kTogglePauseMs);
    }
    return PtpSony_SendControl(kSonyButtonFocusToggle, second, 2);
}

// A lens step as the 16-bit value of 0xD2D1, held to its range so that a
// long pull never wraps round to the other direction.
uint32_t lens_value(int32_t step) {
    return uint16_t(int16_t(std::clamp<int32_t>(step, INT16_MIN, INT16_MAX)));
}

// -v, saturated to the int32 range (-INT32_MIN is INT32_MAX).
int32_t negate(int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

// The widening of the smallest steps: 1, 2, 3 -> 3, 4, third (either sign).
int32_t widen(int32_t v, int32_t third) {
    switch (v) {
    case 1: return 3;
    case -1: return -3;
    case 2: return 4;
    case -2: return -4;
    case 3: return third;
    case -3: return -third;
    default: return v;
    }
}

} // namespace

int32_t PtpSony_DriveSteps(int32_t steps) { return widen(negate(steps), 6); }

int32_t PtpSony_StackStep(int32_t step) { return widen(step, 5); }

uint16_t PtpSony_FocusDriveValue(int32_t step, uint16_t count) {
    // Computed wide and held to the 16-bit range, so a long pull drives as far
    // as it can in its own direction instead of wrapping round to the other.
    int64_t value = -(int64_t(step) * int64_t(count));
    if (value > INT16_MAX) value = INT16_MAX;
    if (value < INT16_MIN) value = INT16_MIN;
    return uint16_t(int16_t(value));
}

PtpResult PtpSony_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length) {
    *length = 0;
    if (step > kLensMaxSteps || step < -kLensMaxSteps) return PtpResult_InvalidArgument;
    // Each repeat is one lens drive of -step, the camera's signed value
    // sign-extended, so that count repeats move the lens as far as one drive
    // of -(step x count) would.
    uint8_t value[4];
    put_u32(value, uint32_t(int32_t(int16_t(PtpSony_FocusDriveValue(step, 1)))));
    *length = PtpTransaction_BuildCommand(kSonyOpControlDevice, &kSonyPropFocusDrive, 1, value,
                                          sizeof value, buf, size);
    return *length ? PtpResult_Ok : PtpResult_InvalidData;
}

bool PtpSony_CanTouchFocus() {
    return PtpGenericInterface_CameraModel() == kTouchFocusModel ||
           PtpGenericInterface_GetProperty(kSonyPropTouchFocus, 0) != nullptr;
}

bool PtpSony_StackAllowsExposureMode(uint32_t mode) {
    return PtpFocus_IsStandardStackMode(mode) || mode == kStackableMode;
}

uint16_t PtpSony_FocusStepsForSize(uint16_t stepSize) {
    return PtpFocus_StepsFromTable(kFocusSteps, stepSize);
}

// --- Focus flags ---------------------------------------------------------------------

void PtpSony_ResetFocusFlags() {
    g_focus.toggled = 0;
    g_focus.startedManual = kUnset;
    g_focus.phase = kUnset;
}

bool PtpSony_FocusToggled() { return g_focus.toggled == 1; }

void PtpSony_SetFocusToggled(bool toggled) { g_focus.toggled = toggled ? 1 : 0; }

// --- Autofocus and the focus toggle -----------------------------------------------------

PtpResult PtpSony_Focus() {
    if (!manual_focus()) {
        g_focus.startedManual = 0;
        return PtpSony_Press(kSonyButtonHalfPress);
    }
    g_focus.startedManual = 1;
    if (!PtpSony_HasIncrementalFocus()) return PtpResult_NotSupportedForCamera;
    uint32_t first = 2, second = 1;
    if (g_focus.toggled != 1 || g_focus.phase == 1) {
        first = 1;
        second = 2;
        g_focus.phase = 1;
    }
    PtpResult rc = toggle(first, second);
    if (rc != PtpResult_Ok) return rc;
    if (g_focus.toggled != 1) return PtpResult_Ok;
    return PtpSony_Press(kSonyButtonHalfPress);
}

PtpResult PtpSony_StopFocus() {
    if (g_focus.startedManual != 1) return PtpSony_Release(kSonyButtonHalfPress);
    if (g_focus.toggled == 1) {
        PtpResult rc = PtpSony_Release(kSonyButtonHalfPress);
        if (rc != PtpResult_Ok) return rc;
    }
    if (manual_focus()) return PtpResult_Ok;
    if (!PtpSony_HasIncrementalFocus()) return PtpResult_NotSupportedForCamera;
    uint32_t first = 1, second = 2;
    if (g_focus.phase == 1) {
        first = 2;
        second = 1;
        g_focus.phase = 0;
    }
    return toggle(first, second);
}

PtpResult PtpSony_SetFocusMode(uint32_t mode) {
    const bool current = manual_focus();
    const bool wanted = mode == kManualFocus;
    if (current == wanted) return PtpResult_Ok;
    if (!PtpSony_HasIncrementalFocus()) return PtpResult_OperationNotSupported;
    // Only a switch the library made itself can be undone, and the ILCE-9
    // has no toggle to make one.
    const bool toggled = g_focus.toggled == 1;
    if (!toggled && (PtpGenericInterface_CameraModel() == kSonyModelIlce9 || current))
        return PtpResult_OperationNotSupported;
    uint32_t first, second;
    if ((current && !toggled) || g_focus.phase == 1) {
        first = wanted ? 2 : 1;
        second = wanted ? 1 : 2;
        g_focus.phase = wanted ? 0 : 1;
    } else {
        first = wanted ? 1 : 2;
        second = wanted ? 2 : 1;
    }
    PtpResult rc = toggle(first, second);
    if (rc == PtpResult_Ok) g_focus.toggled = current ? 0 : 1;
    return rc;
}

bool PtpSony_CameraFocusMode(uint32_t* mode) {
    uint32_t value = 0;
    if (!PtpReadCurrentValue(kSonyPropFocusMode, &value)) return false;
    *mode = value == kManualFocus ? 1 : 0;
    return true;
}

bool PtpSony_SupportsFocusChange() {
    if (!PtpSony_HasIncrementalFocus()) return false;
    return g_focus.toggled == 1 ||
           (PtpGenericInterface_CameraModel() != kSonyModelIlce9 && !manual_focus());
}

bool PtpSonyInterface_IsAutoFocus(void) { return !manual_focus(); }

// --- Lens drives and stacks ----------------------------------------------------------------

PtpResult PtpSony_DriveLens(int32_t steps) {
    return PtpSony_SendControl(kSonyPropFocusDrive, lens_value(PtpSony_DriveSteps(steps)), 2);
}

PtpResult PtpSony_PackagedLensMove(int32_t step, uint16_t count) {
    return PtpSony_SendControl(kSonyPropFocusDrive, PtpSony_FocusDriveValue(step, count), 2);
}

PtpResult PtpSony_FocusStack(uint32_t shots, int32_t step, uint32_t delayMs,
                             PtpFocusStackCallback callback) {
    PtpFocusStack_ClearCancel();
    if (!manual_focus()) return PtpResult_Failed;
    const uint32_t value = lens_value(PtpSony_StackStep(step));
    uint32_t shotPause = 0, movePause = 0;
    PtpFocusStack_Pauses(&shotPause, &movePause);
    for (uint32_t shot = 1; shot <= shots; ++shot) {
        PtpResult rc = PtpGenericInterface_TakeAndWaitForShotToComplete();
        if (rc != PtpResult_Ok) return rc;
        if (callback) callback(shot);
        if (shot == shots) break;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        PtpFocusStack_Wait(uint64_t(std::min(kStackPauseMs, shotPause)) + delayMs);
        rc = PtpSony_SendControl(kSonyPropFocusDrive, value, 2);
        if (rc != PtpResult_Ok) return rc;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        if (PtpFocusStack_Wait(std::min(kStackPauseMs, movePause))) return PtpResult_Aborted;
    }
    return PtpResult_Ok;
}
