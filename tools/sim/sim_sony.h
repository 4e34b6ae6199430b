// The Sony camera's own state and operations, shared by its sim files
// (sim_sony_*.cpp): the all-properties data (0x9209), the absolute writes of
// newer bodies (0x9205), the virtual buttons and the up/down steps of older
// ones (0x9207), the captures waiting behind the fixed handle 0xFFFFC001 and
// the live-view frames behind 0xFFFFC002. Internal to the sim; callers hold
// the hub lock.
#pragma once

#include "sim_camera.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// What sets one Sony body apart, by model key.
struct SimSonyBodyFacts {
    const char* key;
    // Normal property controls: absolute writes through 0x9205. Without them
    // ISO, shutter speed and aperture move only by steps through 0x9207.
    bool normal_controls;
    // The live-view frame header carries the focus rectangle at this offset
    // (0: the header has none).
    uint32_t focus_rect_at;
    uint32_t busy_after_shot_ms; // 0xD215 reads 1 (processing) this long after a shot
    uint32_t live_view_width, live_view_height;
};
inline constexpr SimSonyBodyFacts kSimSonyBodies[] = {
    {"sony", true, 0, 200, 640, 424},
    {"sony-a6400", false, 0, 300, 640, 424},
    {"sony-a7r5", true, 581, 200, 1024, 680},
};
const SimSonyBodyFacts& SimSony_Body(const SimCameraModel& model);

// A capture the camera holds until the host reads it through 0xFFFFC001.
struct SimSonyCapture {
    SimObject object;
    size_t read = 0; // bytes handed out by GetPartialObject so far
};

struct SimSonyState {
    using Clock = std::chrono::steady_clock;
    const SimSonyBodyFacts* body = nullptr;
    // Captures, the oldest first; they count in 0xD215 once processed.
    std::deque<SimSonyCapture> pending;
    uint32_t processing = 0;        // shots still being processed
    Clock::time_point ready_at{};   // when those are done
    uint32_t shots = 0;             // shots taken, bulb exposures included
    bool half_pressed = false, shutter_pressed = false;
    bool bulb_open = false;
    Clock::time_point bulb_opened{};
    uint32_t last_bulb_ms = 0;
    bool focus_toggled = false;     // the toggle button switched to manual focus
    uint32_t autofocus_mode = 2;    // restored when the toggle is let go
    int32_t lens_position = 0;      // sum of the 0xD2D1 steps
    std::vector<int16_t> lens_drives; // 0xD2D1 steps, oldest first
    bool recording = false;
    uint32_t focus_point = 0;       // the last 0xD2DC or 0xD232 position (x << 16 | y)
    uint32_t live_view_frames = 0;
    std::vector<uint16_t> buttons;  // 0x9207 codes in order (presses and releases)
};

SimSonyState& SimSony_State(SimCameraState& cam);
const SimSonyState& SimSony_State(const SimCameraState& cam);

// Property operations (sim_sony_properties.cpp): 0x9209 all-properties data,
// 0x9205 absolute write, 0x9204 value read.
void SimSony_GetAllProperties(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimSony_SetProperty(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimSony_GetPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// The all-properties data: u64 count, then one descriptor per property.
std::vector<uint8_t> SimSony_AllPropertiesData(const SimCameraState& cam);
// Moves a listed property by steps along its enumeration, held to its ends.
uint16_t SimSony_StepProperty(SimCameraState& cam, uint16_t code, int32_t steps);

// 0x9207 (sim_sony_capture.cpp): buttons, steps, lens drive, focus point.
void SimSony_Control(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// Processing shots become pending captures once their time is up.
void SimSony_Tick(SimCameraState& cam);
// A picture taken with the shutter button on the body (SimVendorHooks::shoot).
void SimSony_ShootOnBody(SimCameraState& cam);
// GetObjectInfo, GetObject and GetPartialObject of 0xFFFFC001; false for
// another handle.
bool SimSony_ServeCapture(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// Live view (sim_sony_live_view.cpp): GetObjectInfo and GetObject of
// 0xFFFFC002; false for another handle.
bool SimSony_ServeLiveView(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
// The focus rectangle the frames carry (all 0 on a body without one).
void SimSony_FocusRect(const SimCameraState& cam, uint16_t out[4]);
