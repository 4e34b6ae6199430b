// PTP operations of the emulated camera: the standard ones here, one row per
// operation, then the rows of the camera's vendor (its row of hooks,
// sim_vendor.h), whose own state and time-driven changes are reached through
// the same row. Property and storage operations are implemented in
// sim_properties.cpp and sim_storage.cpp.
#include "sim_camera.h"

#include "sim_properties.h"
#include "sim_storage.h"
#include "sim_vendor.h"

#include "comms/bytes.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr uint16_t kPtpOpGetDeviceInfo = 0x1001;
constexpr uint16_t kPtpOpOpenSession = 0x1002;
constexpr uint16_t kPtpOpCloseSession = 0x1003;
constexpr uint16_t kPtpOpGetStorageIDs = 0x1004;
constexpr uint16_t kPtpOpGetStorageInfo = 0x1005;
constexpr uint16_t kPtpOpGetNumObjects = 0x1006;
constexpr uint16_t kPtpOpGetObjectHandles = 0x1007;
constexpr uint16_t kPtpOpGetObjectInfo = 0x1008;
constexpr uint16_t kPtpOpGetObject = 0x1009;
constexpr uint16_t kPtpOpGetThumb = 0x100A;
constexpr uint16_t kPtpOpDeleteObject = 0x100B;
constexpr uint16_t kPtpOpGetDevicePropDesc = 0x1014;
constexpr uint16_t kPtpOpGetDevicePropValue = 0x1015;
constexpr uint16_t kPtpOpSetDevicePropValue = 0x1016;
constexpr uint16_t kPtpOpGetPartialObject = 0x101B;

void op_get_device_info(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimCamera_AnswerData(answer, cam.device_info_override.empty()
                                     ? SimCamera_BuildDeviceInfo(*cam.model)
                                     : cam.device_info_override);
}

// The hub keeps the session open on its side; both calls are accepted as
// no-ops so a client that sends them anyway sees success.
void op_open_session(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    cam.session_open = true;
    answer->code = kPtpRespOk;
}

void op_close_session(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    answer->code = kPtpRespOk;
}

const SimOpRow kStandardOps[] = {
    {kPtpOpGetDeviceInfo, op_get_device_info},
    {kPtpOpOpenSession, op_open_session},
    {kPtpOpCloseSession, op_close_session},
    {kPtpOpGetStorageIDs, SimStorage_GetStorageIds},
    {kPtpOpGetStorageInfo, SimStorage_GetStorageInfo},
    {kPtpOpGetNumObjects, SimStorage_GetNumObjects},
    {kPtpOpGetObjectHandles, SimStorage_GetObjectHandles},
    {kPtpOpGetObjectInfo, SimStorage_GetObjectInfo},
    {kPtpOpGetObject, SimStorage_GetObject},
    {kPtpOpGetThumb, SimStorage_GetThumb},
    {kPtpOpDeleteObject, SimStorage_DeleteObject},
    {kPtpOpGetDevicePropDesc, SimProperties_GetDesc},
    {kPtpOpGetDevicePropValue, SimProperties_GetValue},
    {kPtpOpSetDevicePropValue, SimProperties_SetValue},
    {kPtpOpGetPartialObject, SimStorage_GetPartialObject},
};

// A camera of a vendor without a row: standard operations and events only.
const SimVendorHooks kPlainHooks = {};

// The one place the sim chooses by vendor: each vendor's row lives in its own
// sim files, so a vendor's camera grows there without a change here.
const SimVendorHooks* hooks_for(SimVendor vendor) {
    switch (vendor) {
    case SimVendor_Canon: return &kSimCanonHooks;
    case SimVendor_Nikon: return &kSimNikonHooks;
    case SimVendor_Sony: return &kSimSonyHooks;
    case SimVendor_Fujifilm: return &kSimFujifilmHooks;
    }
    return &kPlainHooks;
}

bool listed(const SimCodeList& list, uint16_t code) {
    for (size_t i = 0; i < list.count; ++i)
        if (list.codes[i] == code) return true;
    return false;
}

void write_code_list(ByteWriter& w, const SimCodeList& list) {
    write_u32(w, uint32_t(list.count));
    for (size_t i = 0; i < list.count; ++i)
        write_u16(w, list.codes[i]);
}

