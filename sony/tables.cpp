// The Sony driver's property roles.
#include "generic/driver.h"
#include "generic/property_store.h"
#include "sony/label_tables.h"
#include "sony/sony_codes.h"

const PtpPropertyRoles kSonyPropertyRoles = {
    .aperture = kSonyPropFNumber,
    .shutterSpeed = kSonyPropShutterSpeed,
    .iso = kSonyPropIso,
    .imageFormat = kSonyPropImageQuality, // newer bodies: the image format
    .focusMode = kSonyPropFocusMode,
    .autoExposure = kSonyPropExposureProgram,
    .batteryPower = kSonyPropBatteryLevel,
    .driveMode = kSonyPropDriveMode,
    .meteringMode = kSonyPropMeteringMode,
    .whiteBalance = kSonyPropWhiteBalance,
    .exposureCompensation = kSonyPropExposureCompensation,
};

void PtpSony_CameraRoles(PtpPropertyRoles* roles) {
    if (PtpGenericInterface_IsPropertySupported(kSonyPropImageFormat))
        roles->imageFormat = kSonyPropImageFormat;
}
