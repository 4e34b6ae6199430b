// The Canon EOS driver's live view and movie mode: the viewfinder output
// switch, frame fetch and parse, zoom and zoom position, the standard focus
// area, movie mode and movie recording. What the vendor-neutral live-view and
// movie calls dispatch to for a Canon camera.
//
// Every camera operation runs through PtpTransaction_ExecuteWithRetry in
// blocking mode. Calls come from host threads; the engine serialises camera
// access.
#pragma once

#include <cstdint>

#include "eos/eos_codes.h"
#include "ptp_eos.h"
#include "ptp_result.h"

// The parameter of the frame fetch: the most bytes the host takes in one frame.
constexpr uint32_t kEosViewFinderMaxBytes = 0x100000;

// --- Frames -----------------------------------------------------------------------

// Size of the parsed frame's header: the info block up to the image.
constexpr uint32_t kEosLiveViewInfoBlock = 1364;
// The frames the parser accepts are at least this long.
constexpr uint32_t kEosLiveViewMinFrame = 4000;
// The start marker is searched in the first bytes only; a frame without one
// there is an uncompressed frame.
constexpr uint32_t kEosLiveViewMarkerSearch = 256;
constexpr uint32_t kEosLiveViewMaxAfFrames = 64;

// Frame kinds (the info's first field).
constexpr uint32_t kEosFrameJpeg = 1;
constexpr uint32_t kEosFrameConverted = 2;

// What the parser needs to know about the camera: the model's image size
// (the default full size) and its model number (the layout of uncompressed
// frames).
struct PtpEosFrameModel {
    double width;
    double height;
    uint8_t model;
};

// The connected camera's frame model.
PtpEosFrameModel PtpEos_SessionFrameModel();

// Parses one frame as PtpEosInterface_ParseLiveViewData does, for an explicit
// model, without touching the last live-view info. On success *out holds the
// info block followed by the image (*outLength = 1364 + image length; the
// buffer has at least 1368 bytes, so the whole PtpEosLiveViewInfo can be read
// from it) and *info a copy of its first 1368 bytes. Out: *out is malloc'd and
// the caller releases it with FreeMemory. On failure *out is null.
bool PtpEos_ParseLiveViewFrame(const uint8_t* data, uint32_t length, const PtpEosFrameModel& model,
                               uint8_t** out, uint32_t* outLength, PtpEosLiveViewInfo* info);

// Replaces the last live-view info (under its lock).
void PtpEos_StoreLastLiveViewInfo(const PtpEosLiveViewInfo& info);

// Copies the last live-view info under its lock. False (and *out zeroed)
// before any frame has been parsed in this process.
bool PtpEos_CopyLastLiveViewInfo(PtpEosLiveViewInfo* out);

// The EXIF orientation for an info's orientation code (1 -> 6, 2 -> 8, 4 -> 3,
// else 1).
uint32_t PtpEos_ExifOrientation(uint32_t code);

// The EXIF orientation of the last frame (1 before any frame).
uint32_t PtpEos_LastFrameOrientation();

// The zoom position of the last frame. PtpResult_BadReply before any frame.
PtpResult PtpEos_LastZoomPosition(uint32_t* x, uint32_t* y);

// Frame fetch: 0x9153 (0x100000), then the parse. PtpResult_Ok with the parsed
// buffer; PtpResult_InvalidData when the frame does not parse; else the
// transaction's result with *buffer null. PtpResult_InvalidArgument for null
// outputs. Out: *buffer is malloc'd; the caller releases it with FreeMemory.
PtpResult PtpEos_GetLiveViewImage(uint8_t** buffer, uint32_t* length);

// --- Switch, zoom, position -----------------------------------------------------------

// Switches the viewfinder output to the host (on) or back. setEvfMode also
// writes EVF Mode 1 when switching on. Repeats every 1000 ms while the write
// fails verification and the camera reports itself busy. On success sets the
// session's live-view-on flag and zoom level 0. Returns PtpResult_Ok or the
// write's failure.
PtpResult PtpEos_SetLiveView(bool on, bool setEvfMode);

// The host's switch: PtpEos_SetLiveView with EVF Mode written.
PtpResult PtpEos_ToggleLiveView(bool on);

// The 0x9158 parameter for a zoom level on a model (100 standard, 200 more):
// false for model 232, which cannot zoom. Pure.
bool PtpEos_ZoomCodeForLevel(uint8_t model, uint32_t level, uint32_t* code);

// Zoom: PtpResult_OperationNotSupported on model 232, else 0x9158's result.
PtpResult PtpEos_SetLiveViewZoomLevel(uint32_t level);

// The 0x9159 parameters for a position given as fractions of the frame, on an
// image of width x height pixels. Pure.
void PtpEos_ZoomPositionFor(double x, double y, double width, double height, uint32_t* px,
                            uint32_t* py);

// Zoom position from fractions of the frame (the model's image size); 0x9159's
// result.
PtpResult PtpEos_SetLiveViewPosition(double x, double y);

// Zoom position in the camera's coordinates: 0x9159 (x, y), tried once more
// after 100 ms when the camera answers busy.
PtpResult PtpEos_SetZoomPosition(uint32_t x, uint32_t y);

// Sets the live-view AF system (0xD1BA) to 1 with 0x9110.
PtpResult PtpEos_SetStandardLiveViewFocus();

// Every Canon camera that zooms reaches 200: true.
bool PtpEos_Has200ZoomLevel();

// --- Movie ------------------------------------------------------------------------------

// Movie mode on and off, recording start and stop (see the functions for the
// steps). Each returns PtpResult_Ok or the first failure that ends it.
PtpResult PtpEos_StartMovieMode();
PtpResult PtpEos_StopMovieMode();
PtpResult PtpEos_StartRecordMovie();
PtpResult PtpEos_StopRecordMovie();

// The camera lists 0x9133 (movie select).
bool PtpEos_SupportsMovieRecording();

// The exposure mode seen when live view was last switched on (20: movie),
// 0xFFFFFFFF before any switch-on or when the camera has no exposure mode.
uint32_t PtpEos_LiveViewModeCache();

// Forgets the live-view mode cache (0xFFFFFFFF) and the saved exposure mode:
// a new session starts with neither.
void PtpEos_ResetLiveViewState();
