// Fujifilm exposure: compensation codes in thousandths of a stop, their
// limits, and the directions of the exposure lists.
#include <cmath>
#include <cstdint>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_exposure.h"
#include "fuji/fuji_session.h"
#include "generic/exposure.h"
#include "generic/property_store.h"
#include "ptp_capabilities.h"

uint32_t PtpFuji_CompensationCodeForStop(float stop) {
    // The range bound keeps the conversion defined for absurd stops.
    float milli = std::round(stop * 1000.0f);
    if (std::isnan(milli)) return 0;
    if (milli > 32767.0f) milli = 32767.0f;
    if (milli < -32768.0f) milli = -32768.0f;
    return uint16_t(int16_t(milli));
}

// The bodies step compensation in thirds of a stop.
uint32_t PtpFuji_CompensationStepSize() { return 3; }

bool PtpFuji_IsCompensationEnabled() {
    uint32_t mode = 0;
    return PtpFuji_HostMode() && PtpReadCurrentValue(kFujiPropExposureProgram, &mode) &&
           !PtpGenericInterface_IsAutoExposureModeManual(mode);
}

float PtpFuji_CompensationLimit(bool largest, uint8_t) {
    return PtpExposure_MilliStopLimit(kFujiPropExposureCompensation, largest, true);
}

int PtpFuji_HdrBrighterDirection(uint32_t code) { return code == kFujiPropFNumber ? -1 : 1; }

int PtpFuji_HdrDarkerDirection(uint32_t code) { return code == kFujiPropFNumber ? 1 : -1; }

bool PtpFuji_HubOrderReversed(uint32_t code) { return code == kFujiPropFNumber; }
