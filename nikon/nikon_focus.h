// The Nikon driver's focus entries, and the lens-drive amounts of operation
// 0x9204 (direction, amount) for DriveLens and stacking, which the Nikon lens
// drive will send.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// 0x9204's amount is a u32 operation parameter: amounts are computed in 64
// bits and clamped to kNikonLensMaxAmount.
constexpr uint32_t kNikonLensMaxAmount = 0xFFFFFFFF;
struct PtpNikonLensDrive {
    uint32_t direction;
    uint32_t amount;
};
// DriveLens: a = 32 x steps^2, x 2.5 (truncated) for a long-throw lens (0xD0E2
// at 0); the amount is 32 x a^2; direction 2 for negative steps, 1 otherwise.
PtpNikonLensDrive PtpNikon_DriveLensAmount(int32_t steps, bool longThrow);
// Stacking: amount 32 x step^2; direction 2 for step >= 0, 1 for negative.
PtpNikonLensDrive PtpNikon_StackDriveAmount(int32_t step);

// Stopping autofocus needs no traffic: PtpResult_Ok.
PtpResult PtpNikon_StopFocus();
// Every body takes a touched focus point and lens steps.
bool PtpNikon_CanTouchFocus();
bool PtpNikon_IsIncrementalFocusSupported();
// Manual and aperture priority, and the user modes saved with either.
bool PtpNikon_StackAllowsExposureMode(uint32_t mode);
// Lens steps of focus step sizes 1, 2, 3: 15, 75, 375; 2.5 times as many
// (at most 65535) for a long-throw lens, other sizes included.
uint16_t PtpNikon_FocusStepsForSize(uint16_t stepSize);
