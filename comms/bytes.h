// Bounds-checked little-endian reading and writing. Every parser of camera, relay
// or file data goes through ByteReader: an out-of-range read sets ok = false,
// returns 0 and leaves the position where it was, so a parser checks once at the end.
// Invariant: pos <= len at all times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

struct ByteReader {
    const uint8_t* p = nullptr;
    size_t len = 0;
    size_t pos = 0;
    bool ok = true;
};

inline ByteReader make_reader(const uint8_t* p, size_t len) {
    ByteReader r;
    r.p = p;
    r.len = p ? len : 0;
    return r;
}

inline size_t bytes_left(const ByteReader& r) { return r.len - r.pos; }

// True (and the cursor unchanged) when n more bytes are available; otherwise the
// reader fails.
inline bool need(ByteReader& r, size_t n) {
    if (!r.ok || r.len - r.pos < n) {
        r.ok = false;
        return false;
    }
    return true;
}

inline uint8_t read_u8(ByteReader& r) {
    if (!need(r, 1)) return 0;
    return r.p[r.pos++];
}

inline uint16_t read_u16(ByteReader& r) {
    if (!need(r, 2)) return 0;
    uint16_t v = uint16_t(r.p[r.pos] | r.p[r.pos + 1] << 8);
    r.pos += 2;
    return v;
}

inline uint32_t read_u32(ByteReader& r) {
    if (!need(r, 4)) return 0;
    const uint8_t* b = r.p + r.pos;
    uint32_t v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    r.pos += 4;
    return v;
}

inline uint64_t read_u64(ByteReader& r) {
    if (!need(r, 8)) return 0;
    uint64_t lo = read_u32(r);
    uint64_t hi = read_u32(r);
    return lo | hi << 32;
}

inline uint16_t read_u16_be(ByteReader& r) {
    if (!need(r, 2)) return 0;
    uint16_t v = uint16_t(r.p[r.pos] << 8 | r.p[r.pos + 1]);
    r.pos += 2;
    return v;
}

inline uint32_t read_u32_be(ByteReader& r) {
    if (!need(r, 4)) return 0;
    const uint8_t* b = r.p + r.pos;
    uint32_t v = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
    r.pos += 4;
    return v;
}

inline float read_f32(ByteReader& r) {
    uint32_t bits = read_u32(r);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Copies n bytes out; on a short buffer nothing is copied and the reader fails.
inline bool read_bytes(ByteReader& r, void* out, size_t n) {
    if (!need(r, n)) return false;
    if (n) std::memcpy(out, r.p + r.pos, n);
    r.pos += n;
    return true;
}

inline bool skip(ByteReader& r, size_t n) {
    if (!need(r, n)) return false;
    r.pos += n;
    return true;
}

// Fixed-position reads that do not move a cursor, for headers whose fields are
// addressed by offset. They return 0 when the field does not lie inside len.
inline uint16_t peek_u16(const uint8_t* p, size_t len, size_t at) {
    if (!p || at > len || len - at < 2) return 0;
    return uint16_t(p[at] | p[at + 1] << 8);
}

inline uint32_t peek_u32(const uint8_t* p, size_t len, size_t at) {
    if (!p || at > len || len - at < 4) return 0;
    return uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 |
           uint32_t(p[at + 3]) << 24;
}

// Little-endian stores into a buffer the caller has sized; used where a fixed
// header is filled in place.
inline void put_u16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void put_u32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Appending writer on a growing buffer.
struct ByteWriter {
    std::vector<uint8_t> buf;
};

inline void write_u8(ByteWriter& w, uint8_t v) { w.buf.push_back(v); }

inline void write_u16(ByteWriter& w, uint16_t v) {
    w.buf.push_back(uint8_t(v));
    w.buf.push_back(uint8_t(v >> 8));
}

// Grows the buffer, then copies. GCC 12 at -O2 reports false overflows
// (-Warray-bounds, -Wstringop-overflow) through vector::insert here, and
// through this resize when a u32 is written with it, so write_u32 appends
// its bytes one by one.
inline void write_bytes(ByteWriter& w, const void* p, size_t n) {
    if (!n) return;
    size_t at = w.buf.size();
    w.buf.resize(at + n);
    std::memcpy(w.buf.data() + at, p, n);
}

inline void write_u32(ByteWriter& w, uint32_t v) {
    write_u16(w, uint16_t(v));
    write_u16(w, uint16_t(v >> 16));
}

inline void write_u64(ByteWriter& w, uint64_t v) {
    write_u32(w, uint32_t(v));
    write_u32(w, uint32_t(v >> 32));
}

inline void write_f32(ByteWriter& w, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    write_u32(w, bits);
}

// A PTP string: count byte (UCS-2 units including the NUL), then the units.
// Text longer than 254 characters is cut.
inline void write_ptp_string(ByteWriter& w, const char* s) {
    size_t n = s ? std::strlen(s) : 0;
    if (n > 254) n = 254;
    if (n == 0) {
        write_u8(w, 0);
        return;
    }
    write_u8(w, uint8_t(n + 1));
    for (size_t i = 0; i < n; ++i)
        write_u16(w, uint8_t(s[i]));
    write_u16(w, 0);
}
