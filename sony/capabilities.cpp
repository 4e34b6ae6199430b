// What a Sony body can do and what its current settings mean: the Sony
// entries of the driver's capability, exposure and image-format areas. They
// read the session's model number and the property store; only
// TurnOffBracketing talks to the camera.
#include <cmath>
#include <cstdint>

#include "generic/property_store.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"
#include "sony/sony_models.h"

namespace {

constexpr uint32_t kAutoIso = 0xFFFFFF; // 0xD21E
constexpr uint32_t kRaw = 16;           // the image-format property, either one
constexpr uint32_t kSingleShot = 1;     // drive mode
// Drive modes in which one press takes one picture.
constexpr uint32_t kSingleShotModes[] = {kSingleShot, 0x8012};

bool value_is(uint32_t code, uint32_t expected) {
    uint32_t value = 0;
    return PtpReadCurrentValue(code, &value) && value == expected;
}

} // namespace

// Every body takes the half press.
bool PtpSony_SupportsHalfPress() { return true; }

bool PtpSony_IsAutoIso() { return value_is(kSonyPropIso, kAutoIso); }

bool PtpSony_IsImageFormatRaw() { return value_is(PtpGetImageFormatPropertyCode(), kRaw); }

bool PtpSony_IsImageFormatRawPlusJpg() {
    uint32_t role = PtpGetImageFormatPropertyCode();
    uint32_t value = 0;
    if (!PtpReadCurrentValue(role, &value)) return false;
    uint32_t low = value & 0xFF;
    // The newer format property names RAW+JPEG 2; the older quality list 18-20.
    if (role == kSonyPropImageFormat) return low == 2;
    return low == 18 || low == 19 || low == 20;
}

bool PtpSony_IsRawOnlyImageFormat(uint32_t value) { return value == kRaw; }

// The translucent-mirror body streams no live view and records no movie
// through the link.
bool PtpSony_SupportsLiveView() { return PtpGenericInterface_CameraModel() != kSonyModelA99V; }

bool PtpSony_Has200ZoomLevel() { return PtpSony_CameraIn(kSony200ZoomModels); }

// Focus stacks need the lens drive in small steps.
bool PtpSony_IsFocusStackSupported() { return PtpSony_HasIncrementalFocus(); }
bool PtpSony_IsIncrementalFocusSupported() { return PtpSony_HasIncrementalFocus(); }

bool PtpSony_CouldDoubleShoot() {
    uint32_t mode = 0;
    if (!PtpReadCurrentValue(kSonyPropDriveMode, &mode)) return false;
    for (uint32_t single : kSingleShotModes)
        if (mode == single) return false;
    return true;
}

bool PtpSony_IsCompensationEnabled() {
    uint32_t value = 0;
    return PtpReadCurrentValue(kSonyPropExposureCompensation, &value) && value != 0;
}

PtpResult PtpSony_TurnOffBracketing() {
    return PtpGenericInterface_SetPropertyValue(kSonyPropDriveMode, kSingleShot, 1);
}

// Thousandths of a stop, truncated toward 0; the camera reads the low 16 bits
// as a signed number. Stops beyond any camera's range are held to it.
uint32_t PtpSony_CompensationValueForStop(float stop) {
    if (std::isnan(stop)) return 0;
    float milli = std::fmax(-32768.0f, std::fmin(32767.0f, stop * 1000.0f));
    return static_cast<uint32_t>(static_cast<int32_t>(milli));
}
