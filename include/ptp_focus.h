/** \file
 * Focus: autofocus, driving the lens by signed steps, the library's manual /
 * automatic focus flag, and focus stacking (a series of shots with the lens
 * driven by a fixed step between them).
 *
 * Each call is passed to the driver of the connected camera's vendor. Calls run
 * on the calling thread and block for the camera's answers; camera traffic is
 * serialised by the transaction lock. PtpGenericInterface_CancelFocusStack may
 * be called from any thread while a stack runs. */
#ifndef PTP_FOCUS_H
#define PTP_FOCUS_H

#include <stdbool.h>
#include <stdint.h>

#include "ptp_result.h"

/** Called on the stacking thread with the 1-based number of the shot just
 * taken, with no library lock held. */
typedef void (*PtpFocusStackCallback)(uint32_t shot);

/** Runs the camera's autofocus. On Canon and Nikon a successful autofocus
 * records that focus is now held (focus mode 1, with a change event).
 * Returns the driver's result; PtpResult_NotSupportedForCamera without a
 * vendor. */
PTP_API PtpResult PtpGenericInterface_Focus(void);

/** Stops a running autofocus. PtpResult_Ok on Nikon without camera traffic;
 * PtpResult_NotSupportedForCamera without a vendor. */
PTP_API PtpResult PtpGenericInterface_StopFocus(void);

/** Drives the lens by steps; positive and negative steps drive in opposite
 * directions. On Canon a successful move records that focus is held and
 * switches movie servo autofocus off. Returns the camera's or driver's result;
 * PtpResult_NotSupportedForCamera without a vendor. */
PTP_API PtpResult PtpGenericInterface_DriveLens(int32_t steps);

/** Records the library's focus mode: 1 when focus is manual or held by the
 * library, 0 for automatic (other values are stored as given). On Nikon, Sony
 * and Fujifilm modes 0 and 1 are first written to the camera; Canon sends
 * nothing. With notify non-zero a DevicePropChanged event (0x4006) for the
 * focus-mode property is queued for the host. Returns PtpResult_Ok or the
 * driver's failure (the mode is then left unchanged). */
PTP_API PtpResult PtpGenericInterface_SetFocusMode(uint32_t mode, uint8_t notify);

/** The library's focus mode (see SetFocusMode); the camera's own on Sony and
 * Fujifilm. No camera traffic. */
PTP_API uint32_t PtpGenericInterface_FocusMode(void);

/** True when the camera focuses automatically. No camera traffic. */
PTP_API bool PtpGenericInterface_IsFocusAuto(void);

/** True when the camera takes a focus point touched on the live view. No
 * camera traffic. */
PTP_API bool PtpGenericInterface_CanTouchFocus(void);

/** True when the lens can be driven from the host (autofocus lens, remote
 * release). No camera traffic. */
PTP_API bool PtpGenericInterface_SupportsFocusChange(void);

/** True when the lens can be driven in steps. No camera traffic. */
PTP_API bool PtpGenericInterface_IsIncrementalFocusSupported(void);

/** True when the camera can run a focus stack. No camera traffic. */
PTP_API bool PtpGenericInterface_IsFocusStackSupported(void);

/** True when the camera's exposure mode lets a focus stack keep one exposure.
 * No camera traffic. */
PTP_API bool PtpGenericInterface_IsExposureModeCompatibleWithFocusStacking(void);

/** DoFocusStackWithCallback (shots, step, 0, null). */
PTP_API PtpResult PtpGenericInterface_DoFocusStack(uint32_t shots, int32_t step);

/** Turns bracketing off, then takes shots pictures with the lens driven by step
 * between them (the lens is never driven after the last shot), waiting delayMs
 * more before each move. callback, when given, is called after each shot with
 * its 1-based number. Blocks for the whole series. Returns PtpResult_Ok, the
 * first failing shot's or lens move's result, PtpResult_Aborted when
 * CancelFocusStack stopped it between shots, PtpResult_Busy when another stack
 * is running, or 0xFFFF when the vendor has no stacking. */
PTP_API PtpResult PtpGenericInterface_DoFocusStackWithCallback(uint32_t shots, int32_t step,
                                                               uint32_t delayMs,
                                                               PtpFocusStackCallback callback);

/** Asks a running focus stack to stop at its next check between shots (a wait
 * in progress ends at once). Safe to call from any thread; does not block on
 * camera traffic. */
PTP_API void PtpGenericInterface_CancelFocusStack(void);

#endif
