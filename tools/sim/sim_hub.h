// The virtual Tetherhub: a TCP server on loopback that speaks the relay protocol
// and emulates the hub and one camera behind it. Integration tests start it
// in-process on port 0; the tetherhub-sim binary serves it standalone.
//
// The camera is a row of facts (sim_models.cpp); its PTP operations are a table
// (sim_camera.cpp) and its vendor's own (sim_vendor.h). Faults are scripted
// ahead of the requests they hit, so every run of a test sees the same
// exchange. The calls that steer one vendor's cameras are in a header of their
// own (sim_canon_hooks.h).
//
// Threads: one accept thread and one thread per client. Every function here may
// be called from any thread while the hub runs; none may be called after
// SimHub_Stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SimHub;

struct SimOptions {
    // canon (EOS 5D Mark IV) | canon-90d | canon-r | canon-r5 | nikon | sony | fuji
    const char* camera = "canon";
    uint16_t port = 0;              // 0: an ephemeral port, read back with SimHub_Port
    const char* bind = "127.0.0.1"; // numeric IPv4 address
    // The pictures on the card at start: the *.jpg files of this directory (any
    // case), in name order, named as the camera names its pictures (IMG_0001.JPG
    // on a Canon, DSC_0001.JPG Nikon, DSC00001.JPG Sony, DSCF0001.JPG Fujifilm).
    // Null means the build's sample pictures (SimHub_DefaultPictures). A missing
    // directory, or one without JPEG files, gives one small JPEG of the sim's own.
    // New pictures a camera takes are copies of these files in turn (unless it
    // makes its own test card, see small_pictures), and its RAW files copies
    // of the directory's first file of the model's RAW format (*.cr2 or *.cr3;
    // else the build's sample of it, else a stand-in).
    const char* pictures = nullptr;
    bool empty_card = false; // start with no objects at all (pictures only feed new shots)
    // The hub's own SD card: an existing directory, used as it is and left in
    // place. Null: a private temporary directory that the hub makes, seeds
    // with the JPEG pictures above (under their own file names) and removes
    // with everything in it at SimHub_Stop.
    const char* sd_card_dir = nullptr;
    // New JPEG shots: false (with `pictures` null) makes them the camera's own
    // test card at its full pixel size with EXIF naming it (sim_test_card.h;
    // the first costs up to a second or two to encode, later ones a copy);
    // true keeps them copies of the small sample pictures, for tests where the
    // size does not matter. A `pictures` directory given is always copied.
    bool small_pictures = false;
    // Live-view frames at the camera's rate, about 30 a second (a request
    // sooner waits for the next frame); false answers at once, for tests and
    // benchmarks.
    bool paced_live_view = true;
    // The camera takes a picture on its own every this many seconds, as a
    // photographer pressing the shutter would, announced with the vendor's
    // object-added event (0: never). Time runs while the host talks to it: the
    // picture is taken on the first request after it is due.
    double shoot_every_seconds = 0;
};

// Starts listening and serving. Returns null when the camera name is unknown,
// the bind address is not a numeric IPv4 address, or the socket cannot be
// bound (SimHub_StartError tells which). The hub belongs to the caller, who
// ends it with SimHub_Stop.
SimHub* SimHub_Start(const SimOptions& options);

// Why the calling thread's last SimHub_Start returned null: a line fit to
// print ("unknown camera 'x'", "port 5000 on 127.0.0.1 is in use" ...); empty
// after a start that succeeded.
std::string SimHub_StartError();

// The port the hub listens on (the one chosen by the system when 0 was asked).
uint16_t SimHub_Port(const SimHub* hub);

// Closes the listener and every client connection, joins all threads and frees
// the hub. Null is ignored. Must not be called from a hub thread.
void SimHub_Stop(SimHub* hub);

// Changes SimOptions::shoot_every_seconds of a running hub (0: never); the
// next picture is due that long from now.
void SimHub_SetShootEvery(SimHub* hub, double seconds);

