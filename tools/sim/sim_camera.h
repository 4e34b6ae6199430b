// The emulated camera: its facts (one static row per model, sim_models.cpp, with
// its device properties in sim_model_properties.cpp and, for Canon models,
// sim_canon_properties.cpp) and its mutable state (property values, the card,
// pending events). The PTP operations it answers are a dispatch table
// (sim_camera.cpp) whose handlers live in sim_properties.cpp, sim_storage.cpp
// and the sim_canon*.cpp files. Internal to the sim; callers hold the hub lock
// around every function here.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
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

// Device properties ------------------------------------------------------------

// PTP data type codes the sim describes properties with.
constexpr uint16_t kPtpTypeInt8 = 0x0001;
constexpr uint16_t kPtpTypeUint8 = 0x0002;
constexpr uint16_t kPtpTypeInt16 = 0x0003;
constexpr uint16_t kPtpTypeUint16 = 0x0004;
constexpr uint16_t kPtpTypeInt32 = 0x0005;
constexpr uint16_t kPtpTypeUint32 = 0x0006;
constexpr uint16_t kPtpTypeStr = 0xFFFF;

// The form flag of a DevicePropDesc.
enum SimPropForm : uint8_t {
    SimForm_None = 0,
    SimForm_Range = 1,
    SimForm_Enum = 2,
};

struct SimValueList {
    const int64_t* values;
    size_t count;
};

struct SimTextList {
    const char* const* texts;
    size_t count;
};

template <size_t N> constexpr SimValueList SimValues(const int64_t (&values)[N]) {
    return SimValueList{values, N};
}

template <size_t N> constexpr SimTextList SimTexts(const char* const (&texts)[N]) {
    return SimTextList{texts, N};
}

// How a property shows itself besides its description (bits of `flags`).
enum SimPropertyFlag : uint8_t {
    // Not named in the DeviceInfo's DevicePropertiesSupported, although the
    // camera reports its value (some Canon bodies do this with their focus mode).
    SimPropFlag_Unlisted = 1,
    // Canon event data carries its value but never a list of allowed values.
    SimPropFlag_ValueOnly = 2,
};

// One device property as the camera describes it. Numbers are written as the
// values they stand for (-333 for a third of a stop down); they go on the wire
// cut to the width of the type. STR properties use the *_text fields and, for
// an enumeration, `texts`. Canon image formats (0xD120..0xD123) are UINT32
// rows holding packed codes; the Canon encodings expand them.
struct SimPropertyFacts {
    uint16_t code;
    uint16_t type;
    uint8_t getset; // 0 read-only, 1 read/write
    SimPropForm form;
    int64_t factory;
    int64_t current;
    const char* factory_text;
    const char* current_text;
    int64_t min, max, step; // range form
    SimValueList values;    // enumeration of a numeric type
    SimTextList texts;      // enumeration of a STR type
    uint8_t flags;          // SimPropertyFlag bits
};

struct SimPropertyTable {
    const SimPropertyFacts* rows;
    size_t count;
};

// Everything the sim knows about one camera model. The DeviceInfo data set is
// built from these fields in data-set order; its DevicePropertiesSupported is
// the codes of the property tables (the vendor's shared `properties`, then the
// model's own `model_properties`; a code appears in one of them only) followed
// by `vendor_properties`, the vendor codes listed but not described yet
// (GetDevicePropDesc refuses them).
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
    const SimPropertyTable* properties;
    SimCodeList vendor_properties;
    SimCodeList capture_formats;
    SimCodeList image_formats;
    const char* manufacturer;
    const char* model;
    const char* device_version;
    const char* serial_number;
    const char* hub_model_text; // what the hub reports for control code 215
    // The card in the first slot.
    const char* file_name_format;  // printf format of picture names, one unsigned: the number
    uint64_t card_capacity;        // bytes
    uint32_t typical_picture_size; // bytes, for the free-space-in-images estimate
    const char* storage_description;
    const char* volume_label;
    // The model's own properties (Canon: the vendor properties its event data
    // reports), or null.
    const SimPropertyTable* model_properties;
    // printf format of RAW file names (one unsigned: the picture number), or
    // null when the camera writes no RAW files.
    const char* raw_name_format;
    // Canon: the record type that announces a new object in the event data
    // (0xC181, 0xC1A7 or 0xC1B6); 0 for other vendors.
    uint16_t object_added_record;
};

// The row whose key matches, or null.
const SimCameraModel* SimModels_Find(const char* key);

// The camera's mutable state -------------------------------------------------------

// A device property's live value: numeric types hold the wire bits (cut to the
// type's width, zero-extended); STR types hold the text.
struct SimPropertyState {
    const SimPropertyFacts* facts = nullptr; // the row it follows
    uint32_t bits = 0;
    std::string text;
    uint8_t getset = 0;
};

// A run of bytes inside an immutable buffer that may outlive the object it came
// from: a reply being sent keeps its owner alive while the object is deleted.
struct SimSlice {
    std::shared_ptr<const std::vector<uint8_t>> owner;
    size_t offset = 0;
    size_t len = 0;
};

// A picture (or any file) on the card.
struct SimObject {
    uint32_t handle = 0;
    std::string name;
    std::string source; // the file it was read from; empty when added by a test
    uint16_t format = 0;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    SimSlice thumb; // inside bytes (an EXIF thumbnail), or the sim's own small JPEG
    uint16_t thumb_format = 0;
    uint32_t thumb_width = 0, thumb_height = 0;
    uint32_t width = 0, height = 0, bit_depth = 0;
    uint32_t orientation = 0; // EXIF orientation of a JPEG; 0 when it has none
    std::string capture_date;
};

