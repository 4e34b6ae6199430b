// What the shared sim asks of a vendor's camera: one row of hooks per vendor,
// defined in that vendor's own sim files (sim_canon_*.cpp, sim_nikon_*.cpp,
// sim_sony_*.cpp, sim_fuji_*.cpp) and chosen by the model's vendor in one
// place, SimCamera_Init (sim_camera.cpp). The shared files (camera, events,
// hub, relay) call through the camera's row and never name a vendor. A null
// hook means the vendor has nothing to add there; the caller's answer for it
// is written once, next to the call. Internal to the sim; callers hold the
// hub lock.
#pragma once

#include "sim_camera.h"

#include "comms/bytes.h"

#include <cstddef>
#include <cstdint>
#include <deque>

using SimOpHandler = void (*)(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

struct SimOpRow {
    uint16_t op;
    SimOpHandler handler;
};

struct SimOpTable {
    const SimOpRow* rows;
    size_t count;
};

template <size_t N> constexpr SimOpTable SimOps(const SimOpRow (&rows)[N]) {
    return SimOpTable{rows, N};
}

// Appends the pending events, in order, as the vendor's camera frames them on
// control code 130.
using SimEventEncoder = void (*)(const SimCameraState& cam, const std::deque<SimEvent>& events,
                                 ByteWriter& out);

struct SimVendorHooks {
    // Sets up the vendor's own state (SimCameraState::vendor_state) of a fresh
    // camera. Null: the vendor keeps none.
    void (*init)(SimCameraState& cam) = nullptr;
    // Lets the vendor's time-driven state catch up (see SimCamera_Tick).
    void (*tick)(SimCameraState& cam) = nullptr;
    // Zeroes the vendor's counters and history (SimHub_ResetStats).
    void (*reset_stats)(SimCameraState& cam) = nullptr;
    // The vendor's own operations, answered when the model lists them (the
    // standard operations come first, sim_camera.cpp).
    SimOpTable ops = {};
    // Sees every listed command before the operation tables and may answer it
    // instead (a camera busy with a shot, or one that lists only the objects it
    // has not handed over yet); true when it answered. Null: it never does.
    bool (*screen)(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) = nullptr;
    // Null: one standard PTP event container per event (SimEvents_Take).
    SimEventEncoder encode_events = nullptr;
    // Takes a picture as the shutter button on the body would: stores it and
    // announces it with the vendor's object-added event (SimCamera_Tick, for
    // SimOptions::shoot_every_seconds). Null: the camera never shoots on its own.
    void (*shoot)(SimCameraState& cam) = nullptr;
};

// Each vendor's row, in its own sim files.
extern const SimVendorHooks kSimCanonHooks;
extern const SimVendorHooks kSimNikonHooks;
extern const SimVendorHooks kSimSonyHooks;
extern const SimVendorHooks kSimFujifilmHooks;
