// What a Nikon body can do and what its current settings mean: the Nikon
// entries of the driver's capability and image-format areas. They read the
// session's model number and the property store; no camera traffic.
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_formats.h"
#include "nikon/nikon_models.h"
#include "ptp_nikon.h"

namespace {

// Exposure programs of 0x500E: 1 manual; 0x8050..0x8052 the user modes U1..U3,
// whose stored exposure mode 0xD0FC gives (22: manual).
constexpr uint32_t kManualProgram = 1;
constexpr uint32_t kUserModeFirst = 0x8050;
constexpr uint32_t kUserModeLast = 0x8052;
constexpr uint32_t kUserModeManual = 22;
// The scene modes are programs 5 and up.
constexpr uint32_t kFirstSceneProgram = 5;
// Shutter speed 0xFFFFFFFF is bulb; drive mode 0x8012 is mirror up.
constexpr uint32_t kBulbSpeed = 0xFFFFFFFF;
constexpr uint32_t kMirrorUpDrive = 0x8012;
// Bodies whose lens cannot be stepped for a focus stack: D5000 and D3/D2x.
constexpr uint8_t kNoStackModels[] = {192, 204};

bool value_is(uint32_t code, uint32_t expected) {
    uint32_t value = 0;
    return PtpReadCurrentValue(code, &value) && value == expected;
}

} // namespace

bool PtpNikon_SupportsElectronicLevel() { return !PtpNikon_CameraIn(kNikonNoElectronicLevel); }

bool PtpNikon_IsMirrorUp() { return PtpSession_MirrorUp() != 0; }

bool PtpNikon_IsManualMode(uint32_t mode) {
    if (mode == kManualProgram) return true;
    return mode >= kUserModeFirst && mode <= kUserModeLast &&
           value_is(kNikonPropUserMode, kUserModeManual);
}

bool PtpNikon_IsAutoIso() {
    if (PtpNikon_CameraIn(kNikonAutoIsoInSceneModesOnly)) {
        uint32_t program = 0;
        if (!PtpReadCurrentValue(kNikonPropExposureProgram, &program) ||
            program < kFirstSceneProgram)
            return false;
    }
    PtpPropertyRecord* record = PtpNikonInterface_AutoIsoEnabledProperty();
    if (!record || !PtpLockProperty(record)) return false;
    bool on = record->currentValue > 0;
    PtpUnlockProperty(record);
    return on;
}

const char* PtpNikon_LensName() { return ""; }

// Standard exposure programs: 1 manual, 3 aperture priority, 4 shutter priority.
bool PtpNikon_IsCompensationSettable(uint32_t mode) { return mode == 1 || mode == 3 || mode == 4; }

bool PtpNikon_IsImageFormatRaw() { return value_is(kNikonPropImageQuality, PtpNikon_RawQuality()); }

bool PtpNikon_IsRawOnlyImageFormat(uint32_t value) { return value == PtpNikon_RawQuality(); }

bool PtpNikon_IsBulbMode() { return value_is(kNikonPropShutterSpeed, kBulbSpeed); }

bool PtpNikon_IsBulbAvailable() { return PtpIsOperationSupported(kNikonOpBulbCapture); }

bool PtpNikon_CanStartBulb() { return PtpNikon_IsBulbMode() && PtpNikon_IsBulbAvailable(); }

bool PtpNikon_IsMirrorModeOn() { return value_is(kNikonPropDriveMode, kMirrorUpDrive); }

bool PtpNikon_IsFocusStackSupported() {
    uint8_t model = PtpGenericInterface_CameraModel();
    for (uint8_t m : kNoStackModels)
        if (m == model) return false;
    return true;
}

bool PtpNikon_SupportsMirrorUp() {
    return PtpGenericInterface_IsPropertySupported(kNikonPropMirrorUpShootingCount);
}

bool PtpNikon_SupportsMovieRecording() { return PtpIsOperationSupported(kNikonOpStartMovieRecord); }

// Continuous drive modes: 0x5013 continuous (2), continuous high (0x8010) and
// the fast bursts (0x8018, 0x8019); live view's 0xD1A1 low and high (1, 2) and
// 0x8019. A custom still-capture mode makes 0x8100 a single frame.
bool PtpNikon_ShouldPresentBurstPicker(uint32_t code, uint32_t value) {
    if (value == 0x8100 &&
        PtpGenericInterface_IsPropertySupported(kNikonPropCustomStillCaptureMode))
        return false;
    if (code == kNikonPropDriveMode)
        return value == 2 || value == 0x8010 || value == 0x8018 || value == 0x8019;
    if (code == kNikonPropLiveViewDriveMode) return value == 1 || value == 2 || value == 0x8019;
    return false;
}

bool PtpNikon_IsMirrorless() { return PtpNikon_CameraIn(kNikonMirrorless); }

// --- Exported ------------------------------------------------------------------------------

bool PtpNikonInterface_IsMirrorless() { return PtpNikon_IsMirrorless(); }

uint32_t PtpNikonInterface_GetFocusModePropertyCode() {
    if (PtpNikon_IsMirrorless()) return kNikonPropFocusModeMirrorless;
    if (PtpGenericInterface_IsPropertySupported(kNikonPropFocusModeLiveView))
        return kNikonPropFocusModeLiveView;
    return kNikonPropFocusMode;
}

PtpPropertyRecord* PtpNikonInterface_AutoIsoEnabledProperty() {
    if (PtpGenericInterface_IsPropertySupported(kNikonPropAutoIsoAuto) &&
        PtpNikon_IsAutoExposureProgram())
        return PtpGenericInterface_GetProperty(kNikonPropAutoIsoAuto, 0);
    return PtpGenericInterface_GetProperty(kNikonPropAutoIso, 0);
}

uint32_t PtpNikonInterface_AutoIsoEnabledPropertyCode() {
    PtpPropertyRecord* record = PtpNikonInterface_AutoIsoEnabledProperty();
    return record ? record->code : 0;
}

bool PtpNikonInterface_AutoIsoEnabledValue(const PtpPropertyRecord* record) {
    return !record || record->code != kNikonPropAutoIso;
}

bool PtpNikonInterface_SupportsAutoIso() {
    return (PtpGenericInterface_IsPropertySupported(kNikonPropAutoIsoAuto) ||
            PtpGenericInterface_IsPropertySupported(kNikonPropAutoIso)) &&
           PtpGenericInterface_IsPropertySupported(kNikonPropAutoIsoValue);
}

uint8_t PtpNikonInterface_GetMaxContinuousShots() {
    uint32_t minimum = 0, limit = 0;
    bool hasMinimum = PtpReadCurrentValue(kNikonPropContinuousShootingCount, &minimum);
    bool hasLimit = PtpReadCurrentValue(kNikonPropAvailableShots, &limit);
    return PtpNikon_MaxContinuousShots(hasMinimum, minimum, hasLimit, limit);
}
