/** \file
 * Live view: switching it on and off, fetching frames, zoom and the zoom-area
 * position on every vendor's camera, the search for the JPEG in a frame
 * buffer, and the conversion of Canon uncompressed YUV 4:2:2 live-view frames
 * to a 32-bit BMP image in memory, which the host displays like any other
 * frame.
 *
 * The camera calls run on the calling thread and block for the camera's
 * answers; the transaction engine serialises them with every other camera
 * call. The conversion touches no library state except the session's camera
 * model number (read once per call), so it may run on any thread at any time. */
#ifndef PTP_LIVEVIEW_H
#define PTP_LIVEVIEW_H

#include <stdint.h>

#include "ptp_result.h"

/** Converts one YUV live-view frame of length bytes into a 32-bit BMP file
 * image (54-byte header, rows stored bottom row first, each pixel B, G, R,
 * 0xFF). The frame's layout depends on the session's camera model number:
 * some Canon bodies put a prefix before the frame header, and model 225 always
 * sends 425 rows whatever its height field says.
 * Returns the BMP's length in bytes (54 + rows x width x 4; 54 for a frame of
 * no rows), or 0 on failure: a null frame or image output, a frame shorter than
 * 256 bytes, a header outside the frame, pixel data the frame does not hold, an
 * image too large for a 32-bit length, or no memory. On success *image is
 * allocated by the library (malloc); the caller releases it with FreeMemory.
 * On failure *image is set to null. Borrows frame for the call only. */
PTP_API uint32_t PtpLiveView_ConvertYuvFrame(const uint8_t* frame, uint32_t length,
                                             uint8_t** image);

/* --- Live view on every vendor's camera ---------------------------------------- */

/** Switches live view on (on non-zero) or off. On a Canon camera the viewfinder
 * output goes to the host and back; success sets the session's live-view-on
 * flag and zoom level 0. Returns PtpResult_Ok, the camera's or the property
 * write's failure, or PtpResult_NotSupportedForCamera without a driver. */
PTP_API PtpResult PtpGenericInterface_ToggleLiveView(uint32_t on);

/** Fetches one live-view frame. On a Canon camera *buffer holds a
 * PtpEosLiveViewInfo (include/ptp_eos.h) followed by the image (JPEG, or BMP
 * for an uncompressed frame). Returns PtpResult_Ok, the camera's answer (0xA102
 * while live view is off), PtpResult_InvalidData for a frame that does not
 * parse, PtpResult_InvalidArgument for null outputs, or
 * PtpResult_NotSupportedForCamera. Out: on PtpResult_Ok *buffer is allocated
 * by the library and the caller releases it with FreeMemory; otherwise it is
 * null. */
PTP_API PtpResult PtpGenericInterface_GetLiveViewImage(uint8_t** buffer, uint32_t* length);

/** Magnifies the live-view area: level 100 standard, 200 more, anything else no
 * magnification. The session remembers the level (cut to 8 bits) only when the
 * camera accepts it. PtpResult_OperationNotSupported for a Canon body that
 * cannot zoom. */
PTP_API PtpResult PtpGenericInterface_SetLiveViewZoomLevel(uint32_t level);

/** The last zoom level set successfully in this session (0 after session start
 * and after every live-view switch). arg is for drivers that ask the camera. */
PTP_API uint8_t PtpGenericInterface_GetLiveViewZoomLevel(uint8_t arg);

/** Moves the magnified area to the point (x, y) given as fractions of the frame
 * (0 left or top, 1 right or bottom). Returns the camera's answer, or
 * PtpResult_NotSupportedForCamera. */
PTP_API PtpResult PtpGenericInterface_SetLiveViewPosition(double x, double y);

/** Moves the magnified area by one step (100 units of the camera's coordinates)
 * in direction 0 up, 1 down, 2 left, 3 right as the host shows the picture;
 * unless unrotated is non-zero the direction is turned by the orientation of
 * the last frame. The position never goes below 0. Returns the camera's
 * answer, PtpResult_BadReply before the first frame (no position known), or
 * PtpResult_NotSupportedForCamera. */
PTP_API PtpResult PtpGenericInterface_NudgeLiveViewPosition(uint8_t direction, uint8_t unrotated);

/** Puts live-view focus back to the camera's standard area. PtpResult_Ok
 * without camera traffic where nothing needs setting. */
PTP_API PtpResult PtpGenericInterface_SetStandardLiveViewFocus(void);

/** Whether the camera has a second, stronger zoom level (200). */
PTP_API bool PtpGenericInterface_Has200ZoomLevel(void);

/** Whether the camera offers live view. */
PTP_API bool PtpGenericInterface_SupportsLiveView(void);

/** Finds the JPEG in a live-view data block of at least 1028 bytes: the bytes
 * from the first start-of-image marker followed by a table marker within the
 * first 2048 bytes. With no such marker and opcode 0x9153 (Canon), the block
 * is converted as an uncompressed YUV frame (PtpLiveView_ConvertYuvFrame).
 * False for null pointers, a short block, no image, or no memory. Borrows
 * data. Out: on true *out is allocated by the library and the caller releases
 * it with FreeMemory. May run on any thread. */
PTP_API bool PtpGenericInterface_ExtractLiveViewImage(const uint8_t* data, uint32_t length,
                                                      uint8_t** out, uint32_t* outLength,
                                                      uint16_t opcode);

#endif
