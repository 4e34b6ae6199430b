// The Sony driver's focus entries, and the lens-step conversions and focus
// drive command that the Sony lens drive and stacking loop will use.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Lens drive for DriveLens: -steps, with 1, 2, 3 (either sign) widened to 3,
// 4, 6; saturated, so a huge step never reverses.
int32_t PtpSony_DriveSteps(int32_t steps);
// Stacking step: step, with 1, 2, 3 (either sign) widened to 3, 4, 5.
int32_t PtpSony_StackStep(int32_t step);
// The focus drive value of step x count moves: -(step x count), held to the
// 16-bit range before it is cut to 16 bits.
uint16_t PtpSony_FocusDriveValue(int32_t step, uint16_t count);
// The containers of one focus drive of step (0x9207 on 0xD2D1, the step's
// 0x9155-style parameter as 4 data bytes). PtpResult_InvalidArgument for a
// step beyond 32767 either way, PtpResult_InvalidData when they do not fit.
PtpResult PtpSony_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length);

// Touch focus: the body of model 176, or a body with 0xD22C.
bool PtpSony_CanTouchFocus();
// Manual, aperture priority and Sony's own 0x20003.
bool PtpSony_StackAllowsExposureMode(uint32_t mode);
// Lens steps of focus step sizes 1, 2, 3: 2, 5, 7.
uint16_t PtpSony_FocusStepsForSize(uint16_t stepSize);
