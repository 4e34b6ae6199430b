// What a Fujifilm body can do and what its current settings mean: the Fujifilm
// entries of the driver's capability area that are not the standard answers.
// They read the property store; no camera traffic.
#include "fuji/fuji_codes.h"
#include "fuji/fuji_models.h"
#include "generic/property_store.h"

namespace {

constexpr uint32_t kAutoIsoBit = 0x80000000; // 0x500F: the value is an automatic-ISO limit

} // namespace

// Every body takes the half press.
bool PtpFuji_SupportsHalfPress() { return true; }

bool PtpFuji_IsAutoIso() {
    uint32_t value = 0;
    return PtpReadCurrentValue(kFujiPropIso, &value) && (value & kAutoIsoBit) != 0;
}

uint32_t PtpFuji_BatteryPercent(uint32_t value) {
    // The level code sits in the top or the low byte, depending on the body.
    uint32_t top = value >> 24;
    uint32_t low = value & 0xFF;
    switch (top > low ? top : low) {
    case 2:
    case 7: return 10;
    case 8: return 20;
    case 9: return 40;
    case 3: return 50;
    case 10: return 60;
    case 11: return 80;
    case 4:
    case 5:
    case 12:
    case 13:
    case 255: return 100;
    default: return 0;
    }
}
