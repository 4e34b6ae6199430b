// The emulated camera: its facts (one static row per model, sim_models.cpp, with
// its device properties in sim_model_properties.cpp and, for Canon models,
// sim_canon_properties.cpp) and its mutable state (property values, the card,
// pending events). The PTP operations it answers are a dispatch table
// (sim_camera.cpp) whose handlers live in sim_properties.cpp and
// sim_storage.cpp, followed by the vendor's own operations and state, reached
// through its row of hooks (sim_vendor.h). Internal to the sim; callers hold
// the hub lock around every function here.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum SimVendor : uint8_t {
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

// PTP response codes the camera and the hub answer with.
constexpr uint16_t kPtpRespOk = 0x2001;
constexpr uint16_t kPtpRespGeneralError = 0x2002;
constexpr uint16_t kPtpRespOperationNotSupported = 0x2005;
constexpr uint16_t kPtpRespInvalidStorageId = 0x2008;
constexpr uint16_t kPtpRespInvalidObjectHandle = 0x2009;
constexpr uint16_t kPtpRespDevicePropNotSupported = 0x200A;
constexpr uint16_t kPtpRespAccessDenied = 0x200F;
constexpr uint16_t kPtpRespDeviceBusy = 0x2019;
constexpr uint16_t kPtpRespInvalidParentObject = 0x201A;
constexpr uint16_t kPtpRespInvalidDevicePropFormat = 0x201B;
constexpr uint16_t kPtpRespInvalidDevicePropValue = 0x201C;
constexpr uint16_t kPtpRespInvalidParameter = 0x201D;

// The one storage the camera reports: the first card slot, physical store 1,
// logical store 1.
constexpr uint32_t kStorageIdCard1 = 0x00010001;

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
    // The sensor's picture size in pixels (largest JPEG), for the test card.
    uint32_t picture_width, picture_height;
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

struct SimVendorHooks;

struct SimCameraState {
    const SimCameraModel* model = nullptr;
    std::vector<uint8_t> device_info_override; // used as given when not empty
    bool attached = true;
    // The camera's USB link is gone (an unplug fault): PTP commands and the
    // camera's control codes are refused. Never undone while the hub runs.
    bool unplugged = false;
    bool session_open = true; // the hub opens the session on its side of the link

    // One per row of model->properties, then one per row of model->model_properties.
    std::vector<SimPropertyState> properties;
    std::vector<SimObject> objects; // on the card, oldest first
    uint32_t next_handle = 1;       // handles are never reused
    // Pending events, kept until every connected client has taken them: each
    // client (by id) reads from its own position in the sequence, of which
    // events_base numbers events.front(). event_reader is the client whose
    // request is being served (0: none, who then takes and clears them all).
    std::deque<SimEvent> events;
    uint64_t events_base = 0;
    std::map<uint32_t, uint64_t> event_readers;
    uint32_t event_reader = 0;
    uint32_t events_raised = 0;
    uint32_t events_dropped = 0;
    // Events raised since start (never reset), and the ordinals among them
    // that drop-event faults keep from being reported.
    uint64_t events_counted = 0;
    std::vector<uint64_t> drop_events;

    // What new pictures are made of: copies of these JPEG files in turn, and
    // the RAW file for models that write one (never null for them).
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> capture_pictures;
    std::shared_ptr<const std::vector<uint8_t>> capture_raw;
    uint32_t next_file_number = 1; // the number in the next picture's name
    uint32_t next_source = 0;      // which capture picture the next JPEG copies
    // New JPEGs are the camera's own test card (sim_test_card.h) rather than
    // copies of capture_pictures; the counter drawn on the last one.
    bool test_card = false;
    uint32_t test_card_shots = 0;

    // Live view runs at the camera's frame rate (SimCamera_PaceLiveView).
    bool live_view_paced = false;
    std::chrono::steady_clock::time_point next_live_view_frame;
    // The camera takes a picture on its own every shoot_every (zero: never),
    // the next one at next_own_shot.
    std::chrono::milliseconds shoot_every{0};
    std::chrono::steady_clock::time_point next_own_shot;

    // The vendor's row of hooks (never null once initialised) and its own
    // state, which only the vendor's sim files look into (null when it keeps
    // none).
    const SimVendorHooks* vendor = nullptr;
    std::shared_ptr<void> vendor_state;
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

// Answers OK with a data-in phase of these bytes.
void SimCamera_AnswerData(SimPtpAnswer* answer, std::vector<uint8_t> data);

// Runs one command against the camera. Unknown operations, and operations the
// model does not list, answer 0x2005 Operation Not Supported.
void SimCamera_Run(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);

// Lets the vendor's time-driven state catch up (a camera that has finished
// storing a shot reports that it is no longer busy) and takes the picture the
// camera is due to take on its own (shoot_every). Called before every command
// and before the pending events are taken.
void SimCamera_Tick(SimCameraState& cam);

// The live-view frame rate of every body.
constexpr uint32_t kSimLiveViewFramesPerSecond = 30;

// Called by each vendor before it sends a live-view frame. A camera's encoder
// finishes a frame every 1/30 s and the camera answers a frame request with
// the next finished frame, so a request sooner than 1/30 s after the previous
// frame waits for it (at most one frame time, holding the hub lock as the
// camera's one transaction pipe is held). Nothing when live_view_paced is off.
void SimCamera_PaceLiveView(SimCameraState& cam);

// The DeviceInfo data set of a model, PTP standard layout.
std::vector<uint8_t> SimCamera_BuildDeviceInfo(const SimCameraModel& model);
