// The Nikon camera's row of hooks: its state, its operation table, its event
// encoding on control code 130, and the bulk property descriptions the hub
// reads for it on control code 235.
#include "sim_nikon.h"

#include "sim_internal.h"
#include "sim_properties.h"
#include "sim_vendor.h"

#include <algorithm>
#include <memory>

namespace {

constexpr uint16_t kPtpOpInitiateCapture = 0x100E;
constexpr uint16_t kPtpOpGetDevicePropDesc = 0x1014;
constexpr uint16_t kNikonOpAutofocus = 0x90C1;
constexpr uint16_t kNikonOpSetControlMode = 0x90C2;
constexpr uint16_t kNikonOpDeviceReady = 0x90C8;
constexpr uint16_t kNikonOpDriveLens = 0x9204;
constexpr uint16_t kNikonOpAutofocusCancel = 0x9206;
constexpr uint16_t kNikonOpCaptureToCard = 0x9207;
constexpr uint16_t kNikonOpTerminateCapture = 0x920C;
constexpr uint16_t kNikonOpStartLiveView = 0x9201;
constexpr uint16_t kNikonOpEndLiveView = 0x9202;
constexpr uint16_t kNikonOpGetLiveViewImage = 0x9203;
constexpr uint16_t kNikonOpChangeAfArea = 0x9205;
constexpr uint16_t kNikonOpStartMovie = 0x920A;
constexpr uint16_t kNikonOpStopMovie = 0x920B;
constexpr uint16_t kNikonOpGetLiveViewImageEx = 0x9428;

constexpr uint16_t kEventObjectAdded = 0x4002;
constexpr uint16_t kEventObjectRemoved = 0x4003;
constexpr uint16_t kEventDevicePropChanged = 0x4006;
constexpr size_t kMaxEntries = 0xFFFF; // the count is a u16

// The hub's answer to a request it does not serve for this camera.
constexpr uint16_t kRelayUnknownRequest = 0xFF15;

const SimOpRow kNikonOps[] = {
    {kPtpOpInitiateCapture, SimNikon_Capture},
    {kNikonOpAutofocus, SimNikon_Autofocus},
    {kNikonOpSetControlMode, SimNikon_SetControlMode},
    {kNikonOpDeviceReady, SimNikon_DeviceReady},
    {kNikonOpDriveLens, SimNikon_DriveLens},
    {kNikonOpCaptureToCard, SimNikon_Capture},
    {kNikonOpAutofocusCancel, SimNikon_AutofocusCancel},
    {kNikonOpTerminateCapture, SimNikon_TerminateCapture},
    {kNikonOpStartLiveView, SimNikon_StartLiveView},
    {kNikonOpEndLiveView, SimNikon_EndLiveView},
    {kNikonOpGetLiveViewImage, SimNikon_GetLiveViewImage},
    {kNikonOpGetLiveViewImageEx, SimNikon_GetLiveViewImage},
    {kNikonOpChangeAfArea, SimNikon_ChangeAfArea},
    {kNikonOpStartMovie, SimNikon_StartMovie},
    {kNikonOpStopMovie, SimNikon_StopMovie},
};

void init(SimCameraState& cam) {
    auto state = std::make_shared<SimNikonState>();
    state->busy_after_shot_ms = SimNikon_Body(*cam.model).busy_after_shot_ms;
    cam.vendor_state = state;
}

// u16 count, then {u16 code, u32 parameter} per event. Bytes a test injected
// follow the entries; a batch of nothing but such bytes goes out alone, so a
// test can hand over a whole block of its own.
void encode_events(const SimCameraState&, const std::deque<SimEvent>& events, ByteWriter& out) {
    ByteWriter entries, raw;
    size_t count = 0;
    for (const SimEvent& e : events) {
        uint16_t code = 0;
        uint32_t param = 0;
        switch (e.kind) {
        case SimEvent_ObjectAdded: code = kEventObjectAdded, param = e.handle; break;
        case SimEvent_ObjectRemoved: code = kEventObjectRemoved, param = e.handle; break;
        case SimEvent_PropertyChanged: code = kEventDevicePropChanged, param = e.code; break;
        case SimEvent_Raw: write_bytes(raw, e.raw.data(), e.raw.size()); continue;
        case SimEvent_AllowedValues:
        case SimEvent_CameraBusy: continue; // Canon reports only
        }
        if (count == kMaxEntries) continue;
        write_u16(entries, code);
        write_u32(entries, param);
        ++count;
    }
    if (count > 0 || raw.buf.empty()) {
        write_u16(out, uint16_t(count));
        write_bytes(out, entries.buf.data(), entries.buf.size());
    }
    write_bytes(out, raw.buf.data(), raw.buf.size());
}

} // namespace

const SimVendorHooks kSimNikonHooks = {
    .init = init,
    .ops = SimOps(kNikonOps),
    .encode_events = encode_events,
    .shoot = SimNikon_ShootOnBody,
};

SimNikonState& SimNikon_State(SimCameraState& cam) {
    return *static_cast<SimNikonState*>(cam.vendor_state.get());
}

const SimNikonState& SimNikon_State(const SimCameraState& cam) {
    return *static_cast<const SimNikonState*>(cam.vendor_state.get());
}

uint16_t SimNikon_PropertyDescriptions(SimHub* hub, const uint8_t* payload, size_t n,
                                       ByteWriter& data) {
    SimCameraState& cam = hub->camera;
    if (cam.model->vendor != SimVendor_Nikon) return kRelayUnknownRequest;
    ByteReader r = make_reader(payload, n);
    while (bytes_left(r) >= 4) {
        uint32_t code = read_u32(r);
        if (code > 0xFFFF || SimProperties_Find(cam, uint16_t(code)) < 0) continue;
        SimPtpCommand cmd;
        cmd.op = kPtpOpGetDevicePropDesc;
        cmd.params[0] = code;
        cmd.param_count = 1;
        SimPtpAnswer desc;
        SimProperties_GetDesc(cam, cmd, &desc);
        if (desc.code != kPtpRespOk) continue;
        write_u32(data, uint32_t(desc.data.size()));
        write_bytes(data, desc.data.data(), desc.data.size());
    }
    return kPtpRespOk;
}
