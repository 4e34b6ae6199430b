// What a client receives when another client shares: a share prefix message
// (type 15: u32 total, u8 15, u32 inner length, u8 mode, u8 record kind, u32
// record length, the record) and then the result, a type-10 PTP data container
// or a type-13 control reply. Header-only: ptpctl receive and its fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "comms/bytes.h"

struct SharedPrefix {
    uint8_t mode = 0;
    uint8_t kind = 0; // 0xB0 object record, 0xB1 part or SD-card record, 0xB2 file name, 0 none
    const uint8_t* record = nullptr; // inside the message; null when it has none
    uint32_t recordLength = 0;
};

// A whole type-15 message (header included) whose record fits in it.
inline bool SharedMessage_ParsePrefix(const uint8_t* m, size_t n, SharedPrefix* out) {
    ByteReader r = make_reader(m, n);
    uint32_t total = read_u32(r);
    uint8_t type = read_u8(r);
    read_u32(r); // inner length: the record length + 10
    out->mode = read_u8(r);
    out->kind = read_u8(r);
    out->recordLength = read_u32(r);
    if (!r.ok || type != 15 || total != n || out->recordLength > bytes_left(r)) return false;
    out->record = out->recordLength ? m + r.pos : nullptr;
    return true;
}

// The bytes a result message carries: a data container's payload or a
// successful control reply's data. False for anything else.
inline bool SharedMessage_ResultData(const uint8_t* m, size_t n, const uint8_t** data,
                                     size_t* length) {
    ByteReader r = make_reader(m, n);
    uint32_t total = read_u32(r);
    uint8_t type = read_u8(r);
    if (!r.ok || total != n) return false;
    if (type == 10) {
        uint32_t container = read_u32(r);
        uint16_t kind = read_u16(r);
        skip(r, 6); // code and transaction id
        if (!r.ok || kind != 2 || container != n - 5) return false;
    } else if (type == 13) {
        uint32_t reply = read_u32(r);
        skip(r, 1);
        uint16_t result = read_u16(r);
        if (!r.ok || result != 0x2001 || reply != n - 5) return false;
    } else {
        return false;
    }
    *data = m + r.pos;
    *length = bytes_left(r);
    return true;
}

// The file name an object record carries (256 bytes at offset 60), cut at its
// NUL and at the last '/' or '\'; empty when there is none.
inline std::string SharedMessage_RecordName(const SharedPrefix& p) {
    constexpr size_t kNameAt = 60, kNameSize = 256;
    if (!p.record || p.recordLength < kNameAt + kNameSize) return {};
    std::string name;
    for (size_t i = 0; i < kNameSize && p.record[kNameAt + i]; ++i) {
        char c = char(p.record[kNameAt + i]);
        if (c == '/' || c == '\\') name.clear();
        else name += c;
    }
    return name == "." || name == ".." ? std::string() : name;
}
