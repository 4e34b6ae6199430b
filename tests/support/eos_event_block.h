// Canon helpers for unit tests: a scripted Canon camera and hand-made event data.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "ptp_events.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "support/capture_script.h"
#include "support/test_data.h"

namespace eosblock {

using Bytes = std::vector<uint8_t>;

using testdata::operator+;
using testdata::u32s;

// A compound image format: count, then per format 16, kind, size, quality.
struct Format {
    uint32_t kind, size, quality;
};
inline Bytes compound(const std::vector<Format>& formats, uint32_t count = 0xFFFFFFFF,
                      uint32_t blockSize = 16) {
    ByteWriter w;
    write_u32(w, count == 0xFFFFFFFF ? uint32_t(formats.size()) : count);
    for (const Format& f : formats) {
        write_u32(w, blockSize);
        write_u32(w, f.kind);
        write_u32(w, f.size);
        write_u32(w, f.quality);
    }
    return w.buf;
}

struct Block {
    ByteWriter w;

    // A record with its size field covering header and payload.
    Block& record(uint32_t type, const Bytes& payload) {
        write_u32(w, uint32_t(8 + payload.size()));
        write_u32(w, type);
        write_bytes(w, payload.data(), payload.size());
        return *this;
    }
    Block& raw(const Bytes& bytes) {
        write_bytes(w, bytes.data(), bytes.size());
        return *this;
    }
    Block& value(uint32_t code, const Bytes& bytes) { return record(0xC189, u32s({code}) + bytes); }
    Block& value32(uint32_t code, uint32_t v) { return value(code, u32s({v})); }
    // Allowed values: code at +8, the u16 count at +16, the values from +20.
    Block& allowed(uint32_t code, const std::vector<uint32_t>& values, int count = -1) {
        ByteWriter p;
        write_u32(p, code);
        write_u32(p, 3); // the camera's form word, unused
        write_u16(p, uint16_t(count < 0 ? values.size() : size_t(count)));
        write_u16(p, 0);
        for (uint32_t v : values)
            write_u32(p, v);
        return record(0xC18A, p.buf);
    }
    Block& allowed_compounds(uint32_t code, uint16_t count, const Bytes& compounds) {
        ByteWriter p;
        write_u32(p, code);
        write_u32(p, 3);
        write_u16(p, count);
        write_u16(p, 0);
        return record(0xC18A, p.buf + compounds);
    }
    Block& busy(uint32_t flag) { return record(0xC18B, u32s({flag})); }
    const Bytes& bytes() const { return w.buf; }
};

// Parses a copy of the block in a buffer of exactly its size, so a read past
// the block's end is a fault the address sanitizer reports.
inline PtpResult parse(const Bytes& block) {
    uint8_t* exact = static_cast<uint8_t*>(std::malloc(block.empty() ? 1 : block.size()));
    if (!block.empty()) std::memcpy(exact, block.data(), block.size());
    PtpResult rc = PtpEos_ParseEventData(exact, uint32_t(block.size()));
    std::free(exact);
    return rc;
}
inline PtpResult parse(const Block& block) { return parse(block.bytes()); }

// The camera's answers: GetDeviceInfo always gives the DeviceInfo; every other
// command goes to the test's responder (OK with no data when there is none).
inline void answer_with(const Bytes& deviceInfo, scripted::Responder others) {
    scripted::camera().responder = [deviceInfo, others](const scripted::Command& c) {
        if (c.op == 0x1001) return scripted::with_data(deviceInfo);
        return others ? others(c) : scripted::ok();
    };
}

// A fresh Canon session on the scripted transport (the relay link's event read stays).
inline Bytes connect_canon(const char* model, const std::vector<uint16_t>& ops,
                           const std::vector<uint16_t>& props = {}) {
    Bytes info = DeviceInfoData({.model = model, .operations = ops, .properties = props});
    answer_with(info, nullptr);
    PtpGenericInterface_Initialize(scripted::send, scripted::receive, nullptr, nullptr);
    PtpTransaction_SetLinkLock(nullptr);
    PtpGenericInterface_GetCameraManufacturer();
    PtpEos_EvaluateModel();
    PtpEos_SetBusy(false);
    while (PopEventPtr()) {
    }
    scripted::clear_sent();
    return info;
}

// One queued event, copied out of PopEventPtr's static view.
struct Event {
    uint32_t code = 0;
    uint32_t words[2] = {};              // the two u32 of a plain event
    PtpPropertyRecord* record = nullptr; // 0x4006
    PtpObjectInfo info{};                // 0x4002, 0x4003
    uint32_t status[2] = {};             // 0xC1A5
};

inline std::vector<Event> drain() {
    std::vector<Event> out;
    while (PtpHostEvent* view = PopEventPtr()) {
        Event e;
        e.code = view->code;
        std::memcpy(e.words, &view->u, sizeof e.words);
        const void* data = nullptr;
        std::memcpy(&data, &view->u, sizeof data);
        if (e.code == 0x4006) std::memcpy(&e.record, &view->u, sizeof e.record);
        if (e.code == 0x4002 || e.code == 0x4003) std::memcpy(&e.info, data, sizeof e.info);
        if (e.code == 0xC1A5) std::memcpy(e.status, data, sizeof e.status);
        out.push_back(e);
    }
    return out;
}

} // namespace eosblock
