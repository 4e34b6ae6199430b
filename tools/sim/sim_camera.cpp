// PTP operations of the emulated camera. One row per operation; a vendor
// operation names its vendor because the makers reuse the same codes
// (0x9207 is a different operation on a Nikon and on a Sony).
#include "sim_camera.h"

#include "comms/bytes.h"

namespace {

constexpr uint16_t kPtpRespOk = 0x2001;
constexpr uint16_t kPtpRespOperationNotSupported = 0x2005;

constexpr uint16_t kPtpOpGetDeviceInfo = 0x1001;
constexpr uint16_t kPtpOpOpenSession = 0x1002;
constexpr uint16_t kPtpOpCloseSession = 0x1003;
constexpr uint16_t kPtpOpGetStorageIDs = 0x1004;
constexpr uint16_t kPtpOpGetNumObjects = 0x1006;

// The one storage the camera reports: the first card slot, physical store 1,
// logical store 1.
constexpr uint32_t kStorageIdCard1 = 0x00010001;

using SimOpHandler = void (*)(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

struct SimOpRow {
    uint16_t op;
    SimVendor vendor;
    SimOpHandler handler;
};

void op_get_device_info(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    answer->has_data = true;
    answer->data = cam.device_info_override.empty() ? SimCamera_BuildDeviceInfo(*cam.model)
                                                    : cam.device_info_override;
    answer->code = kPtpRespOk;
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

void op_get_storage_ids(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    ByteWriter w;
    write_u32(w, 1);
    write_u32(w, kStorageIdCard1);
    answer->has_data = true;
    answer->data = std::move(w.buf);
    answer->code = kPtpRespOk;
}

// The card is empty for now.
void op_get_num_objects(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    answer->code = kPtpRespOk;
    answer->params[0] = 0;
    answer->param_count = 1;
}

const SimOpRow kOps[] = {
    {kPtpOpGetDeviceInfo, SimVendor_Any, op_get_device_info},
    {kPtpOpOpenSession, SimVendor_Any, op_open_session},
    {kPtpOpCloseSession, SimVendor_Any, op_close_session},
    {kPtpOpGetStorageIDs, SimVendor_Any, op_get_storage_ids},
    {kPtpOpGetNumObjects, SimVendor_Any, op_get_num_objects},
};

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

} // namespace

void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    *answer = SimPtpAnswer{};
    answer->code = kPtpRespOperationNotSupported;
    // A camera answers the session and device-info operations whatever it lists.
    bool always = cmd.op == kPtpOpGetDeviceInfo || cmd.op == kPtpOpOpenSession ||
                  cmd.op == kPtpOpCloseSession;
    if (!always && !listed(cam.model->operations, cmd.op)) return;
    for (const SimOpRow& row : kOps) {
        if (row.op != cmd.op) continue;
        if (row.vendor != SimVendor_Any && row.vendor != cam.model->vendor) continue;
        row.handler(cam, cmd, answer);
        return;
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
    write_code_list(w, m.properties);
    write_code_list(w, m.capture_formats);
    write_code_list(w, m.image_formats);
    write_ptp_string(w, m.manufacturer);
    write_ptp_string(w, m.model);
    write_ptp_string(w, m.device_version);
    write_ptp_string(w, m.serial_number);
    return std::move(w.buf);
}
