// Canon focus: autofocus, lens moves by 0x9155, the focus queries and the
// stacking loop, which takes each shot where the library drove the lens.
#include <cstdint>

#include "eos/eos_capture.h"
#include "eos/eos_codes.h"
#include "eos/eos_focus.h"
#include "eos/eos_models.h"
#include "generic/event_queue.h"
#include "generic/focus.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_eos.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kLensReverse = 0x8000;
constexpr uint32_t kLensMaxSteps = 0x7FFF;
constexpr uint32_t kFocusManual = 3; // 0xD108 "MF"
// The one body whose lens cannot be driven in steps.
constexpr uint8_t kNoIncrementalFocusModel = 232;
// Library focus mode 1: focus is held by the library.
constexpr uint32_t kFocusHeld = 1;

const uint16_t kFocusSteps[3] = {1, 10, 25};

// |v| as an unsigned value, defined for INT32_MIN too.
uint32_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

// The focus-mode record exists and is not manual.
bool focus_mode_auto() {
    uint32_t mode = 0;
    return PtpReadCurrentValue(PtpGetFocusModePropertyCode(), &mode) && mode != kFocusManual;
}

PtpResult move_lens(uint32_t parameter) {
    PtpResult rc = PtpTransaction_Run(kEosOpDriveLens, {parameter});
    if (rc != PtpResult_Ok) return rc;
    // The lens now stands where the host put it: focus is held by the library,
    // and movie servo AF would move it again.
    PtpGenericInterface_SetFocusMode(kFocusHeld, 1);
    if (PtpGenericInterface_GetProperty(kEosPropMovieServoAf, 0))
        PtpGenericInterface_SetPropertyValue(kEosPropMovieServoAf, 0, 1);
    return rc;
}

} // namespace

uint32_t PtpEos_DriveParameter(int32_t steps) {
    uint32_t n = magnitude(steps);
    if (n > kLensMaxSteps) n = kLensMaxSteps;
    return steps >= 0 ? n : kLensReverse + n;
}

uint32_t PtpEos_StackParameter(int32_t step) {
    uint32_t n = magnitude(step);
    if (n > kLensMaxSteps) n = kLensMaxSteps;
    return step >= 1 ? kLensReverse + n : n;
}

PtpResult PtpEos_FocusAndHold() {
    PtpResult rc = PtpEos_Focus();
    // After a one-shot autofocus the library holds the found focus.
    if (rc == PtpResult_Ok) PtpGenericInterface_SetFocusMode(kFocusHeld, 1);
    return rc;
}

PtpResult PtpEos_DriveLens(int32_t steps) { return move_lens(PtpEos_DriveParameter(steps)); }

bool PtpEos_IsFocusAuto() {
    // Bodies without touch focus cannot autofocus while live view is on.
    if (!PtpEos_CanTouchFocus() && PtpSession_LiveViewOn()) return false;
    return focus_mode_auto();
}

bool PtpEos_SupportsFocusChange() {
    return focus_mode_auto() && PtpIsOperationSupported(kEosOpRemoteReleaseOn);
}

bool PtpEos_IsIncrementalFocusSupported() {
    return PtpGenericInterface_CameraModel() != kNoIncrementalFocusModel;
}

bool PtpEos_IsFocusStackSupported() { return true; }

bool PtpEos_StackAllowsExposureMode(uint32_t) {
    const uint32_t code = PtpGetAperturePropertyCode();
    PtpPropertyRecord* aperture = code ? PtpGenericInterface_GetProperty(code, 1) : nullptr;
    if (!aperture) return true;
    bool readOnly = aperture->access == 0;
    PtpUnlockProperty(aperture);
    return !readOnly;
}

PtpResult PtpEos_FocusStack(uint32_t shots, int32_t step, uint32_t delayMs,
                            PtpFocusStackCallback callback) {
    const uint32_t lensParameter = PtpEos_StackParameter(step);
    uint32_t shotPause, movePause;
    PtpFocusStack_ClearCancel();
    PtpFocusStack_Pauses(&shotPause, &movePause);
    // Every shot is taken where the library drove the lens, not where the
    // camera would focus.
    PtpSession_SetManualFocus(kFocusHeld);
    PtpQueuePropertyCodeChanged(kEosPropFocusMode, /*notify=*/true);
    if (shots == 0) return PtpResult_Ok;

    for (uint32_t shot = 1;; ++shot) {
        PtpResult rc = PtpEosInterface_InitiateImageCapture(true);
        if (rc != PtpResult_Ok) return rc;
        // Paces the series until the camera has stored the shot; its outcome
        // is not the stack's.
        (void)PtpEos_ReassertAfterShot();
        if (callback) callback(shot);
        if (shot == shots) return PtpResult_Ok;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;

        // A cancel during this wait still moves the lens once: the host sees
        // the stack end with the lens one step on, as after any shot.
        PtpFocusStack_Wait(uint64_t(shotPause) + delayMs);
        rc = move_lens(lensParameter);
        if (rc != PtpResult_Ok) return rc;
        if (PtpFocusStack_IsCancelled()) return PtpResult_Aborted;
        // The lens settles before the next shot; a cancel meanwhile takes no
        // further picture.
        if (PtpFocusStack_Wait(movePause)) return PtpResult_Aborted;
    }
}

PtpResult PtpEos_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length) {
    *length = 0;
    if (magnitude(step) > kLensMaxSteps) return PtpResult_InvalidArgument;
    const uint32_t parameter = PtpEos_DriveParameter(step);
    *length = PtpTransaction_BuildCommand(kEosOpDriveLens, &parameter, 1, nullptr, 0, buf, size);
    return *length ? PtpResult_Ok : PtpResult_InvalidData;
}

uint16_t PtpEos_FocusStepsForSize(uint16_t stepSize) {
    return PtpFocus_StepsFromTable(kFocusSteps, stepSize);
}
