// Camera-status records of Canon event data (0xC1A5): a flag word tells which
// fields follow, and their layout varies by body. Each field of interest is
// queued as a status event (code 0xC1A5, u32 field, u32 value).
#include <cstdint>

#include "comms/bytes.h"
#include "eos/event_records.h"
#include "generic/event_queue.h"
#include "ptp_generic.h"

namespace {

constexpr size_t kPayloadAt = 8;
// The payload starts with its stated length and the flag word.
constexpr size_t kFieldsAt = 8;
constexpr uint32_t kMinStatedLength = 6;

// Status fields reported to the host.
constexpr uint32_t kFieldShots = 2;
constexpr uint32_t kFieldBattery = 4;
constexpr uint32_t kFieldCard = 8;
constexpr uint32_t kFieldExposureLevel = 64;

// The body whose status fields carry extra bytes of its own.
constexpr uint8_t kModelCompact = 232;

// An exposure-level bit pattern and the level it stands for, in eighths of a
// stop; 99999 and -99999 mark values beyond the scale.
struct EosLevel {
    uint32_t pattern;
    int32_t level;
};

const EosLevel kEosExposureLevels[] = {
    {0x1, 8},        {0x2, 11},         {0x4, 13},       {0x6, 12},       {0x8, 16},
    {0x10, 19},      {0x20, 21},        {0x30, 20},      {0x40, 24},      {0x80, 99999},
    {0x100, -13},    {0x200, -11},      {0x300, -12},    {0x400, -8},     {0x800, -5},
    {0x1000, -3},    {0x1800, -4},      {0x2000, 0},     {0x4000, 3},     {0x8000, 5},
    {0xC000, 4},     {0x80000, -99999}, {0x100000, -24}, {0x200000, -21}, {0x400000, -19},
    {0x600000, -20}, {0x800000, -16},
};

int32_t level_for(uint32_t pattern) {
    for (const EosLevel& row : kEosExposureLevels)
        if (row.pattern == pattern) return row.level;
    return 0;
}

// The three layouts of the status fields, by body.
bool in_newer_bodies(uint8_t model) { return model == 234 || (model >= 245 && model <= 252); }
bool group1(uint8_t model) { return in_newer_bodies(model); }
bool group2(uint8_t model) {
    return model == 228 || model == 229 || model == 230 || in_newer_bodies(model);
}
bool group3(uint8_t model) { return model == 229 || in_newer_bodies(model); }

// The payload as far as the camera says it reaches. A byte at pos + k is read
// only when it lies inside the stated length; once one does not, every later
// read fails too and the caller stops.
struct StatusBytes {
    const uint8_t* p;
    size_t length;
    bool ok = true;
    uint8_t at(size_t pos, size_t k) {
        if (!ok || pos + k >= length) {
            ok = false;
            return 0;
        }
        return p[pos + k];
    }
};

void queue_status(uint32_t field, uint32_t value) {
    PtpEventData event{};
    event.code = kEosRecordCameraStatus;
    put_u32(event.payload, field);
    put_u32(event.payload + 4, value);
    PtpPushEvent(&event, /*notify=*/false);
}

} // namespace

void PtpEos_HandleCameraStatus(const uint8_t* rec, uint32_t size) {
    const uint8_t* payload = rec + kPayloadAt;
    const size_t room = size - kPayloadAt;
    const uint32_t stated = peek_u32(payload, room, 0);
    const uint32_t flags = peek_u32(payload, room, 4);
    if (stated < kMinStatedLength || stated > room) return;
    const uint8_t model = PtpGenericInterface_CameraModel();
    StatusBytes s{payload, stated};

    size_t pos = kFieldsAt;
    if (stated > kFieldsAt) {
        pos = kFieldsAt + ((flags & 0x1) ? 2 : 0);
        if (stated > pos) {
            if (flags & 0x2) {
                uint32_t v;
                size_t start = pos;
                pos += 6;
                if (group1(model)) {
                    v = s.at(pos, 1);
                    pos += 2;
                } else {
                    v = s.at(start, 5);
                }
                if (group2(model)) {
                    pos += 1;
                    if (s.at(start, 0) == 0) v = 0;
                }
                if (model == kModelCompact) pos += 4;
                if (!s.ok) return;
                queue_status(kFieldShots, v);
            }
            if (stated > pos) {
                if (flags & 0x4) {
                    uint32_t v;
                    if (group2(model)) {
                        v = s.at(pos, 0) != 0 ? s.at(pos, 7) : 0;
                        pos += 4;
                    } else {
                        v = s.at(pos, 4);
                    }
                    if (model == kModelCompact) pos += 1;
                    if (!s.ok) return;
                    queue_status(kFieldBattery, v);
                    pos += 5;
                }
                if (stated > pos && (flags & 0x8)) {
                    uint32_t v = s.at(pos, 3);
                    pos += 4;
                    if (group1(model)) pos += 1;
                    if (!s.ok) return;
                    queue_status(kFieldCard, v);
                }
            }
        }
    }
    if (flags & 0x10) pos += group1(model) ? 6 : 4;
    if (flags & 0x20) pos += 6;
    if (flags & 0x40) {
        uint8_t shown = s.at(pos, 1);
        if (!s.ok) return;
        if (shown != 0) {
            uint32_t v = s.at(pos, 2);
            if (!s.ok) return;
            queue_status(kFieldExposureLevel, v);
        }
        pos += 7;
    }
    if (flags & 0x80) pos += 4;
    if (flags & 0x100) pos += 7;
    if ((flags & 0x200) && !(flags & 0x40) && group3(model)) {
        s.at(pos, 5); // the u32 at pos + 2 must lie inside the stated length
        if (!s.ok) return;
        uint32_t w = peek_u32(payload, stated, pos + 2) & 0xFFFFFF;
        queue_status(kFieldExposureLevel, uint32_t(level_for(w)));
    }
}
