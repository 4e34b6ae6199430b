// The Nikon camera's own state and operations, shared by its sim files
// (sim_nikon_*.cpp): the control mode, the busy stretch after a shot, the
// bulk property descriptions the hub reads for it, and its shots. Internal to
// the sim; callers hold the hub lock.
#pragma once

#include "sim_camera.h"

#include "comms/bytes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

struct SimHub;

struct SimNikonState {
    using Clock = std::chrono::steady_clock;
    uint32_t control_mode = 0; // the last 0x90C2 parameter: 1 while the computer controls it
    uint32_t busy_after_shot_ms = 400;
    Clock::time_point busy_until{}; // 0x90C8 and 0x9207 answer busy until then
};

// The Nikon state of a camera whose vendor is Nikon (created by its init hook).
SimNikonState& SimNikon_State(SimCameraState& cam);

// Operations: 0x90C2 control mode, 0x9207 and 0x100E capture; 0x90C8 device
// ready and the lens operations (0x90C1 autofocus, 0x9204 drive), which answer
// OK unless the camera is still busy with a shot.
void SimNikon_SetControlMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_Capture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimNikon_UnlessBusy(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// Control code 235: the payload lists u32 property codes; the reply is one
// {u32 length, DevicePropDesc} record per code the camera describes, in
// request order. Other vendors' cameras refuse the request (0xFF15).
uint16_t SimNikon_PropertyDescriptions(SimHub* hub, const uint8_t* payload, size_t n,
                                       ByteWriter& data);
