// The Fujifilm driver's focus entries, and the lens-step conversions that the
// Fujifilm lens drive and stacking loop will use.
#pragma once

#include <cstdint>

// Lens drive for DriveLens: 1, 2, 3 (either sign) become 6, 50, 140; the
// result is a 16-bit value, so larger steps are clamped to its range.
int16_t PtpFuji_DriveSteps(int32_t steps);
// Stacking step: -step, saturated.
int32_t PtpFuji_StackStep(int32_t step);

// Every body takes a touched focus point.
bool PtpFuji_CanTouchFocus();
// Lens steps on every body but model 16.
bool PtpFuji_IsIncrementalFocusSupported();
// Lens steps of focus step sizes 1, 2, 3: 6, 50, 140. The GFX bodies move in
// finer steps (20, 125, 500) once the model table tells them apart.
uint16_t PtpFuji_FocusStepsForSize(uint16_t stepSize);
