// Sony exposure: compensation limits in thousandths of a stop and the
// directions of the exposure lists.
#include "generic/exposure.h"
#include "sony/sony_codes.h"
#include "sony/sony_exposure.h"

float PtpSony_CompensationLimit(bool largest, uint8_t) {
    return PtpExposure_MilliStopLimit(kSonyPropExposureCompensation, largest, true);
}

int PtpSony_HdrBrighterDirection(uint32_t code) { return code == kSonyPropShutterSpeed ? -1 : 1; }

int PtpSony_HdrDarkerDirection(uint32_t code) { return code == kSonyPropIso ? -1 : 1; }

bool PtpSony_HubOrderReversed(uint32_t code) { return code == kSonyPropShutterSpeed; }
