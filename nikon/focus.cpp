// Nikon focus: the lens-drive amounts, the focus queries, the exposure modes a
// stack accepts and the focus step sizes.
#include <cstdint>

#include "generic/focus.h"
#include "generic/property_store.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_focus.h"

namespace {

// Amounts are 32 x r^2 (r the step, or a for DriveLens), which fits a u32
// only for r up to this: 32 x 11585^2 = 0xFFFD5D20.
constexpr uint64_t kMaxRoot = 11585;

// User modes and the exposure programs they may be saved with.
constexpr uint32_t kUserModeFirst = 0x8050;
constexpr uint32_t kUserModeLast = 0x8052;
constexpr uint32_t kUserModeAperture = 21;
constexpr uint32_t kUserModeManual = 22;

const uint16_t kFocusSteps[3] = {15, 75, 375};

uint64_t magnitude(int32_t v) { return v < 0 ? 0u - uint32_t(v) : uint32_t(v); }

// 0xD0E2 reads 0: the lens moves less per drive unit.
bool long_throw() {
    uint32_t scale = 1;
    return PtpReadCurrentValue(kNikonPropLensDriveScale, &scale) && scale == 0;
}

} // namespace

PtpNikonLensDrive PtpNikon_DriveLensAmount(int32_t steps, bool longThrow) {
    const uint64_t n = magnitude(steps);
    PtpNikonLensDrive drive;
    drive.direction = steps < 0 ? 2 : 1;
    drive.amount = kNikonLensMaxAmount;
    if (n > kMaxRoot) return drive; // a alone is past the root already
    uint64_t a = 32 * n * n;        // below 2^33
    if (longThrow) a = a * 5 / 2;   // trunc(a x 2.5), exact in integers
    if (a <= kMaxRoot) drive.amount = uint32_t(32 * a * a);
    return drive;
}

PtpNikonLensDrive PtpNikon_StackDriveAmount(int32_t step) {
    const uint64_t n = magnitude(step);
    PtpNikonLensDrive drive;
    drive.direction = step < 0 ? 1 : 2;
    drive.amount = n > kMaxRoot ? kNikonLensMaxAmount : uint32_t(32 * n * n);
    return drive;
}

PtpResult PtpNikon_StopFocus() { return PtpResult_Ok; }

bool PtpNikon_CanTouchFocus() { return true; }

bool PtpNikon_IsIncrementalFocusSupported() { return true; }

bool PtpNikon_StackAllowsExposureMode(uint32_t mode) {
    if (PtpFocus_IsStandardStackMode(mode)) return true;
    if (mode < kUserModeFirst || mode > kUserModeLast) return false;
    uint32_t user = 0;
    return PtpReadCurrentValue(kNikonPropUserMode, &user) &&
           (user == kUserModeAperture || user == kUserModeManual);
}

uint16_t PtpNikon_FocusStepsForSize(uint16_t stepSize) {
    uint32_t steps = PtpFocus_StepsFromTable(kFocusSteps, stepSize);
    if (!long_throw()) return uint16_t(steps);
    steps = steps * 5 / 2;
    return uint16_t(steps > UINT16_MAX ? UINT16_MAX : steps);
}