// Scripted faults. Each fault waits in a queue until a request it applies to
// arrives, hits `count` such requests (0 counts as 1), then leaves the queue.
// Queued faults of the same kind are used one after the other; faults of
// different kinds may hit the same request. Per request the order is: Stall,
// then CloseConnection, then RawReply or ShortHeader (which replace the whole
// reply, RawReply first), else the PTP faults; OobBeforeReply goes in front of
// whatever reply is sent.
enum SimFaultKind : int {
    SimFault_CloseConnection,   // any request: close the client socket without replying
    SimFault_Stall,             // any request: wait `millis` before replying
    SimFault_ShortHeader,       // any request: the reply is only a 5-byte header of type 13
                                // announcing `value` bytes (meant for values below 5)
    SimFault_Busy,              // PTP commands: answer with response `value` (0 means
                                // 0x2019 Device Busy; 0xA102 is the vendor busy code) and
                                // no data; the command has no effect on the camera
    SimFault_NoResponse,        // PTP commands: send the data container as usual, then in
                                // place of the response container a control reply (type 13)
                                // whose result is 0
    SimFault_NoResponseForData, // data-in PTP commands that succeed: the whole answer is one
                                // control reply whose result is 0 (no data, no response)
    SimFault_OobBeforeReply,    // any request that gets a reply: send an out-of-band notice
                                // of type `value` (0 means 16) before it; the body is
                                // `bytes`, or the 4 bytes "oob\0" when empty
    SimFault_RawReply,          // any request: the reply is exactly `bytes`
};

struct SimFault {
    SimFaultKind kind = SimFault_CloseConnection;
    uint32_t count = 1;
    uint32_t value = 0;
    uint32_t millis = 0;
    std::vector<uint8_t> bytes;
};

// Queues a fault (copied) for upcoming requests on any client.
void SimHub_InjectFault(SimHub* hub, const SimFault& fault);

// Drops every fault still queued.
void SimHub_ClearFaults(SimHub* hub);

// Faults by name (tetherhub-sim --fault KIND[:ARG]) ----------------------------
//
// Standing misbehaviour for host developers' scripts, in the same order every
// run (garbage comes from a fixed seed). Given more than once, busy and garbage
// counts add up, each drop-event drops its event, and for the others the later
// value wins.
//   close:N         every connection is cut once it has been sent N bytes of
//                   replies; the reply that crosses N stops after its Nth byte
//   stall:MS        every reply waits MS milliseconds (1..600000) before it goes out
//   trickle:RATE    every reply goes out in small pieces at RATE bytes per second
//                   (out-of-band and shared messages to that client wait for it)
//   garbage[:N]     the next N replies (default 1) are replaced by a type-10
//                   message of 12 to 75 random bytes (no valid container)
//   busy:N          the next N PTP commands are answered 0x2019 Device Busy
//                   without reaching the camera
//   unplug:SECONDS  SECONDS after the fault is set (0: at once) the camera is gone
//                   for good: control 16 reports no camera, and PTP commands and
//                   the camera's control codes (events 130 among them) get a
//                   control reply refusing them with 0x2002; the hub's own
//                   services (ping, SD card, battery ...) go on answering
//   drop-event:N    the Nth event the camera raises after the fault is set
//                   (counted from 1 over every kind: objects, properties and
//                   Canon's own) is never reported
enum SimFaultOptionKind : int {
    SimFaultOption_Close,
    SimFaultOption_Stall,
    SimFaultOption_Trickle,
    SimFaultOption_Garbage,
    SimFaultOption_Busy,
    SimFaultOption_Unplug,
    SimFaultOption_DropEvent,
};

struct SimFaultOption {
    SimFaultOptionKind kind = SimFaultOption_Close;
    uint32_t value = 0;
};

// Parses "KIND[:ARG]". False for an unknown kind or a missing, malformed or
// out-of-range argument, with the reason in *error (may be null), a few words
// fit to follow the value on one line.
bool SimFaultOption_Parse(const char* text, SimFaultOption* out, std::string* error);

// One line per fault kind, for a usage text.
extern const char kSimFaultOptionHelp[];

// Sets the fault on the running hub, for every client.
void SimHub_ApplyFaultOption(SimHub* hub, const SimFaultOption& fault);

// Sends a message of the given type with n bytes of body (borrowed for the
// call) to every connected client at once, outside any exchange. Out-of-band
// notices use types 16 and up; any other type (a type-10 PTP container, a
// type-13 control reply) reaches the client as an unsolicited message, which
// a client running the reader loop posts to its mailbox. The message goes out
// whole, never inside another reply. Returns the number of clients it was
// sent to.
uint32_t SimHub_SendOob(SimHub* hub, uint8_t type, const uint8_t* body, uint32_t n);

// Replaces the DeviceInfo data set that GetDeviceInfo returns with raw bytes,
// sent as given (for hostile or truncated data sets). An empty vector restores
// the one built from the camera's facts. The camera's own facts (operations it
// answers, control 215 model text) do not change.
void SimHub_SetDeviceInfo(SimHub* hub, const std::vector<uint8_t>& raw);

