// The Sony camera's row of hooks: its state, its operations (0x9204, 0x9205,
// 0x9207, 0x9209), the fixed capture and live-view handles served before the
// card's objects, and its events as the hub's 38-byte records.
#include "sim_events.h"
#include "sim_internal.h"
#include "sim_sony.h"
#include "sim_sony_hooks.h"
#include "sim_vendor.h"

#include <cstring>
#include <mutex>

namespace {

constexpr uint16_t kSonyOpGetPropertyValue = 0x9204;
constexpr uint16_t kSonyOpSetProperty = 0x9205;
constexpr uint16_t kSonyOpControl = 0x9207;
constexpr uint16_t kSonyOpGetAllProperties = 0x9209;

const SimOpRow kSonyOps[] = {
    {kSonyOpGetPropertyValue, SimSony_GetPropertyValue},
    {kSonyOpSetProperty, SimSony_SetProperty},
    {kSonyOpControl, SimSony_Control},
    {kSonyOpGetAllProperties, SimSony_GetAllProperties},
};

void init(SimCameraState& cam) {
    auto state = std::make_shared<SimSonyState>();
    state->body = &SimSony_Body(*cam.model);
    cam.vendor_state = state;
}

void reset_stats(SimCameraState& cam) {
    SimSonyState& s = SimSony_State(cam);
    s.lens_drives.clear();
    s.buttons.clear();
}

bool screen(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    return SimSony_ServeCapture(cam, cmd, answer) || SimSony_ServeLiveView(cam, cmd, answer);
}

} // namespace

const SimVendorHooks kSimSonyHooks = {
    .init = init,
    .tick = SimSony_Tick,
    .reset_stats = reset_stats,
    .ops = SimOps(kSonyOps),
    .screen = screen,
    .encode_events = SimEvents_EncodeHubRecords,
    .shoot = SimSony_ShootOnBody,
};

const SimSonyBodyFacts& SimSony_Body(const SimCameraModel& model) {
    for (const SimSonyBodyFacts& b : kSimSonyBodies)
        if (std::strcmp(b.key, model.key) == 0) return b;
    return kSimSonyBodies[0];
}

SimSonyState& SimSony_State(SimCameraState& cam) {
    return *static_cast<SimSonyState*>(cam.vendor_state.get());
}

const SimSonyState& SimSony_State(const SimCameraState& cam) {
    return *static_cast<const SimSonyState*>(cam.vendor_state.get());
}

bool SimHub_SonyFacts(const SimHub* hub, SimSonyFacts* out) {
    if (!hub || !out) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Sony) return false;
    const SimSonyState& s = SimSony_State(cam);
    *out = SimSonyFacts{};
    out->shots = s.shots;
    out->pending = uint32_t(s.pending.size());
    out->bulb_open = s.bulb_open;
    out->last_bulb_ms = s.last_bulb_ms;
    out->lens_position = s.lens_position;
    out->lens_drives = s.lens_drives;
    out->controls = s.buttons;
    out->live_view_frames = s.live_view_frames;
    SimSony_FocusRect(cam, out->focus_rect);
    return true;
}
