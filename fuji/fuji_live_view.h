// Fujifilm live view: switching it on (InitiateOpenCapture) and off (through
// the installed stop delegate), the zoom steps, and the focus area, which is
// what moves when the host moves the live-view position. Frames are not
// fetched by this driver. Host threads call all of it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_result.h"

// --- Switch and zoom (fuji/live_view.cpp) -------------------------------------------------------
// On: InitiateOpenCapture (0, 0). Off: the stop delegate with 0xFF01;
// PtpResult_Failed when none is installed. Success sets the live-view-on flag
// and clears the restart-live-view flag.
PtpResult PtpFuji_SetLiveView(bool on);
// Installs the Tetherhub's live-view stop as the delegate; the session start
// calls it once the Fujifilm session is open.
void PtpFuji_InstallStopLiveView();
// 0, 100 or 200, from Live View Zoom (0xD01B).
uint8_t PtpFuji_GetLiveViewZoomLevel(uint8_t arg);
// Level 100, 200 or anything else (off) written to Live View Zoom, verified.
// Leaving the unzoomed view first saves the focus mode and sets manual focus.
PtpResult PtpFuji_SetLiveViewZoomLevel(uint32_t level);

// --- Focus area (fuji/focus_area.cpp) -----------------------------------------------------------
// The focus area's bounds: x and y from -19 to 19, s one digit. A text of x,
// y and s must fit in 19 bytes of 16-bit characters with the NUL, so at most
// 8 characters ("-10,-10,1" does not fit).
constexpr int32_t kFujiFocusAreaLimit = 19;
constexpr size_t kFujiFocusAreaMaxText = 8;

// Parses a Focus Area value (a PTP string "x,y,s") read only inside length:
// the count byte must not claim more characters than the data holds, and the
// text ends at the count, its NUL or the data end. False for a value that is
// short or not three fields. Borrows data.
bool PtpFuji_ParseFocusArea(const uint8_t* data, uint32_t length, int32_t* x, int32_t* y,
                            int32_t* s);
// The text of a focus area into out (size bytes, NUL-terminated); its length,
// or 0 when a field is out of bounds or the text would not fit the camera's
// 19 bytes.
size_t PtpFuji_FormatFocusArea(int32_t x, int32_t y, int32_t s, char* out, size_t size);

// Reads Focus Area (0xD395) from the camera. PtpResult_Failed for a value
// that cannot be parsed.
PtpResult PtpFuji_ReadFocusArea(int32_t* x, int32_t* y, int32_t* s);
// Writes the focus area, in manual focus around the write where the body
// needs it. PtpResult_InvalidArgument, before anything is sent, for a field
// out of bounds or a text too long.
PtpResult PtpFuji_WriteFocusArea(int32_t x, int32_t y, int32_t s);
// Moves the focus area one step: 0 up (y + 1), 1 down, 2 left (x - 1), 3 right.
PtpResult PtpFuji_NudgeLiveViewPosition(uint8_t direction);
// Places the focus area at fractions of the frame (y from the top) on the
// grid of Focus Points (0xD025).
PtpResult PtpFuji_SetLiveViewPosition(double x, double y);
