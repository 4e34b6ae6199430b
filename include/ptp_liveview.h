/* Live-view frame conversion: Canon uncompressed YUV 4:2:2 live-view frames
 * to a 32-bit BMP image in memory, which the host displays like any other
 * frame.
 *
 * The conversion touches no library state except the session's camera model
 * number (read once per call), so it may run on any thread at any time. */
#ifndef PTP_LIVEVIEW_H
#define PTP_LIVEVIEW_H

#include <stdint.h>

#include "ptp_result.h"

/* Converts one YUV live-view frame of length bytes into a 32-bit BMP file
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

#endif
