// PTP operations of the emulated camera. One row per operation; a vendor
// operation names its vendor because the makers reuse the same codes
// (0x9207 is a different operation on a Nikon and on a Sony). Property and
// storage operations are implemented in sim_properties.cpp and sim_storage.cpp,
// Canon's in the sim_canon*.cpp files.
#include "sim_camera.h"

#include "sim_canon.h"
#include "sim_properties.h"
#include "sim_storage.h"

#include "comms/bytes.h"

namespace {

constexpr uint16_t kPtpRespOk = 0x2001;
constexpr uint16_t kPtpRespOperationNotSupported = 0x2005;

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

constexpr uint16_t kCanonOpGetStorageIds = 0x9101;
constexpr uint16_t kCanonOpGetObjectInfoEx = 0x9109;
constexpr uint16_t kCanonOpGetThumbEx = 0x910A;
constexpr uint16_t kCanonOpRemoteRelease = 0x910F;
constexpr uint16_t kCanonOpSetDevicePropValueEx = 0x9110;
constexpr uint16_t kCanonOpSetRemoteMode = 0x9114;
constexpr uint16_t kCanonOpSetEventMode = 0x9115;
constexpr uint16_t kCanonOpGetEvent = 0x9116;
constexpr uint16_t kCanonOpKeepDeviceOn = 0x911D;
constexpr uint16_t kCanonOpBulbStart = 0x9125;
constexpr uint16_t kCanonOpBulbEnd = 0x9126;
constexpr uint16_t kCanonOpRequestDevicePropValue = 0x9127;
constexpr uint16_t kCanonOpRemoteReleaseOn = 0x9128;
constexpr uint16_t kCanonOpRemoteReleaseOff = 0x9129;
constexpr uint16_t kCanonOpGetPartialObjectEx = 0x912C;
constexpr uint16_t kCanonOpMovieSelectOn = 0x9133;
constexpr uint16_t kCanonOpMovieSelectOff = 0x9134;
constexpr uint16_t kCanonOpGetViewFinderData = 0x9153;
constexpr uint16_t kCanonOpDoAf = 0x9154;
constexpr uint16_t kCanonOpDriveLens = 0x9155;
constexpr uint16_t kCanonOpZoom = 0x9158;
constexpr uint16_t kCanonOpZoomPosition = 0x9159;
constexpr uint16_t kCanonOpAfCancel = 0x9160;
constexpr uint16_t kCanonOpGetObjectInfo64 = 0x9170;
constexpr uint16_t kCanonOpGetPartialObject64 = 0x9172;

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

const SimOpRow kOps[] = {
    {kPtpOpGetDeviceInfo, SimVendor_Any, op_get_device_info},
    {kPtpOpOpenSession, SimVendor_Any, op_open_session},
    {kPtpOpCloseSession, SimVendor_Any, op_close_session},
    {kPtpOpGetStorageIDs, SimVendor_Any, SimStorage_GetStorageIds},
    {kPtpOpGetStorageInfo, SimVendor_Any, SimStorage_GetStorageInfo},
    {kPtpOpGetNumObjects, SimVendor_Any, SimStorage_GetNumObjects},
    {kPtpOpGetObjectHandles, SimVendor_Any, SimStorage_GetObjectHandles},
    {kPtpOpGetObjectInfo, SimVendor_Any, SimStorage_GetObjectInfo},
    {kPtpOpGetObject, SimVendor_Any, SimStorage_GetObject},
    {kPtpOpGetThumb, SimVendor_Any, SimStorage_GetThumb},
    {kPtpOpDeleteObject, SimVendor_Any, SimStorage_DeleteObject},
    {kPtpOpGetDevicePropDesc, SimVendor_Any, SimProperties_GetDesc},
    {kPtpOpGetDevicePropValue, SimVendor_Any, SimProperties_GetValue},
    {kPtpOpSetDevicePropValue, SimVendor_Any, SimProperties_SetValue},
    {kPtpOpGetPartialObject, SimVendor_Any, SimStorage_GetPartialObject},

    {kCanonOpGetStorageIds, SimVendor_Canon, SimCanon_GetStorageIds},
    {kCanonOpGetObjectInfoEx, SimVendor_Canon, SimCanon_ListObjects},
    {kCanonOpGetThumbEx, SimVendor_Canon, SimCanon_GetThumbnail},
    {kCanonOpRemoteRelease, SimVendor_Canon, SimCanon_RemoteRelease},
    {kCanonOpSetDevicePropValueEx, SimVendor_Canon, SimCanon_SetPropertyValue},
    {kCanonOpSetRemoteMode, SimVendor_Canon, SimCanon_SetRemoteMode},
    {kCanonOpSetEventMode, SimVendor_Canon, SimCanon_SetEventMode},
    {kCanonOpGetEvent, SimVendor_Canon, SimCanon_GetEvent},
    {kCanonOpKeepDeviceOn, SimVendor_Canon, SimCanon_KeepDeviceOn},
    {kCanonOpBulbStart, SimVendor_Canon, SimCanon_BulbStart},
    {kCanonOpBulbEnd, SimVendor_Canon, SimCanon_BulbEnd},
    {kCanonOpRequestDevicePropValue, SimVendor_Canon, SimCanon_RequestPropertyValue},
    {kCanonOpRemoteReleaseOn, SimVendor_Canon, SimCanon_RemoteReleaseOn},
    {kCanonOpRemoteReleaseOff, SimVendor_Canon, SimCanon_RemoteReleaseOff},
    {kCanonOpGetPartialObjectEx, SimVendor_Canon, SimCanon_GetPartialObject},
    {kCanonOpMovieSelectOn, SimVendor_Canon, SimCanon_MovieSelectOn},
    {kCanonOpMovieSelectOff, SimVendor_Canon, SimCanon_MovieSelectOff},
    {kCanonOpGetViewFinderData, SimVendor_Canon, SimCanon_GetViewFinderData},
    {kCanonOpDoAf, SimVendor_Canon, SimCanon_DoAf},
    {kCanonOpDriveLens, SimVendor_Canon, SimCanon_DriveLens},
    {kCanonOpZoom, SimVendor_Canon, SimCanon_Zoom},
    {kCanonOpZoomPosition, SimVendor_Canon, SimCanon_ZoomPosition},
    {kCanonOpAfCancel, SimVendor_Canon, SimCanon_AfCancel},
    {kCanonOpGetObjectInfo64, SimVendor_Canon, SimCanon_ListOrDescribe},
    {kCanonOpGetPartialObject64, SimVendor_Canon, SimCanon_GetPartialObject},
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

// DevicePropertiesSupported: the described properties (but those the model
// leaves unlisted), then the vendor codes that are only listed (a code in both
// appears once).
void write_property_list(ByteWriter& w, const SimCameraModel& m) {
    std::vector<uint16_t> codes;
    for (const SimPropertyTable* table : {m.properties, m.model_properties}) {
        if (!table) continue;
        for (size_t i = 0; i < table->count; ++i)
            codes.push_back(table->rows[i].code);
    }
    std::vector<uint16_t> listed_codes;
    for (const SimPropertyTable* table : {m.properties, m.model_properties}) {
        if (!table) continue;
        for (size_t i = 0; i < table->count; ++i)
            if (!(table->rows[i].flags & SimPropFlag_Unlisted))
                listed_codes.push_back(table->rows[i].code);
    }
    for (size_t i = 0; i < m.vendor_properties.count; ++i) {
        uint16_t code = m.vendor_properties.codes[i];
        bool described = false;
        for (uint16_t c : codes)
            described = described || c == code;
        if (!described) listed_codes.push_back(code);
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
    SimCanon_Init(cam);
}

void SimCamera_Tick(SimCameraState& cam) {
    if (cam.model->vendor == SimVendor_Canon) SimCanon_Tick(cam);
}

void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    *answer = SimPtpAnswer{};
    answer->code = kPtpRespOperationNotSupported;
    SimCamera_Tick(cam);
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
    write_property_list(w, m);
    write_code_list(w, m.capture_formats);
    write_code_list(w, m.image_formats);
    write_ptp_string(w, m.manufacturer);
    write_ptp_string(w, m.model);
    write_ptp_string(w, m.device_version);
    write_ptp_string(w, m.serial_number);
    return std::move(w.buf);
}
