// The Fujifilm driver's property roles.
#include "fuji/fuji_codes.h"
#include "fuji/label_tables.h"
#include "generic/driver.h"

const PtpPropertyRoles kFujiPropertyRoles = {
    .aperture = kFujiPropFNumber,
    .shutterSpeed = kFujiPropExposureTime,
    .iso = kFujiPropIso,
    .imageFormat = kFujiPropImageQuality,
    .focusMode = kFujiPropFocusMode,
    .autoExposure = kFujiPropExposureProgram,
    .batteryPower = kFujiPropBatteryLevel,
    .meteringMode = kFujiPropMeteringMode,
    .whiteBalance = kFujiPropWhiteBalance,
    .availableShots = kFujiPropMediaCapacity,
    .exposureCompensation = kFujiPropExposureCompensation,
};
