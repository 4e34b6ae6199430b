// Canon exposure limits and availability from the property store: whether
// bracketing and compensation may be used in the current exposure mode, and the
// largest bracketing step and compensation range the camera offers.
#include <cstring>

#include "eos/eos_exposure.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "generic/property_store.h"
#include "generic/session.h"

namespace {

// Exposure-mode values.
constexpr uint32_t kModeProgram = 0;  // P
constexpr uint32_t kModeTv = 1;       // shutter priority
constexpr uint32_t kModeAv = 2;       // aperture priority
constexpr uint32_t kModeManual = 3;   // M
constexpr uint32_t kModeAdep = 7;     // A-DEP
constexpr uint32_t kModeCustom1 = 16; // C1
constexpr uint32_t kModeCustom2 = 17; // C2
constexpr uint32_t kModeMovie = 20;

// Compensation labels that count for the range: whole stops such as "+3" or "-5".
constexpr size_t kWholeStopLabelMax = 3;

// The exposure mode through the property the Canon session chose (0xD138 or 0xD105).
bool current_exposure_mode(uint32_t* mode) {
    return PtpReadCurrentValue(PtpEos_ExposureModePropertyCode(), mode);
}

// Walks 0xD104's allowed values; see PtpEos_CompensationLimit.
void compensation_range(float* minimum, float* maximum) {
    *minimum = 0;
    *maximum = 0;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropExposureCompensation, 1);
    if (!record) return;
    char highestPlus = '0';
    char highestMinus = '0';
    for (uint16_t i = 0; record->values && i < record->valueCount; ++i) {
        const PtpValueLabel& row = record->values[i];
        size_t length = strnlen(row.label, sizeof row.label);
        if (row.value == 0 || length < 1 || length > kWholeStopLabelMax) continue;
        if (row.label[0] == '+' && row.label[1] > highestPlus) {
            highestPlus = row.label[1];
            *maximum = PtpEos_StopsForExposureCode(row.value);
        } else if (row.label[0] == '-' && row.label[1] > highestMinus) {
            highestMinus = row.label[1];
            *minimum = PtpEos_StopsForExposureCode(row.value);
        }
    }
    PtpUnlockProperty(record);
}

} // namespace

bool PtpEos_IsExposureBracketingEnabled() {
    uint32_t mode = 0;
    if (!current_exposure_mode(&mode)) return false;
    switch (mode) {
    case kModeProgram:
    case kModeTv:
    case kModeAv:
    case kModeManual:
    case kModeAdep:
    case kModeCustom1:
    case kModeCustom2: break;
    default: return false;
    }
    return PtpIsPropertyListed(uint16_t(kEosPropExposureBracketing));
}

bool PtpEos_IsExposureCompensationEnabled() {
    uint32_t mode = 0;
    if (!current_exposure_mode(&mode)) return false;
    if (mode == kModeProgram || mode == kModeTv || mode == kModeAv) return true;
    if (mode != kModeMovie) return false;
    uint32_t gate = 0;
    return PtpReadCurrentValue(kEosPropMovieCompensationGate, &gate) && gate == 0;
}

uint32_t PtpEos_GetExposureBracketingStops(float step, float* out, uint8_t) {
    out[0] = step;
    out[1] = -step;
    return 2;
}

float PtpEos_MaxExposureBracketStop() {
    float cached = PtpSession_MaxBracketStop();
    if (cached != kMaxBracketStopUnknown) return cached;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropExposureBracketing, 1);
    if (!record) return 0;
    uint32_t largest = 0;
    bool listed = record->values && record->valueCount > 0;
    for (uint16_t i = 0; listed && i < record->valueCount; ++i)
        if (record->values[i].value > largest) largest = record->values[i].value;
    PtpUnlockProperty(record);
    // An empty list (bracketing not offered in the current mode) is not cached,
    // so the steps count once the camera reports them.
    if (!listed) return 0;
    float stops = float(largest) * 0.125f;
    PtpSession_SetMaxBracketStop(stops);
    return stops;
}

float PtpEos_CompensationLimit(bool largest, uint8_t) {
    float minimum, maximum;
    compensation_range(&minimum, &maximum);
    return largest ? maximum : minimum;
}
