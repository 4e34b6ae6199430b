// The emulated camera: its facts (one static row per model, sim_models.cpp) and
// the PTP operations it answers (a dispatch table, sim_camera.cpp). Internal to
// the sim; callers hold the hub lock around every function here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum SimVendor : uint8_t {
    SimVendor_Any, // op table rows only: a standard operation
    SimVendor_Canon,
    SimVendor_Nikon,
    SimVendor_Sony,
    SimVendor_Fujifilm,
};

struct SimCodeList {
    const uint16_t* codes;
    size_t count;
};

template <size_t N> constexpr SimCodeList SimCodes(const uint16_t (&codes)[N]) {
    return SimCodeList{codes, N};
}

// Everything the sim knows about one camera model. The DeviceInfo data set is
// built from these fields in data-set order.
struct SimCameraModel {
    const char* key; // the --camera name
    SimVendor vendor;
    uint16_t standard_version;
    uint32_t vendor_extension_id;
    uint16_t vendor_extension_version;
    const char* vendor_extension_desc;
    uint16_t functional_mode;
    SimCodeList operations;
    SimCodeList events;
    SimCodeList properties;
    SimCodeList capture_formats;
    SimCodeList image_formats;
    const char* manufacturer;
    const char* model;
    const char* device_version;
    const char* serial_number;
    const char* hub_model_text; // what the hub reports for control code 215
};

// The row whose key matches, or null.
const SimCameraModel* SimModels_Find(const char* key);

// The camera's mutable state. Guarded by the hub lock.
struct SimCameraState {
    const SimCameraModel* model = nullptr;
    std::vector<uint8_t> device_info_override; // used as given when not empty
    std::vector<uint8_t> pending_events;       // handed out by control code 130
    bool attached = true;
    bool session_open = true; // the hub opens the session on its side of the link
};

struct SimPtpCommand {
    uint16_t op = 0;
    uint32_t transaction_id = 0;
    uint32_t params[5] = {};
    uint32_t param_count = 0;
    const uint8_t* data = nullptr; // data-out phase, borrowed; null when absent
    size_t data_len = 0;
};

struct SimPtpAnswer {
    uint16_t code = 0;
    uint32_t params[5] = {};
    uint32_t param_count = 0;
    bool has_data = false; // a data-in phase precedes the response
    std::vector<uint8_t> data;
};

// Runs one command against the camera. Unknown operations, and operations the
// model does not list, answer 0x2005 Operation Not Supported.
void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// The DeviceInfo data set of a model, PTP standard layout.
std::vector<uint8_t> SimCamera_BuildDeviceInfo(const SimCameraModel& model);