// What control code 16 reports: whether a camera is attached (initially true).
void SimHub_SetCameraAttached(SimHub* hub, bool attached);

// Events ----------------------------------------------------------------------
//
// The camera keeps its events in a queue; control request 130 takes all of them
// as its reply data, encoded for the vendor, and empties the queue:
//   Sony, Fujifilm: 38-byte records, little-endian. u16 kind at 0.
//     0x4FF0 object added: u32 object size at 2, file name at 6 (32 bytes,
//     NUL-padded; a name of 32 or more characters fills them without a NUL).
//     0x4FF1 property changed: u32 property code at 2, u32 new value at 6 (the
//     value's bits zero-extended from the type's width; for a STR property the
//     index of the current string in its list, 0 when unlisted), u8 at 10 the
//     property's GetSet (1 read/write, 0 read-only). The rest is zero.
//     A removed object is not reported (the records have no kind for it).
//   Canon: Canon event records (see sim_canon_hooks.h).
//   Nikon (for now): one standard PTP event container per event, 16 bytes:
//     u32 length 16, u16 type 4, u16 event code (0x4002 ObjectAdded, 0x4003
//     ObjectRemoved, 0x4006 DevicePropChanged), u32 transaction id 0, u32
//     parameter (the object handle or the property code).
// Events raised: DevicePropChanged by SetDevicePropValue (each accepted write,
// changed or not), the Canon property write 0x9110, SimHub_SetPropertyValue/Text
// and SimHub_SetPropertyAccess; ObjectAdded by SimHub_AddObject and by the
// pictures a camera takes; ObjectRemoved by DeleteObject and
// SimHub_RemoveObject. The pictures present at start raise nothing.

// Appends raw bytes to the camera's pending event data, passed on unchanged in
// their place among the queued events (for hostile or hand-made records).
void SimHub_PushEventData(SimHub* hub, const std::vector<uint8_t>& raw);

// Entries waiting for control request 130 (events and raw pushes).
size_t SimHub_PendingEvents(const SimHub* hub);

// Device properties --------------------------------------------------------------
//
// Each camera describes its standard properties and a few for tests (its table
// in sim_model_properties.cpp): GetDevicePropDesc 0x1014, GetDevicePropValue
// 0x1015 and SetDevicePropValue 0x1016 answer for them. SetDevicePropValue
// refuses with 0x200A (DevicePropNotSupported) for a code not described,
// 0x200F (AccessDenied) for a read-only property, 0x201B (InvalidDevicePropFormat)
// when the data is missing, of the wrong size or not one well-formed PTP string,
// and 0x201C (InvalidDevicePropValue) for a value outside the form.

// A change made in the camera (a dial turned), raising DevicePropChanged. The
// value is cut to the property's type (so -333 and 0xFEB3 both mean -333 for an
// INT16) and is not checked against the form: the camera may report a value it
// does not list. For a STR property with a list the value is the index of a
// listed string. False for an unknown code or a STR property without a list.
bool SimHub_SetPropertyValue(SimHub* hub, uint16_t code, uint32_t value);

// The current value: the wire bits zero-extended (an INT16 of -333 reads
// 0xFEB3); for a STR property the index of its string in the list (0 when not
// listed). False for an unknown code.
bool SimHub_GetPropertyValue(const SimHub* hub, uint16_t code, uint32_t* value);

// STR properties: set (cut to 254 characters, raising DevicePropChanged) and
// read the text. False for an unknown code or a numeric property.
bool SimHub_SetPropertyText(SimHub* hub, uint16_t code, const char* text);
bool SimHub_GetPropertyText(const SimHub* hub, uint16_t code, std::string* text);

// Makes a property writable or read-only (GetSet), raising DevicePropChanged.
bool SimHub_SetPropertyAccess(SimHub* hub, uint16_t code, bool writable);

// Card and objects ---------------------------------------------------------------
//
// One storage, 0x00010001, a flat card (every object's parent is the root).
// Handles start at 1 and are never reused. GetObjectInfo gives ObjectFormat by
// the name's extension (.JPG and .JPEG 0x3801, .TIF 0x380D, .MOV 0x300D, .CR2
// 0xB103, .CR3 0xB108, .NEF 0x3000, .ARW 0xB101, .RAF 0xB111, others 0x3000),
// ThumbFormat 0x3808, sizes in pixels from the JPEG frame header, CaptureDate
// and ModificationDate "20261207T101500", empty Keywords. The thumbnail
// (GetThumb) is the JPEG's EXIF thumbnail when it has one, else the sim's own
// 16 x 16 JPEG.

