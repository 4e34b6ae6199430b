// Fujifilm focus: the lens-step conversions, the focus queries and the focus
// step sizes.
#include <cstdint>

#include "fuji/fuji_focus.h"
#include "generic/focus.h"
#include "ptp_generic.h"

namespace {

constexpr uint8_t kNoIncrementalFocusModel = 16;

const uint16_t kFocusSteps[3] = {6, 50, 140};

uint32_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

} // namespace

int16_t PtpFuji_DriveSteps(int32_t steps) {
    int32_t v = steps;
    switch (magnitude(steps)) {
    case 1: v = 6; break;
    case 2: v = 50; break;
    case 3: v = 140; break;
    default: break;
    }
    if (steps < 0 && magnitude(steps) <= 3) v = -v;
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return int16_t(v);
}

int32_t PtpFuji_StackStep(int32_t step) { return step == INT32_MIN ? INT32_MAX : -step; }

bool PtpFuji_CanTouchFocus() { return true; }

bool PtpFuji_IsIncrementalFocusSupported() {
    return PtpGenericInterface_CameraModel() != kNoIncrementalFocusModel;
}

uint16_t PtpFuji_FocusStepsForSize(uint16_t stepSize) {
    return PtpFocus_StepsFromTable(kFocusSteps, stepSize);
}
