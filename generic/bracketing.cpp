// Exposure bracketing: the frames a camera's bracketing takes, whether it may
// be used and is on, and switching it. Each call asks the session's driver.
#include <cstdint>

#include "generic/driver.h"
#include "generic/exposure.h"
#include "ptp_exposure.h"

// Unlike the vendor-neutral "not supported", a bracketing write the vendor
// cannot make answers 0, which is not OK either.
static constexpr PtpResult kNoBracketingWrite = 0;

uint32_t PtpGenericInterface_GetExposureBracketingStops(float stop, float* out, uint8_t force) {
    const PtpDriver* d = PtpSession_Driver();
    if (!out || !d->exposure.bracketingStops) return 0;
    return d->exposure.bracketingStops(stop, out, force);
}

bool PtpGenericInterface_IsExposureBracketingEnabled() {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.isBracketingEnabled && d->exposure.isBracketingEnabled();
}

bool PtpGenericInterface_IsExposureBracketingOn() {
    const uint32_t code = PtpSession_Driver()->exposure.bracketingProperty;
    return code != 0 && PtpExposure_IsSet(code);
}

bool PtpGenericInterface_IsExposureCompensationEnabled() {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.isCompensationEnabled && d->exposure.isCompensationEnabled();
}

PtpResult PtpGenericInterface_SetBracketing(uint32_t value) {
    const PtpDriver* d = PtpSession_Driver();
    return d->exposure.setBracketing ? d->exposure.setBracketing(value) : kNoBracketingWrite;
}

PtpResult PtpGenericInterface_TurnOffBracketing() {
    const PtpDriver* d = PtpSession_Driver();
    if (!d->exposure.turnOffBracketing) return PtpResult_NotSupportedForCamera;
    return d->exposure.turnOffBracketing();
}
