// What a Canon body can do and what its current settings mean: the Canon
// entries of the driver's capability area. They read the session's DeviceInfo,
// the model number and the property store; no camera traffic.
#include <cstdio>
#include <cstring>

#include "eos/eos_models.h"
#include "generic/property_store.h"
#include "generic/session.h"

namespace {

constexpr uint32_t kMirrorLockedUp = 2; // 0xD1BF while the mirror is up
constexpr uint32_t kManualMode = 3;     // 0xD105
constexpr uint32_t kAutoIso = 0;        // 0xD103

// A body that lists 0x913E has an electronic level, except the 100D family.
constexpr uint8_t k100DFamily = 235;
// The compacts and the M bodies whose lens zooms under the host's control.
constexpr uint8_t kLensZoomModels[] = {231, 232, 233};

// The lens name handed to the host: a copy per thread, so that an event changing
// the label cannot tear the text while the host reads it.
thread_local char t_lensName[PTP_CURRENT_LABEL_SIZE];

bool value_is(uint32_t code, uint32_t expected) {
    uint32_t value = 0;
    return PtpReadCurrentValue(code, &value) && value == expected;
}

} // namespace

bool PtpEos_SupportsHalfPress() { return PtpIsOperationSupported(kEosOpRemoteReleaseOn); }

bool PtpEos_SupportsElectronicLevel() {
    return PtpIsOperationSupported(kEosOpLiveViewAfterSwitch) &&
           PtpGenericInterface_CameraModel() != k100DFamily;
}

bool PtpEos_SupportsLensZoom() {
    uint8_t model = PtpGenericInterface_CameraModel();
    for (uint8_t m : kLensZoomModels)
        if (m == model) return true;
    return false;
}

bool PtpEos_SupportsMovieRecording() { return PtpIsOperationSupported(kEosOpMovieSelectOn); }

bool PtpEos_IsMirrorUp() { return value_is(kEosPropMirrorLockupState, kMirrorLockedUp); }

bool PtpEos_IsManualMode(uint32_t mode) { return mode == kManualMode; }

bool PtpEos_IsAutoIso() { return value_is(kEosPropIso, kAutoIso); }

const char* PtpEos_LensName() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropLensName, 1);
    if (!record) return nullptr;
    size_t n = strnlen(record->currentLabel, sizeof record->currentLabel);
    if (n == sizeof t_lensName) n = sizeof t_lensName - 1;
    std::memcpy(t_lensName, record->currentLabel, n);
    t_lensName[n] = '\0';
    PtpUnlockProperty(record);
    return t_lensName;
}

uint32_t PtpEos_BatteryPercent(uint32_t value) {
    // The battery property gives a level code, not a percentage.
    switch (value) {
    case 1: return 50;
    case 2: return 100;
    case 4: return 75;
    case 5: return 25;
    default: return 0;
    }
}

float PtpEos_FNumber(uint32_t, const char* label) {
    // Canon aperture codes are steps, not f-numbers: the label says "f5.6".
    float number = 0;
    return std::sscanf(label, "f%f", &number) == 1 ? number : 0.0f;
}

// Exposure modes of 0xD105: 1 Tv, 2 Av, 3 M, 4 Bulb.
bool PtpEos_IsApertureSettable(uint32_t mode) { return mode == 2 || mode == 3 || mode == 4; }
bool PtpEos_IsShutterSettable(uint32_t mode) { return mode == 1 || mode == 3; }
bool PtpEos_IsCompensationSettable(uint32_t mode) { return mode == 1 || mode == 2 || mode == 3; }
