// The Canon driver's property roles and the labels that follow the body.
#include "eos/eos_session.h"
#include "eos/label_tables.h"

const PtpPropertyRoles kEosPropertyRoles = {
    .aperture = kEosPropAperture,
    .shutterSpeed = kEosPropShutterSpeed,
    .iso = kEosPropIso,
    .imageFormat = kEosPropImageFormat,
    .focusMode = kEosPropFocusMode,
    .autoExposure = kEosPropExposureMode, // the session start may choose the dial instead
    .batteryPower = kEosPropBatteryPower,
    .driveMode = kEosPropDriveMode,
    .meteringMode = kEosPropMeteringMode,
    .whiteBalance = kEosPropWhiteBalance,
    .availableShots = kEosPropAvailableShots,
    .exposureCompensation = kEosPropExposureCompensation,
    .exposureBracketing = kEosPropExposureBracketing,
};

void PtpEos_CameraRoles(PtpPropertyRoles* roles) {
    roles->autoExposure = PtpEos_ExposureModePropertyCode();
}

const PtpValueLabel* PtpEos_CameraLabels(const PtpLabelContext& camera, uint32_t code) {
    // Mirrorless bodies send shutter code 4 for "Auto".
    if (code == kEosPropShutterSpeed && camera.mirrorless)
        return kCanonShutterSpeedMirrorlessLabels;
    return nullptr;
}
