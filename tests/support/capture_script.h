// A scripted transport camera: records every command and answers through a responder.
#pragma once

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "comms/bytes.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"
#include "ptp_generic.h"
#include "support/device_info.h"

namespace scripted {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

struct Command {
    uint16_t op = 0;
    std::vector<uint32_t> params;
    Bytes data; // the data-out phase, if any
    Clock::time_point at;
};

struct Reply {
    uint16_t code = PtpResult_Ok;
    std::vector<uint32_t> params;
    bool hasData = false;
    Bytes data;
};

inline Reply ok() { return Reply{}; }
inline Reply answer(uint16_t code, std::vector<uint32_t> params = {}) {
    return {code, std::move(params)};
}
inline Reply with_data(Bytes data) { return {PtpResult_Ok, {}, true, std::move(data)}; }

using Responder = std::function<Reply(const Command&)>;

struct Camera {
    std::mutex lock;
    std::vector<Command> sent; // guarded by lock
    std::deque<Bytes> pending; // guarded by lock: containers to receive
    Responder responder;       // set while no traffic runs
};

inline Camera& camera() {
    static Camera c;
    return c;
}

inline Bytes container(uint16_t type, uint16_t code, const std::vector<uint32_t>& params,
                       const Bytes& payload) {
    ByteWriter w;
    write_u32(w, uint32_t(12 + 4 * params.size() + payload.size()));
    write_u16(w, type);
    write_u16(w, code);
    write_u32(w, 0);
    for (uint32_t p : params)
        write_u32(w, p);
    write_bytes(w, payload.data(), payload.size());
    return w.buf;
}

inline PtpResult send(const uint8_t* buf, uint32_t len) {
    ByteReader r = make_reader(buf, len);
    uint32_t length = read_u32(r);
    read_u16(r);
    Command c;
    c.op = read_u16(r);
    read_u32(r);
    for (uint32_t at = 12; length >= at + 4 && r.ok; at += 4)
        c.params.push_back(read_u32(r));
    if (r.ok && bytes_left(r) >= 12) {
        uint32_t dataLength = read_u32(r);
        skip(r, 8);
        if (r.ok && dataLength >= 12 && dataLength - 12 <= bytes_left(r))
            c.data.assign(buf + r.pos, buf + r.pos + (dataLength - 12));
    }
    c.at = Clock::now();
    Camera& cam = camera();
    Reply reply = cam.responder ? cam.responder(c) : ok();
    std::lock_guard<std::mutex> held(cam.lock);
    cam.sent.push_back(c);
    if (reply.hasData) cam.pending.push_back(container(2, c.op, {}, reply.data));
    cam.pending.push_back(container(3, reply.code, reply.params, {}));
    return PtpResult_Ok;
}

inline PtpResult receive(uint8_t** out) {
    *out = nullptr;
    Camera& cam = camera();
    std::lock_guard<std::mutex> held(cam.lock);
    if (cam.pending.empty()) return PtpResult_ConnectionLost;
    Bytes b = std::move(cam.pending.front());
    cam.pending.pop_front();
    *out = static_cast<uint8_t*>(std::malloc(b.size()));
    std::memcpy(*out, b.data(), b.size());
    return PtpResult_Ok;
}

inline std::vector<Command> sent() {
    std::lock_guard<std::mutex> held(camera().lock);
    return camera().sent;
}

inline void clear_sent() {
    std::lock_guard<std::mutex> held(camera().lock);
    camera().sent.clear();
}

// A command as (op, params), for comparing whole sequences.
struct Call {
    uint16_t op;
    std::vector<uint32_t> params;
    bool operator==(const Call& o) const { return op == o.op && params == o.params; }
};

inline std::vector<Call> calls() {
    std::vector<Call> out;
    for (const Command& c : sent())
        out.push_back({c.op, c.params});
    return out;
}

// The commands sent, without those of operation `op` (property reads, say).
inline std::vector<Call> calls_except(uint16_t op) {
    std::vector<Call> out;
    for (const Command& c : sent())
        if (c.op != op) out.push_back({c.op, c.params});
    return out;
}

inline Bytes device_info(const char* manufacturer, const std::vector<uint16_t>& ops,
                         const std::vector<uint16_t>& props = {}) {
    return DeviceInfoData({.manufacturer = manufacturer, .operations = ops, .properties = props});
}

// A fresh session on the scripted transport whose vendor is the manufacturer's.
inline void connect(const char* manufacturer, const std::vector<uint16_t>& ops,
                    const std::vector<uint16_t>& props = {}) {
    Camera& cam = camera();
    {
        std::lock_guard<std::mutex> held(cam.lock);
        cam.sent.clear();
        cam.pending.clear();
    }
    Bytes info = device_info(manufacturer, ops, props);
    cam.responder = [info](const Command& c) {
        return c.op == kPtpOpGetDeviceInfo ? with_data(info) : ok();
    };
    PtpGenericInterface_Initialize(send, receive, nullptr, nullptr);
    PtpTransaction_SetLinkLock(nullptr);
    while (PopEventPtr()) {
    }
    PtpGenericInterface_GetCameraManufacturer();
    PtpSetupPropertyRoles();
    PtpSession_SetModel(0);
    PtpSession_SetManualFocus(0);
    cam.responder = nullptr;
    clear_sent();
}

// A session with no vendor (the DeviceInfo read fails); the engine admits ops.
inline void connect_nobody(const std::vector<uint16_t>& ops = {}) {
    Camera& cam = camera();
    cam.responder = [](const Command& c) {
        return c.op == kPtpOpGetDeviceInfo ? answer(0x2002) : ok();
    };
    PtpGenericInterface_Initialize(send, receive, nullptr, nullptr);
    PtpTransaction_SetLinkLock(nullptr);
    PtpGenericInterface_StartSession(0);
    PtpTransaction_SetSupportedOperations(ops.data(), uint32_t(ops.size()));
    cam.responder = nullptr;
    clear_sent();
}

// Ends every pause of the event loop.
inline void resume_all() {
    while (PtpGenericInterface_ResumeEventCheckLoop()) {
    }
}

// Adds (or updates) a stored property.
inline PtpPropertyRecord* set_property(uint32_t code, uint32_t value, uint8_t access = 1) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) record = PtpAddPropertyRecord(code, true, true);
    if (!record) return nullptr;
    record->dataType = kPtpTypeUint32;
    record->currentValue = value;
    record->access = access;
    PtpUnlockProperty(record);
    return record;
}

// The property code and value of a Canon property write (0x9110 data: u32 12,
// u32 code, u32 value).
inline bool canon_write(const Command& c, uint32_t* code, uint32_t* value) {
    if (c.op != 0x9110) return false;
    ByteReader r = make_reader(c.data.data(), c.data.size());
    read_u32(r);
    *code = read_u32(r);
    *value = read_u32(r);
    return r.ok;
}

} // namespace scripted