// Something the camera reports on control code 130, kept as a fact until it is
// taken so that each vendor's encoding can frame a whole batch.
enum SimEventKind : uint8_t {
    SimEvent_ObjectAdded,
    SimEvent_ObjectRemoved,
    SimEvent_PropertyChanged,
    SimEvent_Raw,           // bytes injected by a test, passed on as they are
    SimEvent_AllowedValues, // the allowed values of `code` (Canon only; others skip it)
    SimEvent_CameraBusy,    // `value` 1 while a shot is being stored, 0 after (Canon only)
};

struct SimEvent {
    SimEventKind kind = SimEvent_Raw;
    uint32_t handle = 0; // objects
    uint32_t size = 0;   // ObjectAdded: the object's size (cut to 32 bits)
    std::string name;    // ObjectAdded: the file name
    uint16_t format = 0; // ObjectAdded: the object format
    uint16_t code = 0;   // PropertyChanged, AllowedValues: the property
    uint32_t value = 0;  // PropertyChanged: the new value (STR: its index in the list)
    std::string text;    // PropertyChanged of a STR property: the new text
    uint8_t getset = 0;  // PropertyChanged: whether it is writable now
    std::vector<uint8_t> raw;
};

// What a Canon camera keeps between operations: its remote and event modes,
// the shutter button, mirror lock-up and the storing of the last shot, and
// what tests read back through SimHub_CanonStats.
struct SimCanonState {
    using Clock = std::chrono::steady_clock;
    Clock::time_point started; // the hub's start: times in the history count from here

    uint32_t remote_mode = 0; // last parameter of 0x9114
    uint32_t event_mode = 0;  // last parameter of 0x9115
    uint32_t reports = 0;     // full reports queued
    bool half_pressed = false;
    bool full_pressed = false;
    bool bulb_open = false;     // a bulb exposure runs until the button is let go
    Clock::time_point bulb_opened; // when the running bulb exposure began
    uint32_t last_bulb_ms = 0;     // how long the last finished bulb exposure lasted
    bool mirror_raised = false; // mirror lock-up: the last release only raised it
    bool movie_mode = false;

    uint32_t busy_after_shot_ms = 300;
    Clock::time_point busy_until; // operations answer Device Busy before this
    bool busy_reported = false;   // busy 1 went out in the event data; busy 0 is owed

    bool press_refused = false;    // test hook: presses answer parameter 1
    uint16_t object_record = 0;    // test hook: overrides the model's record type
    uint32_t next_file_number = 1; // the number in the next picture's name
    uint32_t next_source = 0;      // which capture picture the next JPEG copies

    uint32_t pictures = 0;
    std::vector<uint32_t> release_millis;
    std::vector<uint32_t> busy_millis;
    uint32_t writes = 0;
    uint16_t last_written_code = 0;
    uint32_t last_written_value = 0;
    std::vector<uint32_t> lens_drives;
    // Focus position in lens steps, 0 (nearest) to kSimLensTravel (infinity,
    // sim_hub.h); it starts in the middle.
    int32_t lens_position = 500;
    uint32_t zoom = 0, zoom_x = 0, zoom_y = 0;

    // Live view (sim_canon_live_view.cpp).
    bool lv_yuv = false;         // test hook: frames are uncompressed YUV frames
    uint32_t lv_orientation = 0; // test hook: the orientation code the frames report
    uint32_t lv_frame_bytes = 0; // test hook: JPEG frames are padded to this size
    uint32_t lv_frames = 0;      // frames sent
};

struct SimCameraState {
    const SimCameraModel* model = nullptr;
    std::vector<uint8_t> device_info_override; // used as given when not empty
    bool attached = true;
    bool session_open = true; // the hub opens the session on its side of the link

    // One per row of model->properties, then one per row of model->model_properties.
    std::vector<SimPropertyState> properties;
    std::vector<SimObject> objects; // on the card, oldest first
    uint32_t next_handle = 1;       // handles are never reused
    std::deque<SimEvent> events;    // pending, taken whole by control code 130
    uint32_t events_raised = 0;
    uint32_t events_dropped = 0;

    // What new pictures are made of: copies of these JPEG files in turn, and
    // the RAW file for models that write one (never null for them).
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> capture_pictures;
    std::shared_ptr<const std::vector<uint8_t>> capture_raw;

    SimCanonState canon;
};

// Sets up the state of a fresh camera of this model: factory property values
// and an empty card.
void SimCamera_Init(SimCameraState& cam, const SimCameraModel* model);

struct SimPtpCommand {
    uint16_t op = 0;
    uint32_t transaction_id = 0;
    uint32_t params[5] = {}; // parameters not sent read as 0
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
    SimSlice bulk; // when it has an owner, the data phase is this slice and `data` is unused
};

// Runs one command against the camera. Unknown operations, and operations the
// model does not list, answer 0x2005 Operation Not Supported.
void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// Lets time-driven state catch up (a Canon camera that has finished storing a
// shot reports that it is no longer busy). Called before every command and
// before the pending events are taken.
void SimCamera_Tick(SimCameraState& cam);

// The DeviceInfo data set of a model, PTP standard layout.
std::vector<uint8_t> SimCamera_BuildDeviceInfo(const SimCameraModel& model);
