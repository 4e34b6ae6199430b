// The Nikon driver's property roles and the labels that follow the camera model.
#include <cstddef>

#include "generic/property_store.h"
#include "nikon/label_tables.h"
#include "nikon/nikon_codes.h"

const PtpPropertyRoles kNikonPropertyRoles = {
    .aperture = kNikonPropFNumber,
    .shutterSpeed = kNikonPropShutterSpeed,
    .iso = kNikonPropIso, // the extended ISO when the camera has it
    .imageFormat = kNikonPropImageQuality,
    .focusMode = kNikonPropFocusMode,
    .autoExposure = kNikonPropExposureProgram,
    .batteryPower = kNikonPropBatteryLevel,
    .driveMode = kNikonPropDriveMode,
    .meteringMode = kNikonPropMeteringMode,
    .whiteBalance = kNikonPropWhiteBalance,
    .availableShots = kNikonPropAvailableShots,
    .exposureCompensation = kNikonPropExposureCompensation,
    .exposureBracketing = kNikonPropBracketingStep,
};

void PtpNikon_CameraRoles(PtpPropertyRoles* roles) {
    if (PtpGenericInterface_IsPropertySupported(kNikonPropIsoExtended))
        roles->iso = kNikonPropIsoExtended;
}

const char* PtpNikon_PrintedLabel(uint32_t code, uint32_t value) {
    return code == kNikonPropAutoIsoValue ? PtpNames_PrintValue("ISO ", value) : nullptr;
}

// The table that the camera model id puts in place of the names table's for
// code, or null. The first row whose models and codes both match decides; the
// lists end at their first 0, which is neither a model id nor an overridden code.
const PtpValueLabel* PtpNikon_CameraLabels(const PtpLabelContext& camera, uint32_t code) {
    if (camera.model == 0 || code == 0) return nullptr;
    for (size_t i = 0; i < kNikonLabelOverrideCount; ++i) {
        const PtpNikonLabelOverride& row = kNikonLabelOverrides[i];
        bool modelListed = false;
        for (uint8_t m : row.models) {
            if (m == 0) break;
            if (m == camera.model) modelListed = true;
        }
        bool codeListed = false;
        for (uint32_t c : row.codes) {
            if (c == 0) break;
            if (c == code) codeListed = true;
        }
        if (modelListed && codeListed) return row.labels;
    }
    return nullptr;
}
