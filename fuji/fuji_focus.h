// The Fujifilm driver's focus entries, and the lens-step conversions that the
// Fujifilm lens drive and stacking loop will use.
#pragma once

#include <cstdint>

#include "ptp_result.h"

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

// --- Autofocus, focus mode and lens drive (fuji/focus.cpp) ------------------------------------
// Autofocus. The one-touch bodies (19, 22, 24, 25, 33-37) focus with a half
// press and are left in manual focus at the distance found; the others switch
// from manual to single AF, saving the mode for StopFocus.
PtpResult PtpFuji_Focus();
// Puts back the focus mode Focus saved (best effort; always OK on a body with
// Focus Mode). PtpResult_BadReply without Focus Mode.
PtpResult PtpFuji_StopFocus();
// Focus mode 0 (automatic: single AF) or 1 (manual), verified; other modes
// PtpResult_OperationNotSupported.
PtpResult PtpFuji_SetFocusMode(uint32_t mode);
// 1 when Focus Mode is manual, else 0; always answers.
bool PtpFuji_CameraFocusMode(uint32_t* mode);
bool PtpFuji_IsFocusAuto();
// Focus Mode's access flag.
bool PtpFuji_SupportsFocusChange();
// Moves Focus Position by steps from where the lens reports it.
PtpResult PtpFuji_DriveLens(int16_t steps);
// The driver table's lens drive: steps converted by PtpFuji_DriveSteps.
PtpResult PtpFuji_DriveLensSteps(int32_t steps);
// A packaged pull: one drive of step x count, held to the 16-bit range.
PtpResult PtpFuji_PackagedLensMove(int32_t step, uint16_t count);
