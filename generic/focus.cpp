// Focus control: autofocus, lens drives in signed steps, the library's manual /
// automatic focus flag and the focus queries. Each call asks the session's
// driver; the answer for a vendor without the entry is given here.
#include "generic/focus.h"

#include "generic/driver.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kExposureManual = 1;
constexpr uint32_t kExposureAperturePriority = 3;

} // namespace

bool PtpFocus_IsStandardStackMode(uint32_t mode) {
    return mode == kExposureManual || mode == kExposureAperturePriority;
}

PtpResult PtpGenericInterface_Focus(void) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->focus.focus) return PtpResult_NotSupportedForCamera;
    return d->focus.focus();
}

PtpResult PtpGenericInterface_StopFocus(void) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->focus.stopFocus) return PtpResult_NotSupportedForCamera;
    return d->focus.stopFocus();
}

PtpResult PtpGenericInterface_DriveLens(int32_t steps) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->focus.driveLens) return PtpResult_NotSupportedForCamera;
    return d->focus.driveLens(steps);
}

PtpResult PtpGenericInterface_SetFocusMode(uint32_t mode, uint8_t notify) {
    const PtpDriver* d = PtpSession_Driver();
    if ((mode == 0 || mode == 1) && d->focus.writeFocusMode) {
        PtpResult rc = d->focus.writeFocusMode(mode);
        if (rc != PtpResult_Ok) return rc;
    }
    PtpSession_SetManualFocus(mode);
    if (notify) {
        uint32_t code = PtpGetFocusModePropertyCode();
        PtpQueuePropertyChanged(code ? PtpGenericInterface_GetProperty(code, 0) : nullptr,
                                /*notify=*/true);
    }
    return PtpResult_Ok;
}

uint32_t PtpGenericInterface_FocusMode(void) {
    const PtpDriver* d = PtpSession_Driver();
    uint32_t mode = 0;
    if (d->focus.cameraFocusMode && d->focus.cameraFocusMode(&mode)) return mode;
    return PtpSession_ManualFocus();
}

bool PtpGenericInterface_IsFocusAuto(void) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.isFocusAuto && d->focus.isFocusAuto();
}

bool PtpGenericInterface_CanTouchFocus(void) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.canTouchFocus && d->focus.canTouchFocus();
}

bool PtpGenericInterface_SupportsFocusChange(void) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.supportsFocusChange && d->focus.supportsFocusChange();
}

bool PtpGenericInterface_IsIncrementalFocusSupported(void) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.isIncrementalFocusSupported && d->focus.isIncrementalFocusSupported();
}

bool PtpGenericInterface_IsFocusStackSupported(void) {
    const PtpDriver* d = PtpSession_Driver();
    return d->focus.isFocusStackSupported && d->focus.isFocusStackSupported();
}

bool PtpGenericInterface_IsExposureModeCompatibleWithFocusStacking(void) {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->focus.stackAllowsExposureMode) return false;
    // Without an exposure-mode property nothing speaks against a stack.
    uint32_t mode = 0;
    if (!PtpReadCurrentValue(PtpGetAutoExposurePropertyCode(), &mode)) return true;
    return d->focus.stackAllowsExposureMode(mode);
}
