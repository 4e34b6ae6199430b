// What a Nikon body can do and what its current settings mean: the Nikon
// entries of the driver's capability and image-format areas. They read the
// session's model number and the property store; no camera traffic.
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_models.h"

namespace {

// Exposure programs of 0x500E: 1 manual; 0x8050..0x8052 the user modes U1..U3,
// whose stored exposure mode 0xD0FC gives (22: manual).
constexpr uint32_t kManualProgram = 1;
constexpr uint32_t kUserModeFirst = 0x8050;
constexpr uint32_t kUserModeLast = 0x8052;
constexpr uint32_t kUserModeManual = 22;
// The scene modes are programs 5 and up.
constexpr uint32_t kFirstSceneProgram = 5;
// The automatic-ISO property is not the same on every body and is not named
// yet: until it is, no property answers and automatic ISO reads as off.
constexpr uint32_t kAutoIsoProperty = 0;

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
    uint32_t value = 0;
    return PtpReadCurrentValue(kAutoIsoProperty, &value) && value > 0;
}

const char* PtpNikon_LensName() { return ""; }

// Standard exposure programs: 1 manual, 3 aperture priority, 4 shutter priority.
bool PtpNikon_IsCompensationSettable(uint32_t mode) { return mode == 1 || mode == 3 || mode == 4; }

bool PtpNikon_IsImageFormatRaw() { return value_is(kNikonPropImageQuality, PtpNikon_RawQuality()); }

bool PtpNikon_IsRawOnlyImageFormat(uint32_t value) { return value == PtpNikon_RawQuality(); }
