// The Sony driver's focus entries, and the lens-step conversions and focus
// drive command that the Sony lens drive and stacking loop use.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_result.h"

// The library's focus flags. Session start resets them (toggled clear, the
// other two unset); the toggled flag says the library itself has switched the
// camera to manual focus with the focus toggle, so it can switch back.
void PtpSony_ResetFocusFlags();
bool PtpSony_FocusToggled();
void PtpSony_SetFocusToggled(bool toggled);

// Autofocus: the half press; in manual focus the focus toggle held (bodies
// with incremental focus, else PtpResult_NotSupportedForCamera). StopFocus
// undoes what Focus did.
PtpResult PtpSony_Focus();
PtpResult PtpSony_StopFocus();
// Switches focus mode (0 auto, 1 manual) with the focus toggle. Nothing to do
// gives PtpResult_Ok; PtpResult_OperationNotSupported without incremental
// focus, and for a switch the library cannot undo (the camera in manual focus
// of its own, or the ILCE-9 before a toggle).
PtpResult PtpSony_SetFocusMode(uint32_t mode);
// 1 when 0x500A is 1 (manual), else 0; false when the store has no 0x500A.
bool PtpSony_CameraFocusMode(uint32_t* mode);
bool PtpSony_SupportsFocusChange();
// One lens drive of steps (PtpSony_DriveSteps) as a 16-bit 0xD2D1 value.
PtpResult PtpSony_DriveLens(int32_t steps);
// The stacking loop: shots each taken and waited for, the lens driven by
// PtpSony_StackStep(step) between them. Manual focus is required
// (PtpResult_Failed before any shot); a cancel gives PtpResult_Aborted.
PtpResult PtpSony_FocusStack(uint32_t shots, int32_t step, uint32_t delayMs,
                             PtpFocusStackCallback callback);

// Lens drive for DriveLens: -steps, with 1, 2, 3 (either sign) widened to 3,
// 4, 6; saturated, so a huge step never reverses.
int32_t PtpSony_DriveSteps(int32_t steps);
// Stacking step: step, with 1, 2, 3 (either sign) widened to 3, 4, 5.
int32_t PtpSony_StackStep(int32_t step);
// The focus drive value of step x count moves: -(step x count), held to the
// 16-bit range before it is cut to 16 bits.
uint16_t PtpSony_FocusDriveValue(int32_t step, uint16_t count);
// A packaged pull: one drive of PtpSony_FocusDriveValue(step, count).
PtpResult PtpSony_PackagedLensMove(int32_t step, uint16_t count);
// The containers of one focus drive of step (0x9207 on 0xD2D1, the drive
// value -step as 4 signed data bytes). PtpResult_InvalidArgument for a
// step beyond 32767 either way, PtpResult_InvalidData when they do not fit.
PtpResult PtpSony_RepeatedLensMove(int32_t step, uint8_t* buf, uint32_t size, uint32_t* length);

// Touch focus: the body of model 176, or a body with 0xD22C.
bool PtpSony_CanTouchFocus();
// Manual, aperture priority and Sony's own 0x20003.
bool PtpSony_StackAllowsExposureMode(uint32_t mode);
// Lens steps of focus step sizes 1, 2, 3: 2, 5, 7.
uint16_t PtpSony_FocusStepsForSize(uint16_t stepSize);
