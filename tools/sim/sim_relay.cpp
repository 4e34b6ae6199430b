// One request from a client in, the bytes of its reply out: relay message
// framing, the hub's control codes, PTP containers for the camera, and the
// scripted faults. Sockets and threads live in sim_hub.cpp.
#include "sim_internal.h"

#include "sim_events.h"
#include "sim_nikon.h"
#include "sim_sharing.h"
#include "sim_tripod.h"

#include "comms/bytes.h"

#include <cstring>

namespace {

// Relay message types.
constexpr uint8_t kMsgRepeatedCommand = 5;
constexpr uint8_t kMsgSerial = 9;
constexpr uint8_t kMsgPtp = 10;
constexpr uint8_t kMsgControl = 12;
constexpr uint8_t kMsgControlReply = 13;
constexpr uint8_t kMsgFirstOob = 16;
constexpr size_t kHeaderSize = 5;

// PTP container types.
constexpr uint16_t kContainerCommand = 1;
constexpr uint16_t kContainerData = 2;
constexpr uint16_t kContainerResponse = 3;
constexpr size_t kContainerHeaderSize = 12;
constexpr uint32_t kMaxParams = 5;

// Control reply results. The hub answers a request it does not know with the
// library's "invalid argument" code; a result of 0 tells the library that no
// PTP container comes in place of the one it waits for.
constexpr uint16_t kRelayUnknownRequest = 0xFF15;
constexpr uint16_t kRelayNoResponse = 0;
// With the camera unplugged, the hub refuses what only the camera can answer
// with General Error.
constexpr uint16_t kRelayNoCamera = 0x2002;

// Control codes the hub answers.
constexpr uint8_t kCtlCameraConnected = 16;
constexpr uint8_t kCtlSerialNumber = 32;
constexpr uint8_t kCtlHardwareVersion = 48;
constexpr uint8_t kCtlPlatformVersion = 49;
constexpr uint8_t kCtlEventData = 130;
constexpr uint8_t kCtlPing = 176;
constexpr uint8_t kCtlCameraModel = 215;

// The hub's own identity. The serial number goes out NUL-terminated so a host
// can show the bytes as text.
constexpr char kHubSerialNumber[] = "TH-000123";
constexpr uint8_t kHubHardwareVersion = 3;
constexpr float kHubPlatformVersion = 1.5f;

constexpr uint8_t kDefaultOobBody[] = {'o', 'o', 'b', 0};

// Messages are assembled in place: the length is patched once the body is in.
size_t begin_message(ByteWriter& w, uint8_t type) {
    size_t at = w.buf.size();
    write_u32(w, 0);
    write_u8(w, type);
    return at;
}

void end_message(ByteWriter& w, size_t at) { put_u32(&w.buf[at], uint32_t(w.buf.size() - at)); }

void append_control_reply(ByteWriter& w, uint16_t result, const uint8_t* data, size_t n) {
    size_t at = begin_message(w, kMsgControlReply);
    write_u32(w, uint32_t(n + 7));
    write_u8(w, 0);
    write_u16(w, result);
    write_bytes(w, data, n);
    end_message(w, at);
}

void append_data_container(ByteWriter& w, uint16_t op, uint32_t tid,
                           const std::vector<uint8_t>& data) {
    size_t at = begin_message(w, kMsgPtp);
    write_u32(w, uint32_t(kContainerHeaderSize + data.size()));
    write_u16(w, kContainerData);
    write_u16(w, op);
    write_u32(w, tid);
    write_bytes(w, data.data(), data.size());
    end_message(w, at);
}

// A reply under construction: whole messages, and at most one data container
// whose data is a slice of stored bytes, sent at bulk_at.
struct SimReplyBuilder {
    ByteWriter w;
    SimSlice bulk;
    size_t bulk_at = 0;
};

void append_bulk_container(SimReplyBuilder& b, uint16_t op, uint32_t tid, const SimSlice& data) {
    ByteWriter& w = b.w;
    write_u32(w, uint32_t(kHeaderSize + kContainerHeaderSize + data.len));
    write_u8(w, kMsgPtp);
    write_u32(w, uint32_t(kContainerHeaderSize + data.len));
    write_u16(w, kContainerData);
    write_u16(w, op);
    write_u32(w, tid);
    b.bulk = data;
    b.bulk_at = w.buf.size();
}

void append_response(ByteWriter& w, uint16_t code, uint32_t tid, const uint32_t* params,
                     uint32_t n) {
    size_t at = begin_message(w, kMsgPtp);
    write_u32(w, uint32_t(kContainerHeaderSize + 4 * n));
    write_u16(w, kContainerResponse);
    write_u16(w, code);
    write_u32(w, tid);
    for (uint32_t i = 0; i < n; ++i)
        write_u32(w, params[i]);
    end_message(w, at);
}

void append_oob(ByteWriter& w, const SimFault& f) {
    uint8_t type = f.value >= kMsgFirstOob && f.value <= 255 ? uint8_t(f.value) : kMsgFirstOob;
    size_t at = begin_message(w, type);
    if (f.bytes.empty())
        write_bytes(w, kDefaultOobBody, sizeof kDefaultOobBody);
    else
        write_bytes(w, f.bytes.data(), f.bytes.size());
    end_message(w, at);
}

// Takes one use of the first queued fault of this kind.
bool take_fault(SimHub* hub, SimFaultKind kind, SimFault* out) {
    for (auto it = hub->faults.begin(); it != hub->faults.end(); ++it) {
        if (it->kind != kind) continue;
        *out = *it;
        if (it->count <= 1)
            hub->faults.erase(it);
        else
            --it->count;
        return true;
    }
    return false;
}

// Control codes ----------------------------------------------------------------

using SimControlHandler = uint16_t (*)(SimHub* hub, const uint8_t* payload, size_t n,
                                       ByteWriter& data);

struct SimControlRow {
    uint8_t code;
    SimControlHandler handler;
};

uint16_t ctl_camera_connected(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    write_u8(data, hub->camera.attached ? 1 : 0);
    return kPtpRespOk;
}

uint16_t ctl_serial_number(SimHub*, const uint8_t*, size_t, ByteWriter& data) {
    write_bytes(data, kHubSerialNumber, sizeof kHubSerialNumber);
    return kPtpRespOk;
}

uint16_t ctl_hardware_version(SimHub*, const uint8_t*, size_t, ByteWriter& data) {
    write_u8(data, kHubHardwareVersion);
    return kPtpRespOk;
}

uint16_t ctl_platform_version(SimHub*, const uint8_t*, size_t, ByteWriter& data) {
    write_f32(data, kHubPlatformVersion);
    return kPtpRespOk;
}

// The payload is a one-byte wait flag; the sim never has to wait, since
// pending data is either there or not.
uint16_t ctl_event_data(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    SimCamera_Tick(hub->camera);
    SimEvents_Take(hub->camera, &data.buf);
    return kPtpRespOk;
}

uint16_t ctl_ping(SimHub*, const uint8_t*, size_t, ByteWriter&) { return kPtpRespOk; }

uint16_t ctl_camera_model(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    const char* text = hub->camera.model->hub_model_text;
    write_bytes(data, text, std::strlen(text) + 1);
    return kPtpRespOk;
}

const SimControlRow kControls[] = {
    {kCtlCameraConnected, ctl_camera_connected},
    {kCtlSerialNumber, ctl_serial_number},
    {kCtlHardwareVersion, ctl_hardware_version},
    {kCtlPlatformVersion, ctl_platform_version},
    {kCtlEventData, ctl_event_data},
    {kCtlPing, ctl_ping},
    {kCtlCameraModel, ctl_camera_model},
    // The hub's SD card (sim_sd_card.cpp).
    {178, SimSd_TransferFlag},
    {214, SimSd_Format},
    {240, SimSd_ListNames},
    {242, SimSd_Thumbnail},
    {243, SimSd_FileSize},
    {244, SimSd_SetTime},
    {245, SimSd_Info},
    {248, SimSd_FilePart},
    {249, SimSd_Extracted},
    {252, SimSd_Delete},
    {253, SimSd_SaveObject},
    {255, SimSd_Exists},
    // The hub's other services (sim_services.cpp).
    {65, SimServices_PartialObject},
    {134, SimServices_FujiStopLiveView},
    {135, SimServices_Battery},
    {177, SimServices_ExtractedJpeg},
    {208, SimServices_Firmware},
    {211, SimServices_CaptureSequence},
    {213, SimServices_SkipFujiRaws},
    {224, SimServices_CancelDelay},
    {225, SimServices_UsbInterruptRead},
    {227, SimServices_Orientation},
    // Sharing between the hub's clients (sim_sharing.cpp).
    {112, SimSharing_Toggle},
    {129, SimSharing_ClientsCanSave},
    {144, SimSharing_ClientsString},
    {160, SimSharing_ClientName},
    {209, SimSharing_IsEnabled},
    {210, SimSharing_Disable},
    // The Nikon camera's bulk property descriptions (sim_nikon_vendor.cpp).
    {235, SimNikon_PropertyDescriptions},
};

// Control codes only the camera can answer, refused once it is unplugged.
constexpr uint8_t kCameraControls[] = {kCtlEventData, kCtlCameraModel, 65, 134, 177, 227, 235, 253};

bool needs_camera(uint8_t code) {
    for (uint8_t c : kCameraControls)
        if (c == code) return true;
    return false;
}

// Control message: u32 control length, u8 code, payload to the end of the message.
void handle_control(SimHub* hub, const uint8_t* msg, size_t len, ByteWriter& w) {
    ByteReader r = make_reader(msg, len);
    skip(r, kHeaderSize);
    read_u32(r); // the control length repeats the total length; the header is trusted
    uint8_t code = read_u8(r);
    if (!r.ok) {
        append_control_reply(w, kRelayUnknownRequest, nullptr, 0);
        return;
    }
    const uint8_t* payload = msg + r.pos;
    size_t n = bytes_left(r);
    SimStats& s = hub->stats;
    ++s.control_requests[code];
    s.last_control_code = code;
    s.last_control_payload.assign(payload, payload + n);

    if (hub->camera.unplugged && needs_camera(code)) {
        append_control_reply(w, kRelayNoCamera, nullptr, 0);
        return;
    }
    for (const SimControlRow& row : kControls) {
        if (row.code != code) continue;
        ByteWriter data;
        uint16_t result = row.handler(hub, payload, n, data);
        append_control_reply(w, result, data.buf.data(), data.buf.size());
        return;
    }
    append_control_reply(w, kRelayUnknownRequest, nullptr, 0);
}

// PTP -------------------------------------------------------------------------

// A command container, optionally followed by its data container. Fields read
// before a failure stay in cmd so the error answer can carry the transaction id.
bool parse_command(const uint8_t* p, size_t n, SimPtpCommand* cmd) {
    ByteReader r = make_reader(p, n);
    uint32_t length = read_u32(r);
    uint16_t type = read_u16(r);
    cmd->op = read_u16(r);
    cmd->transaction_id = read_u32(r);
    if (!r.ok || type != kContainerCommand || length < kContainerHeaderSize || length > n)
        return false;
    uint32_t param_bytes = length - uint32_t(kContainerHeaderSize);
    if (param_bytes % 4 != 0 || param_bytes / 4 > kMaxParams) return false;
    cmd->param_count = param_bytes / 4;
    for (uint32_t i = 0; i < cmd->param_count; ++i)
        cmd->params[i] = read_u32(r);
    if (bytes_left(r) == 0) return r.ok;

    uint32_t data_length = read_u32(r);
    uint16_t data_type = read_u16(r);
    skip(r, 6); // operation code and transaction id repeat the command's
    if (!r.ok || data_type != kContainerData || data_length < kContainerHeaderSize ||
        data_length - kContainerHeaderSize > bytes_left(r))
        return false;
    cmd->data = r.p + r.pos;
    cmd->data_len = data_length - kContainerHeaderSize;
    return true;
}

void note_command(SimHub* hub, const SimPtpCommand& cmd) {
    SimStats& s = hub->stats;
    ++s.ptp_commands;
    s.last_operation = cmd.op;
    s.last_transaction_id = cmd.transaction_id;
    s.last_params.assign(cmd.params, cmd.params + cmd.param_count);
    s.last_data_out.assign(cmd.data, cmd.data + cmd.data_len);
    if (s.operations.size() >= kSimStatsHistory) {
        s.operations.erase(s.operations.begin());
        s.transaction_ids.erase(s.transaction_ids.begin());
    }
    s.operations.push_back(cmd.op);
    s.transaction_ids.push_back(cmd.transaction_id);
}

// Runs the command; the answer is one type-10 message per container.
void answer_command(SimHub* hub, const SimPtpCommand& cmd, bool faults, SimReplyBuilder& b) {
    ByteWriter& w = b.w;
    SimFault f;
    if (faults && take_fault(hub, SimFault_Busy, &f)) {
        uint16_t code = f.value ? uint16_t(f.value) : kPtpRespDeviceBusy;
        append_response(w, code, cmd.transaction_id, nullptr, 0);
        return;
    }
    SimPtpAnswer a;
    SimCamera_Run(hub->camera, cmd, &a);
    if (a.has_data && a.code == kPtpRespOk) {
        if (faults && take_fault(hub, SimFault_NoResponseForData, &f)) {
            append_control_reply(w, kRelayNoResponse, nullptr, 0);
            return;
        }
        if (a.bulk.owner)
            append_bulk_container(b, cmd.op, cmd.transaction_id, a.bulk);
        else
            append_data_container(w, cmd.op, cmd.transaction_id, a.data);
    }
    if (faults && take_fault(hub, SimFault_NoResponse, &f)) {
        append_control_reply(w, kRelayNoResponse, nullptr, 0);
        return;
    }
    append_response(w, a.code, cmd.transaction_id, a.params, a.param_count);
}

void handle_ptp(SimHub* hub, const uint8_t* msg, size_t len, bool faults, SimReplyBuilder& b) {
    SimPtpCommand cmd;
    bool ok = parse_command(msg + kHeaderSize, len - kHeaderSize, &cmd);
    note_command(hub, cmd);
    if (hub->camera.unplugged) {
        append_control_reply(b.w, kRelayNoCamera, nullptr, 0);
        return;
    }
    if (!ok) {
        append_response(b.w, kPtpRespGeneralError, cmd.transaction_id, nullptr, 0);
        return;
    }
    answer_command(hub, cmd, faults, b);
}

// Repeated command: u32 inner length, u16 repeat count, u16 0, u16 75, then the
// PTP command. The camera runs it that many times; the one control reply
// carries the last response code. Data-in phases are dropped.
void handle_repeated(SimHub* hub, const uint8_t* msg, size_t len, bool faults, ByteWriter& w) {
    ByteReader r = make_reader(msg, len);
    skip(r, kHeaderSize);
    read_u32(r);
    uint16_t repeat = read_u16(r);
    skip(r, 4);
    SimPtpCommand cmd;
    if (!r.ok || !parse_command(msg + r.pos, bytes_left(r), &cmd)) {
        append_control_reply(w, kRelayUnknownRequest, nullptr, 0);
        return;
    }
    ++hub->stats.repeated_commands;
    hub->stats.last_repeat_count = repeat;
    if (hub->stats.repeat_counts.size() >= kSimStatsHistory)
        hub->stats.repeat_counts.erase(hub->stats.repeat_counts.begin());
    hub->stats.repeat_counts.push_back(repeat);
    note_command(hub, cmd);

    if (hub->camera.unplugged) {
        append_control_reply(w, kRelayNoCamera, nullptr, 0);
        return;
    }
    ByteWriter code;
    SimFault f;
    if (faults && take_fault(hub, SimFault_Busy, &f)) {
        write_u16(code, f.value ? uint16_t(f.value) : kPtpRespDeviceBusy);
    } else if (repeat > 0) {
        SimPtpAnswer a;
        for (uint16_t i = 0; i < repeat; ++i)
            SimCamera_Run(hub->camera, cmd, &a);
        write_u16(code, a.code);
    }
    append_control_reply(w, kPtpRespOk, code.buf.data(), code.buf.size());
}

} // namespace

