// The Canon EOS driver's focus entries: autofocus that holds the found focus,
// lens moves (0x9155) with their step conversions, the focus queries, the
// stacking loop, and the lens move the Tetherhub repeats.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_result.h"

// 0x9155 parameters: the low 15 bits count steps, bit 15 gives the direction;
// steps beyond 0x7FFF are driven as 0x7FFF.
// DriveLens: steps >= 0 as they are, negative steps as 0x8000 + |steps|.
uint32_t PtpEos_DriveParameter(int32_t steps);
// Stacking: 0x8000 + step for step >= 1, -step for step <= 0.
uint32_t PtpEos_StackParameter(int32_t step);

// Autofocus; on OK focus is recorded as held (focus mode 1, change event).
PtpResult PtpEos_FocusAndHold();
// One lens move of steps; on OK focus is recorded as held with a change
// event, and movie servo AF (0xD179) switched off when the store has it.
// Returns the 0x9155 result.
PtpResult PtpEos_DriveLens(int32_t steps);

// Autofocus is on: the focus-mode role is not MF, and a body without touch
// focus is not in live view.
bool PtpEos_IsFocusAuto();
// Autofocus is on and the camera has remote release (0x9128).
bool PtpEos_SupportsFocusChange();
bool PtpEos_IsIncrementalFocusSupported();
bool PtpEos_IsFocusStackSupported();
// The aperture stays where the host set it: its record is not read-only.
bool PtpEos_StackAllowsExposureMode(uint32_t mode);

// The stacking loop: shots pictures, the lens moved by step between them,
// with the focus-stack pauses (delayMs more before each move). Returns
// PtpResult_Ok, the first failing shot's or lens move's result, or
// PtpResult_Aborted after a cancel.
PtpResult PtpEos_FocusStack(uint32_t shots, int32_t step, uint32_t delayMs,
                            PtpFocusStackCallback callback);

// The containers of one lens move of step for the Tetherhub to repeat.
// PtpResult_InvalidArgument for a step beyond 32767 either way (it would turn
// into the other direction), PtpResult_InvalidData when they do not fit size.
PtpResult PtpEos_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length);

// Lens steps of focus step sizes 1, 2, 3: 1, 10, 25.
uint16_t PtpEos_FocusStepsForSize(uint16_t stepSize);
