/** \file
 * The Fujifilm driver's own functions, which a host may call directly on a
 * Fujifilm camera (vendor 12). Calls run on the calling thread and block for
 * the camera's answers. */
#ifndef PTP_FUJI_H
#define PTP_FUJI_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_properties.h"
#include "ptp_result.h"

/* --- Session and properties ----------------------------------------------------- */

/** The lens's focal length in millimetres (truncated), read from property
 * 0xD38E, whose text holds two numbers, the second the focal length in
 * hundredths. PtpResult_InvalidArgument for a null output; the read's failure;
 * PtpResult_BadReply when the text is not two numbers. */
PTP_API PtpResult PtpFujiInterface_GetLensFocalLength(uint16_t* focalLength);

/* --- Live view ------------------------------------------------------------------ */

/** The live-view stop the driver calls to switch live view off, with the
 * argument 0xFF01; it returns the camera's answer. */
typedef PtpResult (*PtpFujiStopLiveViewFn)(uint32_t argument);

/** Installs the live-view stop (null: switching live view off fails with
 * PtpResult_Failed). The session start installs the Tetherhub's stop request;
 * a delegate set later replaces it until the next session start. Any thread. */
PTP_API void PtpFujiInterface_SetStopLiveViewDelegate(PtpFujiStopLiveViewFn stop);

/** The focus location the Tetherhub last reported (properties 0xEEE0-0xEEE3),
 * as fractions of the frame. PtpResult_InvalidArgument for a null output;
 * PtpResult_Failed when one of the four is not stored (the others are still
 * written). Reads the store only; any thread. */
PTP_API PtpResult PtpFujiInterface_GetLiveViewPosition(float* x, float* y, float* width,
                                                       float* height);

/* --- Capture and focus ---------------------------------------------------------- */

/** Whether the camera reports autofocus achieved: AF Status (0xD209) is stored
 * and 2. Reads the store only; any thread. */
PTP_API bool PtpFujiInterface_HasFocus(void);

/** Moves the lens to a focus position: writes Focus Position (0xD171) without
 * waiting for the camera to report it. The write's result. */
PTP_API PtpResult PtpFujiInterface_SetFocalDistance(int16_t position);

/* --- Image formats -------------------------------------------------------------- */

/** The current image format as one code: JPEG quality (2 FINE, 3 NORMAL,
 * 6 SUPER FINE) in bits 0-7, the image-size index in bits 8-15, 1 in bits
 * 16-23 when RAW is recorded, the RAW compression (2: compressed) in bits
 * 24-31; absent halves are 0. PtpResult_InvalidArgument for a null output or
 * when the store lacks Image Quality (0xD018) or Image Size (0x5003). */
PTP_API PtpResult PtpFujiInterface_GetCurrentImageFormat(uint32_t* format);

/** The label of a Fujifilm image-format code, such as "C-RAW + L JPG (FINE)";
 * "--" for 0xFFFFFFFF. A size index the library does not know leaves out the
 * size letter. The text lives in one static buffer that the next call
 * rewrites. */
PTP_API const char* PtpFujiInterface_StringForImageFormat(uint32_t format);

#endif /* PTP_FUJI_H */
