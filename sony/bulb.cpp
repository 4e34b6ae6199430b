// Sony bulb exposures: the shutter held pressed for as long as the host wants,
// and whether the camera can take one in its current modes.
#include "generic/property_store.h"
#include "ptp_properties.h"
#include "sony/sony_capture.h"
#include "sony/sony_codes.h"

namespace {

constexpr uint32_t kShutterBulb = 0; // 0xD20D

// Exposure programs (0x500E) in which the camera offers no bulb.
const uint32_t kNoBulbPrograms[] = {4, 0x8050, 0x30004, 0x78050};

} // namespace

PtpResult PtpSony_StartBulb() { return PtpSony_InitiateCapture(); }

PtpResult PtpSony_StopBulb() { return PtpSony_ReleaseShutter(); }

bool PtpSony_IsBulbMode() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kSonyPropShutterSpeed, 1);
    if (!record) return false;
    const bool bulb = record->access != 0 && record->currentValue == kShutterBulb;
    PtpUnlockProperty(record);
    return bulb;
}

bool PtpSony_IsBulbAvailable() {
    uint32_t program = 0;
    if (!PtpReadCurrentValue(kSonyPropExposureProgram, &program)) return true;
    for (uint32_t p : kNoBulbPrograms)
        if (program == p) return false;
    uint32_t drive = 0;
    return !(PtpReadCurrentValue(kSonyPropDriveMode, &drive) &&
             PtpSony_IsDriveModeContinuous(drive));
}

bool PtpSony_CanStartBulb() { return PtpSony_IsBulbMode() && PtpSony_IsBulbAvailable(); }