// Puts a file on the card (the bytes are taken over: pass with std::move to
// avoid a copy) and raises ObjectAdded. Returns the new handle, or 0 when the
// name is null or empty or the file is too big for a 32-bit size.
uint32_t SimHub_AddObject(SimHub* hub, const char* name, std::vector<uint8_t> bytes);

// Removes an object as if deleted on the camera, raising ObjectRemoved. False
// for an unknown handle.
bool SimHub_RemoveObject(SimHub* hub, uint32_t handle);

// Objects on the card, and their handles oldest first.
uint32_t SimHub_ObjectCount(const SimHub* hub);
std::vector<uint32_t> SimHub_ObjectHandles(const SimHub* hub);

// What the camera says about one object, and its bytes (shared, not copied).
struct SimObjectFacts {
    uint32_t handle = 0;
    std::string name;
    std::string source; // the file read at start; empty for added objects and the own JPEG
    uint16_t format = 0;
    uint32_t width = 0, height = 0;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    std::vector<uint8_t> thumb; // what GetThumb sends
};
bool SimHub_GetObjectFacts(const SimHub* hub, uint32_t handle, SimObjectFacts* out);

// The directory SimOptions::pictures defaults to, or null when the build has none.
const char* SimHub_DefaultPictures();

// The hub's SD card ----------------------------------------------------------------
//
// The card is a flat directory on disk (SimOptions::sd_card_dir); its files are
// the regular files in it. Names in requests are NUL-terminated; a name that is
// empty, longer than 255 characters, or holds "/", "\" or ".." is refused with
// 0x201D, so no request reaches outside the directory (symbolic links are not
// followed either). Results: 0x2001 done, 0x2009 no such file, 0x201D a
// malformed request or refused name, 0x2002 the file could not be read or
// written (or has no JPEG to extract).
//   240 file-name list: each regular file's name followed by one NUL, in name
//       order; no data for an empty card.
//   242 thumbnail (name): 1 byte EXIF orientation (0 when none), then the EXIF
//       thumbnail (JPEG: APP1 IFD1; TIFF-based raw files: IFD1's JPEG), else the
//       sim's own 16 x 16 JPEG.
//   243 size (name): u64.
//   244 time: u64 seconds, stored (SimSdStats::clock).
//   245 info: u64 free bytes, u64 total bytes of the file system holding it.
//   248 file part: u32 offset, u32 length, name; the bytes from offset, at most
//       length of them (fewer at the end of the file); an offset past the end
//       is refused with 0x201D.
//   249 extracted JPEG (name): a JPEG file whole; for a TIFF-based raw file the
//       largest embedded JPEG (IFD0's JPEG strip or a JPEGInterchangeFormat of
//       IFD0 or a SubIFD; IFD1's thumbnail only when there is no other).
//   252 delete (name).  255 exists (name): 1 byte, 1 or 0.
//   253 save object: a 612-byte object record; copies the camera object of the
//       handle in its first 4 bytes to the card under the object's name.
//   214 format: removes everything in the directory (see SimHub_SetSdFormat).
//   178 transfer flag: the payload is stored (SimSdStats::transfer_flag).
// Shared requests (a share prefix before them) are answered the same way.

// The directory that is the card.
std::string SimHub_SdCardDir(const SimHub* hub);

// Makes code 214 wait `delay_millis` before answering (after emptying the
// card) and answer `result`; a result other than 0x2001 leaves the card as it
// is. (0, 0x2001) is the normal format.
void SimHub_SetSdFormat(SimHub* hub, uint32_t delay_millis, uint16_t result);

// Hostile answers to file parts (code 248). The fault hits the first part
// request after `skip` good ones, once.
enum SimSdPartFault : int {
    SimSdPart_None,   // clears a pending fault
    SimSdPart_Longer, // one byte more than asked
    SimSdPart_Empty,  // success with no data
    SimSdPart_Half,   // only the first half (rounded down, at least 1 byte) of what was asked
};
void SimHub_SetSdPartFault(SimHub* hub, SimSdPartFault fault, uint32_t skip = 0);

struct SimSdFileRequest {
    uint32_t offset = 0;
    uint32_t length = 0;
    std::string name;
};

