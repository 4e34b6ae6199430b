// The virtual Tetherhub's Sony cameras as tests see them. Same threading as
// sim_hub.h. Bodies: sony (ILCE-7M4), sony-a6400 (ILCE-6400, older: ISO,
// shutter speed and aperture only step) and sony-a7r5 (ILCE-7RM5, whose
// live-view frames carry the focus rectangle).
#pragma once

#include "sim_hub.h"

#include <cstdint>
#include <vector>

struct SimSonyFacts {
    uint32_t shots = 0;        // shutter releases, bulb exposures included
    uint32_t pending = 0;      // captures waiting behind 0xFFFFC001
    bool bulb_open = false;
    uint32_t last_bulb_ms = 0; // the last finished bulb exposure
    int32_t lens_position = 0; // sum of the lens-drive steps
    std::vector<int16_t> lens_drives; // each 0xD2D1 step, oldest first
    std::vector<uint16_t> controls;   // the 0x9207 codes answered, in order
    uint32_t live_view_frames = 0;
    // What the frames' header carries at the focus-rectangle offset: u16 at
    // +0, +4, +8, +12 (all 0 on a body without one).
    uint16_t focus_rect[4] = {};
};

// False when the hub's camera is not a Sony.
bool SimHub_SonyFacts(const SimHub* hub, SimSonyFacts* out);
