// The Nikon driver's capture, bulb and focus entries, and the lens-drive
// amounts of operation 0x9204 (direction, amount) for DriveLens and stacking.
// Every call runs on the calling thread and blocks for the camera's answers.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_properties.h"
#include "ptp_result.h"

// --- Capture and bulb (nikon/capture.cpp, nikon/bulb.cpp) ----------------------------

// One shot: 0x9207 (autofocus first unless focus is manual or the mirror is
// up), or 0x100E on bodies without it, then the wait until the camera is ready.
// 0xA207: the mirror is now locked up and the next capture takes the picture.
// A camera still busy when the exposure plus kNikonShotReadyMarginMs has passed
// gives Device Busy.
constexpr uint32_t kNikonShotReadyMarginMs = 5000;
PtpResult PtpNikon_InitiateCapture();
// Shoots until the mirror is no longer locked up, then waits for the camera to
// store the shot (0xD032 written back while it answers busy).
PtpResult PtpNikon_TakeShotAndWait();
// Sets the library's mirror-lockup record (0xD1BF) and announces it.
void PtpNikon_SetMirrorLockupState(bool on);
// The record announced by PtpNikon_SetMirrorLockupState (for the host and tests).
const PtpPropertyRecord* PtpNikon_MirrorLockupRecord();
PtpResult PtpNikon_StartBulb();
PtpResult PtpNikon_StopBulb();

// --- Focus (nikon/focus.cpp) ----------------------------------------------------------

// Writes the camera's focus properties for library mode 0 (auto) or 1
// (manual) and keeps the manual-focus flag.
PtpResult PtpNikon_SetFocusMode(uint32_t mode);
// Forgets the focus mode a manual write replaced (session start).
void PtpNikon_ResetFocusState();
// Autofocus (0x90C1); prepare switches a live view to the library's manual
// mode first. The drive's result (or that of the ready wait after it).
PtpResult PtpNikon_Focus(bool waitReady, bool prepare);
// The driver's autofocus entry: PtpNikon_Focus, then focus held by the library.
PtpResult PtpNikon_FocusAndHold();
// One manual lens drive (0x9204), with the focus-mode switches around it on
// the D5000 and D90. The drive's result, never that of the switch after it.
PtpResult PtpNikon_DriveLens(uint32_t direction, uint32_t amount);
// The driver's lens entry: steps converted with PtpNikon_DriveLensAmount.
PtpResult PtpNikon_DriveLensSteps(int32_t steps);
// A packaged pull: one drive of |step| x count towards the step's side
// (direction 2 for a negative step), then focus held by the library.
PtpResult PtpNikon_PackagedLensMove(int32_t step, uint16_t count);
// shots shots with the lens driven between them; live-view frames answer busy
// meanwhile. PtpResult_Aborted when cancelled.
PtpResult PtpNikon_FocusStack(int32_t shots, uint32_t direction, uint32_t amount, uint32_t delayMs,
                              PtpFocusStackCallback callback);
// The driver's stacking entry: step converted with PtpNikon_StackDriveAmount.
PtpResult PtpNikon_FocusStackSteps(uint32_t shots, int32_t step, uint32_t delayMs,
                                   PtpFocusStackCallback callback);
// The driver's focus queries.
bool PtpNikon_IsFocusAuto();
bool PtpNikon_SupportsFocusChange();

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