// What the card was asked, since SimHub_Start or SimHub_ResetStats.
struct SimSdStats {
    std::vector<SimSdFileRequest> file_requests; // code 248, oldest first (the latest 1024)
    bool clock_set = false;
    uint64_t clock = 0;                 // the last time sent with 244
    std::vector<uint8_t> transfer_flag; // the last 178 payload
    uint32_t formats = 0;               // 214 requests
};
SimSdStats SimHub_SdStats(const SimHub* hub);

// The hub's other services ----------------------------------------------------------
//
//   135 battery: the 44-byte record kSimBatteryRecord (two 16-byte blocks, u64, u32).
//    65 object part: u32 handle, u32 offset, u32 length; the bytes from offset, at
//       most length of them (fewer at the end); 0x2009 unknown handle, 0x201D an
//       offset past the end or a malformed request.
//   177 extracted JPEG (u32 handle): a JPEG object whole; for a TIFF-based raw
//       file (CR2, NEF, ARW) its largest embedded JPEG; 0x2002 for others (CR3).
//   227 orientation (u32 handle): 1 byte, the EXIF orientation, 0 when none.
//   208 firmware: the payload is stored.  211 capture sequence: stored when its
//       block length matches its flags (22 bracket + 17 repeat), else 0x201D.
//   213 skip Fujifilm raws, 225 USB interrupt read: the byte is stored.
//   224 cancel delay: counted.  134 Fujifilm live-view stop: data u16 0x2001.
// Shared requests (a share prefix before them) are answered the same way.
// Repeated commands (type 5) run their PTP command `count` times on the camera
// (a Canon lens moves count times for 0x9155) and answer one control reply
// whose data is the last response code (none for a count of 0).
constexpr size_t kSimBatteryRecordSize = 44;
extern const uint8_t kSimBatteryRecord[kSimBatteryRecordSize];

struct SimServiceStats {
    uint32_t firmware_updates = 0;
    std::vector<uint8_t> firmware; // the last firmware image received
    uint32_t capture_sequences = 0;
    std::vector<uint8_t> capture_sequence; // the last accepted description
    uint8_t skip_fuji_raws = 0;
    uint8_t usb_interrupt_read = 0;
    uint32_t cancel_delays = 0;
    uint32_t fuji_live_view_stops = 0;
};
// What the services were sent, since SimHub_Start or SimHub_ResetStats.
SimServiceStats SimHub_ServiceStats(const SimHub* hub);

// How many PTP commands the history in SimStats keeps (the most recent ones).
constexpr size_t kSimStatsHistory = 1024;

// Counters since SimHub_Start (or the last SimHub_ResetStats). PTP commands
// include those inside repeated-command messages (type 5), counted once per
// message.
struct SimStats {
    uint32_t connections_accepted = 0;
    uint32_t connections_open = 0;
    uint32_t control_requests[256] = {}; // by control code
    uint32_t share_prefixes = 0;
    uint32_t repeated_commands = 0; // type-5 messages
    uint32_t ptp_commands = 0;
    uint32_t pending_faults = 0; // faults still queued (not a counter)

    uint16_t last_operation = 0;
    uint32_t last_transaction_id = 0;
    std::vector<uint32_t> last_params;     // parameters of the last PTP command
    std::vector<uint8_t> last_data_out;    // data phase of the last PTP command (empty if none)
    std::vector<uint16_t> operations;      // recent operation codes, oldest first
    std::vector<uint32_t> transaction_ids; // their transaction ids, same order
    uint16_t last_repeat_count = 0;        // repeat count of the last type-5 message
    std::vector<uint16_t> repeat_counts;   // repeat count of each type-5 message, oldest first

    uint8_t last_control_code = 0;
    std::vector<uint8_t> last_control_payload;

    uint8_t last_share_mode = 0;
    uint8_t last_share_kind = 0;
    std::vector<uint8_t> last_share_record;
    uint32_t shared_messages = 0; // results passed on, counted once per receiving client

    uint32_t events_raised = 0;  // events queued by the camera (raw pushes not counted)
    uint32_t events_dropped = 0; // events lost because the queue was full or by drop-event
};

// A snapshot of the counters.
SimStats SimHub_Stats(const SimHub* hub);

// Zeroes the counters and history, the camera vendor's ones included
// (connections_open and pending_faults stay true, as does the camera's state).
void SimHub_ResetStats(SimHub* hub);
