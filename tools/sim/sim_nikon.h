// The Nikon camera's own state and operations, shared by its sim files
// (sim_nikon_*.cpp): the control mode, the busy stretch after a shot, the
// bulk property descriptions the hub reads for it, and its shots. Internal to
// the sim; callers hold the hub lock.
#pragma once

#include "sim_camera.h"
#include "sim_nikon_capture_hooks.h"

#include "comms/bytes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

struct SimHub;

struct SimNikonState {
    using Clock = std::chrono::steady_clock;
    uint32_t control_mode = 0; // the last 0x90C2 parameter: 1 while the computer controls it
    uint32_t busy_after_shot_ms = 400;
    Clock::time_point busy_until{}; // 0x90C8 and 0x9207 answer busy until then
    // Capture and focus (sim_nikon_capture.cpp, sim_nikon_focus.cpp).
    uint32_t pictures = 0;           // shots stored, bulb exposures included
    bool autofocus_fails = false;    // the lens finds no focus (set by a test)
    bool focus_failed = false;       // 0x90C8 answers 0xA002 until the next focus or 0x9206
    bool bulb_open = false;          // between a bulb 0x9207 and 0x920C
    Clock::time_point bulb_opened{}; // when the bulb exposure began
    uint32_t last_bulb_ms = 0;       // the last finished bulb exposure
    int32_t lens_position = kSimNikonLensTravel / 2; // 0x9204 units, 0 is the nearest distance
    std::vector<uint32_t> lens_drives; // 0x9204 directions and amounts in pairs, oldest first
    // Live view and movie (sim_nikon_live_view.cpp, sim_nikon_movie.cpp).
    bool live_view = false;
    Clock::time_point live_view_ready{}; // frames answer busy until then after 0x9201
    uint32_t live_view_frames = 0;       // frames sent, which move the picture
    bool live_view_extended = false;     // the last frame was a 0x9428 one
    uint32_t focus_x = 0, focus_y = 0;   // the focus point (0x9205) in the body's coordinates
    bool recording = false;
    Clock::time_point recording_since{};
};

// What sets one Nikon body apart on the capture side, by model key. A body
// without a row has the defaults of the first.
struct SimNikonBodyFacts {
    const char* key;
    uint32_t busy_after_shot_ms; // the ready check answers busy this long after a shot
    // D5000 class: autofocus (0x90C1) and lens drives (0x9204) only while the
    // camera's focus mode is automatic; in manual both answer 0xA002.
    bool af_mode_switch;
};
inline constexpr SimNikonBodyFacts kSimNikonBodies[] = {
    {"nikon", 400, false},
    {"nikon-z6", 300, false},
    {"nikon-d800", 400, false},
    {"nikon-d5000", 600, true},
};
const SimNikonBodyFacts& SimNikon_Body(const SimCameraModel& model);

// The Nikon state of a camera whose vendor is Nikon (created by its init hook).
SimNikonState& SimNikon_State(SimCameraState& cam);
const SimNikonState& SimNikon_State(const SimCameraState& cam);

// Operations: 0x90C2 control mode, 0x9207 and 0x100E capture (sim_nikon_capture.cpp);
// UnlessBusy answers OK unless the camera is still busy with a shot.
void SimNikon_SetControlMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_Capture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// A picture taken with the shutter button on the body (SimVendorHooks::shoot).
void SimNikon_ShootOnBody(SimCameraState& cam);
void SimNikon_UnlessBusy(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// Bulb: a 0x9207 at the bulb shutter speed (0xD100 = 0xFFFFFFFF) opens the
// shutter, the ready check answers 0xA200 while it is open, and 0x920C closes
// it and stores the files. Focus (sim_nikon_focus.cpp): 0x90C1 autofocus,
// 0x9204 lens drive, 0x9206 autofocus cancel, 0x90C8 device ready.
void SimNikon_TerminateCapture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_Autofocus(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_DriveLens(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_AutofocusCancel(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_DeviceReady(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// Live view (sim_nikon_live_view.cpp): 0x9201 start, 0x9202 end, 0x9203 and
// 0x9428 frames, 0x9205 focus point. Movie (sim_nikon_movie.cpp): 0x920A start,
// 0x920B stop; EndRecording stores the movie of a running recording.
void SimNikon_StartLiveView(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_EndLiveView(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_GetLiveViewImage(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_ChangeAfArea(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_StartMovie(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_StopMovie(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_EndRecording(SimCameraState& cam);

// Control code 235: the payload lists u32 property codes; the reply is one
// {u32 length, DevicePropDesc} record per code the camera describes, in
// request order. Other vendors' cameras refuse the request (0xFF15).
uint16_t SimNikon_PropertyDescriptions(SimHub* hub, const uint8_t* payload, size_t n,
                                       ByteWriter& data);