void SimRelay_HandleMessage(SimHub* hub, const uint8_t* msg, size_t len, SimReply* reply,
                            SimClient* from) {
    *reply = SimReply{};
    if (len < kHeaderSize) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->serving = from;
    hub->camera.event_reader = from ? from->id : 0; // each client takes its own events
    SimFaults_CheckUnplug(hub);

    SimFault f, raw, short_header;
    if (take_fault(hub, SimFault_Stall, &f)) reply->stall_millis = f.millis;
    bool close = take_fault(hub, SimFault_CloseConnection, &f);
    bool has_raw = !close && take_fault(hub, SimFault_RawReply, &raw);
    bool has_short = !close && !has_raw && take_fault(hub, SimFault_ShortHeader, &short_header);
    bool ptp_faults = !close && !has_raw && !has_short;

    // The request reaches the camera whatever happens to its reply.
    SimReplyBuilder b;
    switch (msg[4]) {
    case kMsgControl: handle_control(hub, msg, len, b.w); break;
    case kMsgPtp: handle_ptp(hub, msg, len, ptp_faults, b); break;
    case kMsgRepeatedCommand: handle_repeated(hub, msg, len, ptp_faults, b.w); break;
    case kMsgSerial: SimTripod_Handle(hub->tripod, msg, len, &b.w.buf); break;
    default: append_control_reply(b.w, kRelayUnknownRequest, nullptr, 0); break;
    }
    reply->stall_millis += SimSd_TakeStall(hub->sd); // a slow format waits like a stall
    if (close) {
        reply->close = true;
        return;
    }

    ByteWriter out;
    if (take_fault(hub, SimFault_OobBeforeReply, &f)) append_oob(out, f);
    if (has_raw) {
        write_bytes(out, raw.bytes.data(), raw.bytes.size());
    } else if (has_short) {
        write_u32(out, short_header.value);
        write_u8(out, kMsgControlReply);
    } else {
        if (b.bulk.owner) {
            reply->bulk = std::move(b.bulk);
            reply->bulk_at = out.buf.size() + b.bulk_at;
        }
        if (out.buf.empty())
            out.buf.swap(b.w.buf);
        else
            write_bytes(out, b.w.buf.data(), b.w.buf.size());
    }
    reply->bytes.swap(out.buf);
    SimFaults_Shape(hub, reply);
}

void SimRelay_NoteSharePrefix(SimHub* hub, uint8_t mode, uint8_t kind,
                              std::vector<uint8_t> record) {
    std::lock_guard<std::mutex> guard(hub->lock);
    SimStats& s = hub->stats;
    ++s.share_prefixes;
    s.last_share_mode = mode;
    s.last_share_kind = kind;
    s.last_share_record.swap(record);
}
