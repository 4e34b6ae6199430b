// The Canon EOS camera: its vendor operations, the event data it hands over
// (on control code 130 and through its own GetEvent) and the storing of a shot,
// during which it answers Device Busy. Internal to the sim; callers hold the
// hub lock. The camera's row of hooks (sim_vendor.h), its operation table and
// the hub calls tests steer it with (sim_canon_hooks.h) are in
// sim_canon_vendor.cpp.
//
// Operations (each with the parameters the host sends):
//   sim_canon_session.cpp  0x9114 SetRemoteMode (mode), 0x9115 SetEventMode (mode),
//                          0x9116 GetEvent, 0x911D KeepDeviceOn, 0x9110 property
//                          write (data phase), 0x9127 value request (code)
//   sim_canon_capture.cpp  0x9128 press (1 half, 2 full, 3 full without the half
//                          press; manual-focus flag), 0x9129 release (2 full,
//                          1 half), 0x910F one-shot release, 0x9125/0x9126 bulb,
//                          0x9154 autofocus, 0x9160 cancel it, 0x9155 lens drive
//                          (step), 0x9158 zoom (level), 0x9159 zoom position
//                          (x, y)
//   sim_canon_live_view.cpp 0x9133/0x9134 movie mode, 0x9153 live-view frame
//   sim_canon_objects.cpp  0x9101 storage IDs, 0x9109 folder listing, 0x9170
//                          folder listing (3 parameters) or object info (1),
//                          0x910A thumbnail (handle, most bytes), 0x912C and
//                          0x9172 partial object (handle, offset, length, 0)
#pragma once

#include "sim_camera.h"

#include "comms/bytes.h"

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

// Event data ------------------------------------------------------------------

// Encodes the pending events as Canon event records (sim_canon_events.cpp).
void SimCanonEvents_Encode(const SimCameraState& cam, const std::deque<SimEvent>& events,
                           ByteWriter& out);

// A packed image-format code as the camera's compound value: u32 count, then
// per format u32 16, kind, size, quality.
void SimCanon_WriteImageFormat(ByteWriter& w, uint32_t packed);

// Reads a compound image-format value (count 1 or 2, blocks of 16 bytes with
// fields that fit the packed code). False when it is malformed.
bool SimCanon_ReadImageFormat(ByteReader& r, uint32_t* packed);

// True for the image-format properties 0xD120..0xD123.
bool SimCanon_IsImageFormat(uint16_t code);

// Camera state ------------------------------------------------------------------

// What a Canon camera keeps between operations: its remote and event modes,
// the shutter button, mirror lock-up and the storing of the last shot, and
// what tests read back through SimHub_CanonStats. It is the camera's
// vendor_state, made by SimCanon_Init.
struct SimCanonState {
    using Clock = std::chrono::steady_clock;
    Clock::time_point started; // the hub's start: times in the history count from here

    uint32_t remote_mode = 0; // last parameter of 0x9114
    uint32_t event_mode = 0;  // last parameter of 0x9115
    uint32_t reports = 0;     // full reports queued
    bool half_pressed = false;
    bool full_pressed = false;
    bool bulb_open = false;        // a bulb exposure runs until the button is let go
    Clock::time_point bulb_opened; // when the running bulb exposure began
    uint32_t last_bulb_ms = 0;     // how long the last finished bulb exposure lasted
    bool mirror_raised = false;    // mirror lock-up: the last release only raised it
    bool movie_mode = false;

    uint32_t busy_after_shot_ms = 300;
    Clock::time_point busy_until; // operations answer Device Busy before this
    bool busy_reported = false;   // busy 1 went out in the event data; busy 0 is owed

    bool press_refused = false; // test hook: presses answer parameter 1
    uint16_t object_record = 0; // test hook: overrides the model's record type

    uint32_t pictures = 0;
    std::vector<uint32_t> release_millis;
    std::vector<uint32_t> busy_millis;
    uint32_t writes = 0;
    uint16_t last_written_code = 0;
    uint32_t last_written_value = 0;
    std::vector<uint32_t> lens_drives;
    // Focus position in lens steps, 0 (nearest) to kSimLensTravel (infinity,
    // sim_canon_hooks.h); it starts in the middle.
    int32_t lens_position = 500;
    uint32_t zoom = 0, zoom_x = 0, zoom_y = 0;

    // Live view (sim_canon_live_view.cpp).
    bool lv_yuv = false;         // test hook: frames are uncompressed YUV frames
    uint32_t lv_orientation = 0; // test hook: the orientation code the frames report
    uint32_t lv_frame_bytes = 0; // test hook: JPEG frames are padded to this size
    uint32_t lv_frames = 0;      // frames sent
};

// The Canon state of a Canon camera (only Canon handlers and hooks ask).
SimCanonState& SimCanon_State(SimCameraState& cam);
const SimCanonState& SimCanon_State(const SimCameraState& cam);

// A fresh camera: nothing pressed, not storing, modes 0, history empty.
void SimCanon_Init(SimCameraState& cam);

// Reports the end of a storing period that has run out (see SimCamera_Tick).
void SimCanon_Tick(SimCameraState& cam);

// Zeroes the counters and history SimHub_ResetStats clears.
void SimCanon_ResetStats(SimCameraState& cam);

// While a shot is being stored: answers Device Busy, notes the refusal and
// returns true.
bool SimCanon_RefuseWhileStoring(SimCameraState& cam, SimPtpAnswer* answer);

// Applies a test hook's change to the Canon state of the hub's camera under the
// hub lock (sim_canon_vendor.cpp). Nothing for a null hub or a camera that is
// not a Canon.
struct SimHub;
void SimCanon_WithHub(SimHub* hub, const std::function<void(SimCanonState&)>& change);

// Milliseconds since the hub started, for the history tests read.
uint32_t SimCanon_Millis(const SimCameraState& cam);

// Appends to a bounded history (the oldest entries go first).
void SimCanon_Note(std::vector<uint32_t>& history, uint32_t value);

// Operations ----------------------------------------------------------------------

void SimCanon_SetRemoteMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_SetEventMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_GetEvent(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_KeepDeviceOn(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_SetPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_RequestPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd,
                                   SimPtpAnswer* answer);

void SimCanon_RemoteReleaseOn(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_RemoteReleaseOff(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_RemoteRelease(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// A picture taken with the shutter button on the body (SimVendorHooks::shoot).
void SimCanon_ShootOnBody(SimCameraState& cam);
void SimCanon_BulbStart(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_BulbEnd(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_DoAf(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_AfCancel(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_DriveLens(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_Zoom(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_ZoomPosition(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_MovieSelectOn(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_MovieSelectOff(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_GetViewFinderData(SimCameraState& cam, const SimPtpCommand& cmd,
                                SimPtpAnswer* answer);

// A property write the live-view state forbids: EVF Record Status 4 (record)
// outside a movie-mode live view is answered Device Busy. True when refused.
bool SimCanon_RefuseLiveViewWrite(SimCameraState& cam, uint16_t code, uint32_t value,
                                  SimPtpAnswer* answer);

void SimCanon_GetStorageIds(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_ListObjects(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_ListOrDescribe(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_GetThumbnail(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimCanon_GetPartialObject(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
