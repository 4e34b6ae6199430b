// The Sony driver's live view: the frame fetch (GetObject of the fixed handle
// 0xFFFFC002), the JPEG inside a frame, the focus rectangle that newer bodies
// put in the frame header, the focus-point position, the magnifier and power
// zoom. What the vendor-neutral live-view calls dispatch to for a Sony camera.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// --- Frames (sony/live_view_data.cpp); pure, no session state -------------------------

// Offset of the first JPEG start (FF D8 FF DB) in length bytes; false when
// there is none.
bool PtpSony_FindLiveViewJpeg(const uint8_t* data, uint32_t length, uint32_t* offset);

// Where a body's frame header holds the focus rectangle: 581 or 1093.
uint32_t PtpSony_FocusRectBase(uint8_t model);
// The four focus-rectangle values of a frame from a body of model with normal
// property controls (normal): out[0..3] = u16 at base, base + 4, base + 12,
// base + 8. False for other bodies, frames shorter than 1101 bytes, or frames
// too short for the fields.
bool PtpSony_ParseFocusRect(const uint8_t* frame, uint32_t length, uint8_t model, bool normal,
                            uint16_t out[4]);

// --- Live view on, frames, position (sony/live_view.cpp) ------------------------------

// One blocking transaction with the busy retry: op with the one parameter
// param, and size bytes of data out. Borrows data for the call only.
PtpResult PtpSony_LiveViewCommand(uint16_t op, uint32_t param, const uint8_t* data, uint32_t size);
// A virtual button pressed (0x9207, 2) and, when that succeeds, released (1).
PtpResult PtpSony_LiveViewPress(uint32_t button);

// On: GetObjectInfo of the frame handle, its result; off: Ok with no exchange.
// Sets the session's live-view-on flag to on when the result is Ok.
PtpResult PtpSony_ToggleLiveView(bool on);
// The frame as the camera delivers it. Out: *buffer is malloc'd; the caller
// releases it with FreeMemory.
PtpResult PtpSony_GetLiveViewImage(uint8_t** buffer, uint32_t* length);
// Moves the focus point to fractions of the frame, each kept to 0-1; NaN is
// PtpResult_InvalidArgument.
PtpResult PtpSony_SetFocusPoint(double x, double y);
// One step of the magnified area or focus point: 0 up, 1 down, 2 left, 3 right.
PtpResult PtpSony_NudgeLiveView(uint8_t direction);

// Pause between focus-mode polls after a position move (250 ms); 0 restores
// it. For tests.
void PtpSony_SetLiveViewPauseForTest(int ms);

// --- Magnifier and lens zoom (sony/zoom.cpp) -------------------------------------------

// 0, 100 or 200; refresh re-reads the magnification property first.
uint8_t PtpSony_GetLiveViewZoomLevel(uint8_t refresh);
// Zoom to 0, 100 or 200 (magnifier presses on button-zoom bodies).
PtpResult PtpSony_SetLiveViewZoomLevel(uint32_t level);
// The level the magnification property's current value shows (0, 100, 200),
// with no camera traffic. Lists with no entry for a level (ranges, count
// 255, no list) never show it.
uint8_t PtpSony_StoredZoomLevel();
// 0xD25B is above 0.
bool PtpSony_SupportsLensZoom();

// Pause between magnifier presses (100 ms); 0 restores it. For tests.
void PtpSony_SetZoomPauseForTest(int ms);
