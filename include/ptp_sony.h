/** \file
 * The Sony driver's own functions, which a host may call directly on a Sony
 * camera (vendor 14). Calls run on the calling thread and block for the
 * camera's answers. Buffers the library hands out are malloc'd and belong to
 * the caller, who releases them with FreeMemory. */
#ifndef PTP_SONY_H
#define PTP_SONY_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_properties.h"
#include "ptp_result.h"

/* --- Session and properties ------------------------------------------------------ */

/** Whether the connected body has the normal property controls (the newer
 * models): every property is written with an absolute value and its allowed
 * values come from the camera. False on older bodies, which step ISO, shutter
 * speed and aperture toward a value through fixed lists, and before a Sony
 * session. Any thread. */
PTP_API bool PtpSonyInterface_SupportsNormalPropertyControls(void);

/* --- Capture and focus ------------------------------------------------------------- */

/** Whether the camera focuses by itself: its focus mode (0x500A) is not 1
 * (manual), and true when the camera has not reported one. Reads the property
 * store; any thread. */
PTP_API bool PtpSonyInterface_IsAutoFocus(void);

/** Whether the drive mode (0x5013) is a bracketing one: its value is 0x8001 or
 * more. False when the camera has not reported one. Any thread. */
PTP_API bool PtpSonyInterface_IsDriveModeBracketed(void);

/* --- Image formats ---------------------------------------------------------------- */

/** The label of a Sony image-format value (format code | JPEG compression << 8 |
 * JPEG size << 16), such as "RAW + L JPG (STD)"; "--" for 0xFFFFFFFF. The text
 * lives in a buffer of the calling thread, valid until its next call. */
PTP_API const char* PtpSonyInterface_StringForImageFormat(uint32_t value);

/* --- Live view and zoom -------------------------------------------------------------- */

/** One live-view frame as the camera delivers it (GetObject of the handle
 * 0xFFFFC002): the camera's header, then a JPEG. The camera's answer; on
 * failure *buffer is null and *length 0. Out: *buffer belongs to the caller,
 * who releases it with FreeMemory. Any thread. */
PTP_API PtpResult PtpSonyInterface_GetLiveViewImage(uint8_t** buffer, uint32_t* length);

/** Moves the JPEG of a frame (from its first FF D8 FF DB) to the start of
 * buffer and reduces *length by the header's size. False, with the buffer
 * untouched, when there is no JPEG. Pure. */
PTP_API bool PtpSonyInterface_ExtractLiveViewImage(uint8_t* buffer, uint32_t* length);

/** The offset of a frame's JPEG; 0 when there is none. Pure. */
PTP_API uint32_t PtpSonyInterface_LiveViewOffset(const uint8_t* buffer, uint32_t length);

/** The focus rectangle that newer bodies (normal property controls) put in the
 * frame header, as four camera values whose meaning is the camera's. False on
 * older bodies and for frames too short to hold it. Reads the session's
 * model; any thread. */
PTP_API bool PtpSonyInterface_GetLiveViewFocusRect(const uint8_t* frame, uint32_t length,
                                                   uint16_t* a, uint16_t* b, uint16_t* c,
                                                   uint16_t* d);

/** The focus point as the camera last reported it (0xD2DC, or 0xD232 on bodies
 * without it): x and y in the camera's coordinates. False when the camera has
 * reported neither. Any thread. */
PTP_API bool PtpSonyInterface_GetLiveViewPosition(uint32_t* x, uint32_t* y);

/** The lens zoom bar (0xD25D): bits 24-31, 16-23 and 0-7 of its value. False
 * when a pointer is null or the camera has not reported it. Any thread. */
PTP_API bool PtpSonyInterface_CurrentZoomBar(uint32_t* a, uint32_t* b, uint32_t* c);

/** Drives the power zoom: speed goes to the camera as one byte (0xD2DD),
 * whose meaning is the camera's. The camera's answer. Any thread. */
PTP_API PtpResult PtpSonyInterface_ZoomLens(uint8_t speed);

/** @{ */
/** Sony frames are never turned: the angles are 0, the orientations 1. */
PTP_API int32_t PtpSonyInterface_GetLiveViewAngle(void);
PTP_API int32_t PtpSonyInterface_GetLastLiveViewAngle(void);
PTP_API uint32_t PtpSonyInterface_GetLiveViewOrientation(void);
PTP_API uint32_t PtpSonyInterface_GetLastLiveViewOrientation(void);
/** @} */

/** Whether touching the live view can place the focus: always on newer bodies;
 * on older ones when the focus area (0xD22C) is a flexible spot (257-260).
 * Any thread. */
PTP_API bool PtpSonyInterface_FocusAreaCanTouchFocus(void);

#endif
