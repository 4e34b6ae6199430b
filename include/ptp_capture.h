/** \file
 * Capture: shots, half press, movie mode and recording, and the double shot
 * that a continuous drive mode causes on remote release.
 *
 * Each call is passed to the driver of the connected camera's vendor. A call
 * the vendor has no implementation for returns PtpResult_NotSupportedForCamera
 * (or false) unless its comment says otherwise. Calls run on the calling thread
 * and block for the camera's answers; camera traffic is serialised by the
 * transaction lock, and shutter presses by the capture lock. */
#ifndef PTP_CAPTURE_H
#define PTP_CAPTURE_H

#include <stdbool.h>
#include <stdint.h>

#include "ptp_result.h"

/** Presses the shutter. On a Canon camera with remote release the shutter stays
 * pressed (and the event-check loop paused) until InitiateShutterRelease.
 * Without a vendor the standard InitiateCapture is sent. Returns the camera's
 * or driver's result; 0xA002 when a Canon camera refuses the press. */
PTP_API PtpResult PtpGenericInterface_InitiateImageCapture(void);

/** Releases a shutter pressed with InitiateImageCapture. PtpResult_Ok without
 * camera traffic on Nikon cameras and without a vendor. */
PTP_API PtpResult PtpGenericInterface_InitiateShutterRelease(void);

/** Takes one picture and waits until the camera has finished with it. On a
 * Canon camera with mirror lock-up on, the shutter is released a second time
 * 500 ms after the first (the first release only raised the mirror). Returns
 * PtpResult_Ok, the first shot's failure, or PtpResult_CaptureFailed for any
 * failure after it. */
PTP_API PtpResult PtpGenericInterface_TakeAndWaitForShotToComplete(void);

/** Takes a picture for checking exposure. Canon cameras take it without
 * autofocus and release the shutter at once; others take a normal shot. */
PTP_API PtpResult PtpGenericInterface_TakeTestShot(void);

/** @{ */
/** Presses the shutter button half-way (metering and autofocus) and releases
 * it again. PtpResult_OperationNotSupported on Nikon cameras and without a
 * vendor. */
PTP_API PtpResult PtpGenericInterface_StartHalfPress(void);
PTP_API PtpResult PtpGenericInterface_ReleaseHalfPress(void);
/** @} */

/** @{ */
/** Enters and leaves movie mode, and starts and stops recording. */
PTP_API PtpResult PtpGenericInterface_StartMovieMode(void);
PTP_API PtpResult PtpGenericInterface_StopMovieMode(void);
PTP_API PtpResult PtpGenericInterface_StartRecordMovie(void);
PTP_API PtpResult PtpGenericInterface_StopRecordMovie(void);
/** @} */

/** True when a remote release would take more than one picture: the drive mode
 * is continuous and (Canon) the camera releases through remote release with
 * focus held, or (Nikon) the burst count is above 1. No camera traffic. */
PTP_API bool PtpGenericInterface_CouldDoubleShoot(void);

/** Prevents the double shot by writing a single-shot drive mode (Canon), a
 * burst count of 1 (Nikon) or a single drive mode (Sony), with verification.
 * Returns the write's result. */
PTP_API PtpResult PtpGenericInterface_MitigateDoubleShoot(void);

/** True when the host should offer a burst-count picker for this drive-mode
 * value of property code (Nikon continuous modes only). No camera traffic. */
PTP_API bool PtpGenericInterface_ShouldPresentBurstPicker(uint32_t code, uint32_t value);

/** True when value of the drive-mode property is a continuous mode. No camera
 * traffic. */
PTP_API bool PtpGenericInterface_IsDriveModeContinuous(uint32_t value);

#endif
