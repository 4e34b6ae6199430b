// The Nikon driver's live view: the frame fetch and the parse of the camera's
// big-endian frame header into the 385-byte PtpNikonLiveViewInfo placed in
// front of the JPEG, the orientation of the last frame, zoom and the
// focus-point position. What the vendor-neutral live-view calls dispatch to
// for a Nikon camera.
#pragma once

#include <cstdint>

#include "ptp_nikon.h"
#include "ptp_result.h"

static_assert(sizeof(PtpNikonLiveViewInfo) == PTP_NIKON_LIVE_VIEW_INFO_SIZE, "record layout");

// --- Frames (nikon/live_view_data.cpp) ---------------------------------------------

// Whether the model's frames start with the (A, B) header of the newer bodies;
// else its fixed header length (64, 128, 384, or 0 for unknown bodies). Pure.
bool PtpNikon_HasCurrentHeader(uint8_t model);
uint32_t PtpNikon_FixedHeaderLength(uint8_t model);

// Parses a 0x9203 frame of length bytes from a camera of model into *out:
// length + 385 bytes, the record at 0, the JPEG where the record says, and
// *info a copy of the record. False when the header does not fit the data
// (then *out is null, *outLength 0) or no memory. Does not touch the last
// live-view info. Out: *out is malloc'd; the caller releases it with FreeMemory.
bool PtpNikon_NormaliseLiveView(const uint8_t* data, uint32_t length, uint8_t model, uint8_t** out,
                                uint32_t* outLength, PtpNikonLiveViewInfo* info);

// The same for a 0x9428 frame (the extended header, versions 1 and 2).
bool PtpNikon_NormaliseLiveViewEx(const uint8_t* data, uint32_t length, uint8_t** out,
                                  uint32_t* outLength, PtpNikonLiveViewInfo* info);

// Replaces the last live-view info (under its lock).
void PtpNikon_StoreLastLiveViewInfo(const PtpNikonLiveViewInfo& info);
// Copies it under its lock; false (and *out zeroed) before the first frame.
bool PtpNikon_CopyLastLiveViewInfo(PtpNikonLiveViewInfo* out);

// --- Fetch, zoom, position (nikon/live_view.cpp) -----------------------------------

// One frame: 0x9428 when the camera lists it, else 0x9203, then the parse,
// which becomes the last live-view info. PtpResult_Ok with the parsed buffer
// (or, for a frame with no data, with *buffer null and *length 0);
// PtpResult_InvalidData for a frame whose header does not fit; Device Busy
// while a focus stack shoots, or for 0xA00B while the camera still reports
// live view on (always on Z bodies); else the camera's answer. *buffer is null
// on every failure. Out: *buffer is malloc'd; the caller releases it with
// FreeMemory.
PtpResult PtpNikon_GetLiveViewImage(uint8_t** buffer, uint32_t* length);

// Marks a focus stack's shots: while set, frame requests answer Device Busy
// instead of interleaving with the stack's transactions. Waits for a frame
// request under way.
void PtpNikon_SetCaptureInProgress(bool on);

// Zoom to level 0 (fit), 25, 50, 100 or 200: the property and value that the
// session's model zooms with, and the verified write of them (its result).
void PtpNikon_ZoomSetting(uint32_t level, uint32_t* code, uint32_t* value);
PtpResult PtpNikon_SetLiveViewZoomLevel(uint32_t level);
// The model zooms to 200: its zoom table is not the D5000 class's.
bool PtpNikon_Has200ZoomLevel();

// The focus point at fractions of the last frame's coordinate space, and in
// those coordinates; the result of the move (0x9205) or of a write before it.
PtpResult PtpNikon_SetLiveViewPosition(double x, double y);
PtpResult PtpNikon_SetZoomPosition(uint32_t x, uint32_t y);
// The magnified area of the last frame; PtpResult_BadReply before the first.
PtpResult PtpNikon_LastZoomPosition(uint32_t* x, uint32_t* y);

// --- Live view on and off, movie (nikon/movie.cpp) ---------------------------------

// Live view on or off with the property adjustments around it (recording media,
// focus modes, selector, the D3X drive mode); for movie skips the still-only
// ones. Ok at once when the camera already is in the requested state; else the
// first failure or the ready wait's answer. ForHost is the liveView.toggle entry.
PtpResult PtpNikon_ToggleLiveView(bool on, bool forMovie);
PtpResult PtpNikon_ToggleLiveViewForHost(bool on);
// 0x9435 (1) when listed, else 0xD1F0 := 1 unverified.
PtpResult PtpNikon_SetApplicationMode();
// Verified 0xD1A6 := value, retried while the camera answers 0xA005.
PtpResult PtpNikon_SetLiveViewSelector(uint32_t value);
PtpResult PtpNikon_StartMovieMode();
PtpResult PtpNikon_StopMovieMode();
// Start: 0xA004 outside live view; Device Busy while the last movie's file
// has not arrived after 10 tries. Stop: Ok once the camera took 0x920B, whether
// or not the file event came within 20 polls (the pending mark is dropped then).
PtpResult PtpNikon_StartRecordMovie();
PtpResult PtpNikon_StopRecordMovie();
// The event thread saw a movie file: a stopped recording is complete.
void PtpNikon_MovieFileArrived();
// Forgets a pending movie stop, the control mode movie mode switched and the
// saved drive mode (session start).
void PtpNikon_ResetMovieState();
// Pause between the movie polls (500 ms); 0 restores it. For tests.
void PtpNikon_SetMoviePauseForTest(int ms);
