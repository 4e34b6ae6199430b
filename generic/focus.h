// Focus internals the drivers' focus entries share: the focus-stack cancel
// flag with its interruptible waits and pauses, which every vendor's stacking
// loop uses, and the exposure programs of the PTP standard a stack accepts.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_result.h"

// Exposure programs of the PTP standard a stack keeps one exposure in: 1
// manual, 3 aperture priority.
bool PtpFocus_IsStandardStackMode(uint32_t mode);

// --- Cancel flag and waits ------------------------------------------------------------
// The focus-stack lock guards the cancel flag, the running flag and the
// pauses; it is never held across camera traffic or a host callback.

void PtpFocusStack_ClearCancel();
void PtpFocusStack_Cancel(); // sets the flag and ends any wait in progress
bool PtpFocusStack_IsCancelled();

// Waits ms milliseconds, or less when the stack is cancelled meanwhile.
// Returns whether the stack is cancelled.
bool PtpFocusStack_Wait(uint64_t ms);

// A stacking loop's pauses: after a shot (before the lens move) and after the
// lens move. Tests shorten them; the defaults are restored by passing these.
constexpr uint32_t kFocusStackShotPauseMs = 1500;
constexpr uint32_t kFocusStackMovePauseMs = 2000;
void PtpFocusStack_SetPauses(uint32_t afterShotMs, uint32_t afterMoveMs);
void PtpFocusStack_Pauses(uint32_t* afterShotMs, uint32_t* afterMoveMs);

// Lens steps of focus step size 1 to 3 from a vendor's table; other sizes as
// they are.
uint16_t PtpFocus_StepsFromTable(const uint16_t (&steps)[3], uint16_t stepSize);
