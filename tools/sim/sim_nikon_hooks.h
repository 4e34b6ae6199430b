// The virtual Tetherhub's Nikon cameras on the live-view side: what tests and
// benchmarks read of the frames. Same threading as sim_hub.h; on a hub whose
// camera is not a Nikon the result is empty.
//
// A frame (0x9203 or 0x9428, in the body's header layout) carries the
// live-view scene of sim_scene.h at the body's live-view size: 640 x 424 on
// nikon (D850), nikon-d800 and nikon-d5000, 1024 x 683 on nikon-z6.
#pragma once

#include "sim_hub.h"

#include <cstdint>
#include <vector>

// The bytes of the last live-view frame sent, in the layout of the last
// request (the first frame, 0x9203 layout, before any was sent), built again
// with the camera's present state.
std::vector<uint8_t> SimHub_NikonLiveViewFrame(const SimHub* hub);
