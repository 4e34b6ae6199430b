// The camera's pending events and the encodings the vendors share on control
// code 130: a standard PTP event container per event, for a vendor whose row
// has no encoder of its own, and the hub's sequence of 38-byte records (Sony
// and Fujifilm). Canon's event records are its own (sim_canon_events.cpp).
#include "sim_events.h"

#include "sim_vendor.h"

#include "comms/bytes.h"

#include <algorithm>
#include <cstring>

namespace {

// Events a client leaves unread pile up to this many; beyond it the oldest go.
constexpr size_t kMaxPendingEvents = 65536;

constexpr uint16_t kPtpEventObjectAdded = 0x4002;
constexpr uint16_t kPtpEventObjectRemoved = 0x4003;
constexpr uint16_t kPtpEventDevicePropChanged = 0x4006;
constexpr uint16_t kContainerEvent = 4;
constexpr uint32_t kNoTransaction = 0;

// The hub's event record for Sony and Fujifilm cameras.
constexpr size_t kRecordSize = 38;
constexpr size_t kRecordNameSize = 32;
constexpr uint16_t kRecordObjectAdded = 0x4FF0;
constexpr uint16_t kRecordPropertyChanged = 0x4FF1;

void write_raw(ByteWriter& w, const SimEvent& e) { write_bytes(w, e.raw.data(), e.raw.size()); }

// A PTP event container with one parameter.
void write_standard_event(ByteWriter& w, uint16_t code, uint32_t param) {
    write_u32(w, 16);
    write_u16(w, kContainerEvent);
    write_u16(w, code);
    write_u32(w, kNoTransaction);
    write_u32(w, param);
}

void write_standard(ByteWriter& w, const SimEvent& e) {
    switch (e.kind) {
    case SimEvent_ObjectAdded: write_standard_event(w, kPtpEventObjectAdded, e.handle); break;
    case SimEvent_ObjectRemoved: write_standard_event(w, kPtpEventObjectRemoved, e.handle); break;
    case SimEvent_PropertyChanged:
        write_standard_event(w, kPtpEventDevicePropChanged, e.code);
        break;
    case SimEvent_Raw: write_raw(w, e); break;
    case SimEvent_AllowedValues:
    case SimEvent_CameraBusy: break; // Canon reports only
    }
}

void encode_standard(const SimCameraState&, const std::deque<SimEvent>& events, ByteWriter& out) {
    for (const SimEvent& e : events)
        write_standard(out, e);
}

} // namespace

// 38 bytes, little-endian: u16 kind; 0x4FF0: u32 size, 32-byte NUL-padded file
// name; 0x4FF1: u32 property code, u32 new value, u8 access flag; the rest zero.
// The record has no kind for a removed object, so removals are not reported.
void SimEvents_EncodeHubRecords(const SimCameraState&, const std::deque<SimEvent>& events,
                                ByteWriter& out) {
    for (const SimEvent& e : events) {
        uint8_t rec[kRecordSize] = {};
        switch (e.kind) {
        case SimEvent_ObjectAdded:
            put_u16(rec, kRecordObjectAdded);
            put_u32(rec + 2, e.size);
            std::memcpy(rec + 6, e.name.data(), std::min(e.name.size(), kRecordNameSize));
            break;
        case SimEvent_PropertyChanged:
            put_u16(rec, kRecordPropertyChanged);
            put_u32(rec + 2, e.code);
            put_u32(rec + 6, e.value);
            rec[10] = e.getset;
            break;
        case SimEvent_ObjectRemoved:
        case SimEvent_AllowedValues:
        case SimEvent_CameraBusy: continue;
        case SimEvent_Raw: write_raw(out, e); continue;
        }
        write_bytes(out, rec, sizeof rec);
    }
}

namespace {

// Forgets the events every client has taken.
void trim(SimCameraState& cam) {
    if (cam.event_readers.empty()) return;
    uint64_t oldest = UINT64_MAX;
    for (const auto& r : cam.event_readers)
        oldest = std::min(oldest, r.second);
    while (cam.events_base < oldest && !cam.events.empty()) {
        cam.events.pop_front();
        ++cam.events_base;
    }
}

// Makes room for one more event: a client that never reads (a second client
// that only watches shared images) loses the oldest rather than holding up
// the others.
void make_room(SimCameraState& cam) {
    if (cam.events.size() < kMaxPendingEvents) return;
    cam.events.pop_front();
    ++cam.events_base;
    ++cam.events_dropped;
}

} // namespace

void SimEvents_Raise(SimCameraState& cam, SimEvent event) {
    const uint64_t ordinal = ++cam.events_counted;
    auto drop = std::find(cam.drop_events.begin(), cam.drop_events.end(), ordinal);
    if (drop != cam.drop_events.end()) { // a drop-event fault: raised, never reported
        cam.drop_events.erase(drop);
        ++cam.events_raised;
        ++cam.events_dropped;
        return;
    }
    make_room(cam);
    cam.events.push_back(std::move(event));
    ++cam.events_raised;
}

void SimEvents_PushRaw(SimCameraState& cam, const std::vector<uint8_t>& raw) {
    if (raw.empty()) return;
    SimEvent e;
    e.kind = SimEvent_Raw;
    e.raw = raw;
    make_room(cam);
    cam.events.push_back(std::move(e));
}

void SimEvents_Take(SimCameraState& cam, std::vector<uint8_t>* out) {
    ByteWriter w;
    SimEventEncoder encode =
        cam.vendor->encode_events ? cam.vendor->encode_events : encode_standard;
    const uint64_t end = cam.events_base + cam.events.size();
    auto reader = cam.event_readers.find(cam.event_reader);
    if (reader == cam.event_readers.end()) {
        encode(cam, cam.events, w);
        cam.events.clear();
        cam.events_base = end;
    } else {
        const uint64_t from = std::max(reader->second, cam.events_base);
        if (from == cam.events_base) {
            encode(cam, cam.events, w);
        } else {
            std::deque<SimEvent> unread(cam.events.begin() + long(from - cam.events_base),
                                        cam.events.end());
            encode(cam, unread, w);
        }
        reader->second = end;
        trim(cam);
    }
    out->swap(w.buf);
}

void SimEvents_AddReader(SimCameraState& cam, uint32_t id) {
    cam.event_readers[id] = cam.events_base;
}

void SimEvents_RemoveReader(SimCameraState& cam, uint32_t id) {
    cam.event_readers.erase(id);
    trim(cam);
}

size_t SimEvents_Pending(const SimCameraState& cam) {
    if (cam.event_readers.empty()) return cam.events.size();
    const uint64_t end = cam.events_base + cam.events.size();
    uint64_t least = cam.events.size();
    for (const auto& r : cam.event_readers)
        least = std::min(least, end - std::max(r.second, cam.events_base));
    return size_t(least);
}