// DevicePropertiesSupported: the described properties (but those the model
// leaves unlisted), then the vendor codes that are only listed (a code in both
// appears once).
void write_property_list(ByteWriter& w, const SimCameraModel& m) {
    std::vector<uint16_t> described, listed_codes;
    for (const SimPropertyTable* table : {m.properties, m.model_properties}) {
        for (size_t i = 0; table && i < table->count; ++i) {
            const SimPropertyFacts& row = table->rows[i];
            described.push_back(row.code);
            if (!(row.flags & SimPropFlag_Unlisted)) listed_codes.push_back(row.code);
        }
    }
    for (size_t i = 0; i < m.vendor_properties.count; ++i) {
        uint16_t code = m.vendor_properties.codes[i];
        if (!listed(SimCodeList{described.data(), described.size()}, code))
            listed_codes.push_back(code);
    }
    write_code_list(w, SimCodeList{listed_codes.data(), listed_codes.size()});
}

} // namespace

void SimCamera_Init(SimCameraState& cam, const SimCameraModel* model) {
    cam.model = model;
    SimProperties_Reset(cam);
    cam.objects.clear();
    cam.next_handle = 1;
    cam.events.clear();
    cam.next_file_number = 1;
    cam.next_source = 0;
    cam.vendor = hooks_for(model->vendor);
    cam.vendor_state.reset();
    if (cam.vendor->init) cam.vendor->init(cam);
}

void SimCamera_Tick(SimCameraState& cam) {
    if (cam.vendor->tick) cam.vendor->tick(cam);
    if (cam.shoot_every.count() <= 0 || !cam.vendor->shoot) return;
    // One shot per tick at most: a host that has not asked for a while finds
    // one new picture, not a burst of the ones missed.
    const auto now = std::chrono::steady_clock::now();
    if (now < cam.next_own_shot) return;
    cam.next_own_shot = now + cam.shoot_every;
    cam.vendor->shoot(cam);
}

void SimCamera_PaceLiveView(SimCameraState& cam) {
    if (!cam.live_view_paced) return;
    const auto frame = std::chrono::microseconds(1000000 / kSimLiveViewFramesPerSecond);
    const auto now = std::chrono::steady_clock::now();
    if (now < cam.next_live_view_frame) std::this_thread::sleep_until(cam.next_live_view_frame);
    cam.next_live_view_frame = std::max(now, cam.next_live_view_frame) + frame;
}

void SimCamera_AnswerData(SimPtpAnswer* answer, std::vector<uint8_t> data) {
    answer->has_data = true;
    answer->data = std::move(data);
    answer->code = kPtpRespOk;
}

void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    *answer = SimPtpAnswer{};
    answer->code = kPtpRespOperationNotSupported;
    SimCamera_Tick(cam);
    // A camera answers the session and device-info operations whatever it lists.
    bool always = cmd.op == kPtpOpGetDeviceInfo || cmd.op == kPtpOpOpenSession ||
                  cmd.op == kPtpOpCloseSession;
    if (!always && !listed(cam.model->operations, cmd.op)) return;
    if (cam.vendor->screen && cam.vendor->screen(cam, cmd, answer)) return;
    for (const SimOpTable& table : {SimOps(kStandardOps), cam.vendor->ops}) {
        for (size_t i = 0; i < table.count; ++i) {
            if (table.rows[i].op != cmd.op) continue;
            table.rows[i].handler(cam, cmd, answer);
            return;
        }
    }
}

std::vector<uint8_t> SimCamera_BuildDeviceInfo(const SimCameraModel& m) {
    ByteWriter w;
    write_u16(w, m.standard_version);
    write_u32(w, m.vendor_extension_id);
    write_u16(w, m.vendor_extension_version);
    write_ptp_string(w, m.vendor_extension_desc);
    write_u16(w, m.functional_mode);
    write_code_list(w, m.operations);
    write_code_list(w, m.events);
    write_property_list(w, m);
    write_code_list(w, m.capture_formats);
    write_code_list(w, m.image_formats);
    write_ptp_string(w, m.manufacturer);
    write_ptp_string(w, m.model);
    write_ptp_string(w, m.device_version);
    write_ptp_string(w, m.serial_number);
    return std::move(w.buf);
}
