// Sony focus: the lens-step conversions, the focus drive command, the focus
// queries and the focus step sizes.
#include <cstdint>

#include "comms/bytes.h"
#include "generic/focus.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_properties.h"
#include "sony/sony_codes.h"
#include "sony/sony_focus.h"

namespace {

constexpr uint8_t kTouchFocusModel = 176;
// Sony's own exposure-mode code that a stack also accepts.
constexpr uint32_t kStackableMode = 0x20003;
// The drive parameter: the low 15 bits count steps, bit 15 drives towards near.
constexpr uint32_t kLensTowardsNear = 0x8000;
constexpr int32_t kLensMaxSteps = 0x7FFF;

const uint16_t kFocusSteps[3] = {2, 5, 7};

// -v, saturated to the int32 range (-INT32_MIN is INT32_MAX).
int32_t negate(int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

// The widening of the smallest steps: 1, 2, 3 -> 3, 4, third (either sign).
int32_t widen(int32_t v, int32_t third) {
    switch (v) {
    case 1: return 3;
    case -1: return -3;
    case 2: return 4;
    case -2: return -4;
    case 3: return third;
    case -3: return -third;
    default: return v;
    }
}

} // namespace

int32_t PtpSony_DriveSteps(int32_t steps) { return widen(negate(steps), 6); }

int32_t PtpSony_StackStep(int32_t step) { return widen(step, 5); }

uint16_t PtpSony_FocusDriveValue(int32_t step, uint16_t count) {
    // Computed wide and held to the 16-bit range, so a long pull drives as far
    // as it can in its own direction instead of wrapping round to the other.
    int64_t value = -(int64_t(step) * int64_t(count));
    if (value > INT16_MAX) value = INT16_MAX;
    if (value < INT16_MIN) value = INT16_MIN;
    return uint16_t(int16_t(value));
}

PtpResult PtpSony_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length) {
    *length = 0;
    if (step > kLensMaxSteps || step < -kLensMaxSteps) return PtpResult_InvalidArgument;
    uint8_t value[4];
    put_u32(value, step < 0 ? kLensTowardsNear + uint32_t(-step) : uint32_t(step));
    *length = PtpTransaction_BuildCommand(kSonyOpControlDevice, &kSonyPropFocusDrive, 1, value,
                                          sizeof value, buf, size);
    return *length ? PtpResult_Ok : PtpResult_InvalidData;
}

bool PtpSony_CanTouchFocus() {
    return PtpGenericInterface_CameraModel() == kTouchFocusModel ||
           PtpGenericInterface_GetProperty(kSonyPropTouchFocus, 0) != nullptr;
}

bool PtpSony_StackAllowsExposureMode(uint32_t mode) {
    return PtpFocus_IsStandardStackMode(mode) || mode == kStackableMode;
}

uint16_t PtpSony_FocusStepsForSize(uint16_t stepSize) {
    return PtpFocus_StepsFromTable(kFocusSteps, stepSize);
}
