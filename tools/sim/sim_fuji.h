// The Fujifilm camera's own state, shared by its sim files (sim_fuji_*.cpp):
// the shutter steps, autofocus progress, busy stretches and the objects it has
// handed over. Internal to the sim; callers hold the hub lock.
#pragma once

#include "sim_camera.h"
#include "sim_fuji_hooks.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

// What sets one Fujifilm body apart besides its property table.
struct SimFujiBodyFacts {
    const char* key;
    uint32_t focus_ms;           // autofocus reads 1 (focusing) this long
    uint32_t busy_after_shot_ms; // writes and captures answer busy this long after a shot
    const char* raf_camera_id;   // the RAF header's camera number
};
const SimFujiBodyFacts& SimFuji_Body(const SimCameraModel& model);

struct SimFujiState {
    using Clock = std::chrono::steady_clock;
    uint32_t busy_after_shot_ms = 0;
    Clock::time_point busy_until{};
    bool stuck_busy = false;
    bool autofocus_fails = false;
    bool focusing = false; // 0xD209 moves from 1 to its end at focus_done
    Clock::time_point focus_done{};
    bool pressed = false; // a 0x0200 press waits for its release
    bool bulb_open = false;
    Clock::time_point bulb_opened{};
    uint32_t last_bulb_ms = 0;
    uint32_t pictures = 0;
    std::vector<uint32_t> steps;
    uint32_t live_view_starts = 0;
    bool recording = false;
    // Objects from this handle on are handed over until downloaded whole.
    uint32_t first_new_handle = 0;
    bool handles_known = false;
    std::set<uint32_t> taken;
};

SimFujiState& SimFuji_State(SimCameraState& cam);
bool SimFuji_Busy(const SimFujiState& f);

// Operations: InitiateCapture 0x100E runs the step in 0xD208;
// InitiateOpenCapture 0x101C starts live view (sim_fuji_capture.cpp).
void SimFuji_InitiateCapture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimFuji_StartLiveView(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// Ends an autofocus whose time is up (called before every command).
void SimFuji_Tick(SimCameraState& cam);
// A picture taken with the shutter button on the body (SimVendorHooks::shoot).
void SimFuji_ShootOnBody(SimCameraState& cam);

// The RAF file of a shot: the header, its offset directory and the JPEG preview
// embedded where the header points, then a small stand-in for the raw data.
std::vector<uint8_t> SimFuji_BuildRaf(const char* model, const char* camera_id,
                                      const std::vector<uint8_t>& preview);
