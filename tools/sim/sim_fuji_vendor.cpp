// The Fujifilm camera's row of hooks: its state, its capture operations, the
// screen that answers busy and keeps camera priority, the objects it hands over,
// and its events as the hub's 38-byte records.
#include "sim_fuji.h"

#include "sim_events.h"
#include "sim_internal.h"
#include "sim_properties.h"
#include "sim_storage.h"
#include "sim_vendor.h"

#include "comms/bytes.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint16_t kOpGetObjectHandles = 0x1007;
constexpr uint16_t kOpGetObject = 0x1009;
constexpr uint16_t kOpInitiateCapture = 0x100E;
constexpr uint16_t kOpSetDevicePropValue = 0x1016;
constexpr uint16_t kOpGetPartialObject = 0x101B;
constexpr uint16_t kOpInitiateOpenCapture = 0x101C;
constexpr uint16_t kPropFocusPosition = 0xD171;
constexpr uint16_t kPropPriorityMode = 0xD207;
constexpr uint16_t kPropMediaRecording = 0xD20C;
constexpr uint32_t kPriorityHost = 2;

constexpr SimFujiBodyFacts kBodies[] = {
    {"fuji", 300, 400, "FF129502"},
    {"fuji-gfx", 500, 900, "FF179502"},
};

const SimOpRow kFujiOps[] = {
    {kOpInitiateCapture, SimFuji_InitiateCapture},
    {kOpInitiateOpenCapture, SimFuji_StartLiveView},
};

void init(SimCameraState& cam) {
    auto state = std::make_shared<SimFujiState>();
    state->busy_after_shot_ms = SimFuji_Body(*cam.model).busy_after_shot_ms;
    cam.vendor_state = state;
}

void tick(SimCameraState& cam) {
    SimFujiState& f = SimFuji_State(cam);
    // The pictures on the card before the first command were never handed over.
    if (!f.handles_known) {
        f.first_new_handle = cam.next_handle;
        f.handles_known = true;
    }
    SimFuji_Tick(cam);
}

void reset_stats(SimCameraState& cam) {
    SimFujiState& f = SimFuji_State(cam);
    f.steps.clear();
    f.pictures = 0;
    f.last_bulb_ms = 0;
    f.live_view_starts = 0;
}

// The lens stops at either end of its travel: a focus position past it is
// taken as that end.
bool drive_lens(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    int i = SimProperties_Find(cam, kPropFocusPosition);
    if (i < 0 || !cmd.data || cmd.data_len != 2) return false;
    const SimPropertyFacts& facts = *cam.properties[size_t(i)].facts;
    ByteReader r = make_reader(cmd.data, cmd.data_len);
    int64_t v = int16_t(read_u16(r));
    v = v < facts.min ? facts.min : v > facts.max ? facts.max : v;
    SimProperties_SetFromCamera(cam, kPropFocusPosition, uint32_t(v));
    answer->code = kPtpRespOk;
    return true;
}

void list_handed_over(SimCameraState& cam, SimPtpAnswer* answer) {
    const SimFujiState& f = SimFuji_State(cam);
    ByteWriter w;
    std::vector<uint32_t> handles;
    for (const SimObject& o : cam.objects)
        if (o.handle >= f.first_new_handle && !f.taken.count(o.handle)) handles.push_back(o.handle);
    write_u32(w, uint32_t(handles.size()));
    for (uint32_t h : handles)
        write_u32(w, h);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

bool screen(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimFujiState& f = SimFuji_State(cam);
    switch (cmd.op) {
    case kOpSetDevicePropValue:
    case kOpInitiateCapture:
    case kOpInitiateOpenCapture:
        if (SimFuji_Busy(f)) {
            answer->code = kPtpRespDeviceBusy;
            return true;
        }
        if (cmd.op == kOpSetDevicePropValue && cmd.params[0] != kPropPriorityMode &&
            cmd.params[0] != kPropMediaRecording &&
            SimProperties_Bits(cam, kPropPriorityMode, 0) != kPriorityHost) {
            answer->code = kPtpRespAccessDenied; // camera priority: the dials decide
            return true;
        }
        return cmd.op == kOpSetDevicePropValue && cmd.params[0] == kPropFocusPosition &&
               drive_lens(cam, cmd, answer);
    case kOpGetObjectHandles: list_handed_over(cam, answer); return true;
    case kOpGetObject:
        SimStorage_GetObject(cam, cmd, answer);
        if (answer->code == kPtpRespOk) f.taken.insert(cmd.params[0]);
        return true;
    case kOpGetPartialObject: {
        // The part that reaches the end hands the object over.
        SimStorage_GetPartialObject(cam, cmd, answer);
        const SimObject* o = SimStorage_Find(cam, cmd.params[0]);
        size_t sent = answer->bulk.owner ? answer->bulk.len : answer->data.size();
        if (answer->code == kPtpRespOk && o && size_t(cmd.params[1]) + sent >= o->bytes->size())
            f.taken.insert(cmd.params[0]);
        return true;
    }
    default: return false;
    }
}

SimFujiState* fuji_state(const SimHub* hub) {
    const SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Fujifilm) return nullptr;
    return static_cast<SimFujiState*>(cam.vendor_state.get());
}

} // namespace

const SimVendorHooks kSimFujifilmHooks = {
    .init = init,
    .tick = tick,
    .reset_stats = reset_stats,
    .ops = SimOps(kFujiOps),
    .screen = screen,
    .encode_events = SimEvents_EncodeHubRecords,
    .shoot = SimFuji_ShootOnBody,
};

const SimFujiBodyFacts& SimFuji_Body(const SimCameraModel& model) {
    for (const SimFujiBodyFacts& b : kBodies)
        if (std::strcmp(b.key, model.key) == 0) return b;
    return kBodies[0];
}

SimFujiState& SimFuji_State(SimCameraState& cam) {
    return *static_cast<SimFujiState*>(cam.vendor_state.get());
}

bool SimFuji_Busy(const SimFujiState& f) {
    return f.stuck_busy || SimFujiState::Clock::now() < f.busy_until;
}

void SimHub_SetFujiAutofocusFails(SimHub* hub, bool fails) {
    std::lock_guard<std::mutex> lock(hub->lock);
    if (SimFujiState* f = fuji_state(hub)) f->autofocus_fails = fails;
}

void SimHub_SetFujiStuckBusy(SimHub* hub, bool stuck) {
    std::lock_guard<std::mutex> lock(hub->lock);
    if (SimFujiState* f = fuji_state(hub)) f->stuck_busy = stuck;
}

void SimHub_SetFujiBusyAfterShot(SimHub* hub, uint32_t millis) {
    std::lock_guard<std::mutex> lock(hub->lock);
    if (SimFujiState* f = fuji_state(hub)) f->busy_after_shot_ms = millis;
}

SimFujiStats SimHub_FujiStats(const SimHub* hub) {
    std::lock_guard<std::mutex> lock(hub->lock);
    SimFujiStats s;
    const SimFujiState* f = fuji_state(hub);
    if (!f) return s;
    s.steps = f->steps;
    s.pictures = f->pictures;
    s.bulb_open = f->bulb_open;
    s.last_bulb_ms = f->last_bulb_ms;
    s.live_view_starts = f->live_view_starts;
    s.recording = f->recording;
    return s;
}
