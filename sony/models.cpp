// What a Sony body can do and what its current settings mean: the Sony entries
// of the driver's capability and image-format areas that are not the standard
// answers. They read the property store; no camera traffic.
#include "generic/property_store.h"
#include "ptp_generic.h"
#include "sony/sony_codes.h"
#include "sony/sony_driver.h"

namespace {

constexpr uint32_t kAutoIso = 0xFFFFFF; // 0xD21E
constexpr uint32_t kRaw = 16;           // the image-format property, either one

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
