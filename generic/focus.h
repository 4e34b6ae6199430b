// Focus internals: the lens-step conversions each vendor's lens drive and
// stacking loop receive, the Canon lens move, and the focus-stack cancel flag
// with its interruptible waits, which the Sony and Fujifilm stacking loops
// share with the Canon one.
#pragma once

#include <cstdint>

#include "ptp_focus.h"
#include "ptp_result.h"

// --- Step conversions (pure) ---------------------------------------------------------
// A host step is a signed number of lens steps. Each conversion saturates
// instead of wrapping, so a huge step never reverses the direction.

// Canon 0x9155 parameter: the low 15 bits count steps, bit 15 gives the
// direction. Steps beyond 0x7FFF are driven as 0x7FFF.
constexpr uint32_t kCanonLensReverse = 0x8000;
constexpr uint32_t kCanonLensMaxSteps = 0x7FFF;
// DriveLens: steps >= 0 as they are, negative steps as 0x8000 + |steps|.
uint32_t PtpFocus_CanonDriveParameter(int32_t steps);
// Stacking: 0x8000 + step for step >= 1, -step for step <= 0.
uint32_t PtpFocus_CanonStackParameter(int32_t step);

// Nikon 0x9204 (direction, amount). The amount is a u32 operation parameter:
// amounts are computed in 64 bits and clamped to kNikonLensMaxAmount.
constexpr uint32_t kNikonLensMaxAmount = 0xFFFFFFFF;
struct PtpNikonLensDrive {
    uint32_t direction;
    uint32_t amount;
};
// DriveLens: a = 32 x steps^2, x 2.5 (truncated) for a long-throw lens; the
// amount is 32 x a^2; direction 2 for negative steps, 1 otherwise.
PtpNikonLensDrive PtpFocus_NikonDriveLens(int32_t steps, bool longThrow);
// Stacking: amount 32 x step^2; direction 2 for step >= 0, 1 for negative.
PtpNikonLensDrive PtpFocus_NikonStackDrive(int32_t step);

// Sony lens drive for DriveLens: -steps, with 1, 2, 3 (either sign) widened
// to 3, 4, 6.
int32_t PtpFocus_SonyDriveSteps(int32_t steps);
// Sony stacking step: step, with 1, 2, 3 (either sign) widened to 3, 4, 5.
int32_t PtpFocus_SonyStackStep(int32_t step);

// Fujifilm lens drive for DriveLens: 1, 2, 3 (either sign) become 6, 50, 140;
// the result is a 16-bit value, so larger steps are clamped to its range.
int16_t PtpFocus_FujiDriveSteps(int32_t steps);
// Fujifilm stacking step: -step.
int32_t PtpFocus_FujiStackStep(int32_t step);

// --- Canon ---------------------------------------------------------------------------------

// One Canon lens move: 0x9155 with parameter, then (on OK) focus recorded as
// held with a change event, and movie servo AF (0xD179) switched off when the
// store has it. Returns the 0x9155 result.
PtpResult PtpFocus_CanonMoveLens(uint32_t parameter);

// The Canon stacking loop. Expects the stack to be marked running (see
// DoFocusStackWithCallback). Returns PtpResult_Ok, the first failing shot's
// or lens move's result, or PtpResult_Aborted after a cancel.
PtpResult PtpFocusStack_Canon(uint32_t shots, uint32_t lensParameter, uint32_t delayMs,
                              PtpFocusStackCallback callback);

// --- Cancel flag and waits ------------------------------------------------------------
// The focus-stack lock guards the cancel flag, the running flag and the
// pauses; it is never held across camera traffic or a host callback.

void PtpFocusStack_ClearCancel();
void PtpFocusStack_Cancel(); // sets the flag and ends any wait in progress
bool PtpFocusStack_IsCancelled();

// Waits ms milliseconds, or less when the stack is cancelled meanwhile.
// Returns whether the stack is cancelled.
bool PtpFocusStack_Wait(uint64_t ms);

// The Canon loop's pauses: after a shot (before the lens move) and after the
// lens move. Tests shorten them; the defaults are restored by passing these.
constexpr uint32_t kFocusStackShotPauseMs = 1500;
constexpr uint32_t kFocusStackMovePauseMs = 2000;
void PtpFocusStack_SetPauses(uint32_t afterShotMs, uint32_t afterMoveMs);
