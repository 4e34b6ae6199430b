// The hub's own services besides its SD card. Object data comes from the
// camera's card (sim_storage.cpp); what the host sends is stored for tests to
// read back (SimHub_ServiceStats).
#include "sim_services.h"

#include "sim_internal.h"
#include "sim_jpeg.h"
#include "sim_storage.h"
#include "sim_tiff.h"

#include <algorithm>

namespace {

constexpr uint16_t kRespOk = 0x2001;
constexpr uint16_t kRespGeneralError = 0x2002;
constexpr uint16_t kRespInvalidObjectHandle = 0x2009;
constexpr uint16_t kRespInvalidParameter = 0x201D;

// The capture sequence description: u8 flags, u8 extra, u32 length of the
// blocks, then the blocks (22 bytes bracket, 17 bytes repeat).
constexpr uint8_t kSequenceRepeat = 0x01;
constexpr uint8_t kSequenceBracket = 0x02;
constexpr uint32_t kBracketBlock = 22;
constexpr uint32_t kRepeatBlock = 17;

// The object of a payload that is exactly one u32 handle, or null.
const SimObject* object_of(SimHub* hub, const uint8_t* payload, size_t n) {
    if (n != 4) return nullptr;
    return SimStorage_Find(hub->camera, peek_u32(payload, n, 0));
}

} // namespace

const uint8_t kSimBatteryRecord[kSimBatteryRecordSize] = {
    'm',  'a',  'i', 'n', ' ', '8', '7', '%', 0, 0, 0, 0, 0, 0, 0, 0, // block 1
    'a',  'u',  'x', ' ', '1', '0', '0', '%', 0, 0, 0, 0, 0, 0, 0, 0, // block 2
    0x10, 0x0E, 0,   0,   0,   0,   0,   0,                           // u64 3600
    0x36, 0x10, 0,   0,                                               // u32 4150
};

uint16_t SimServices_Battery(SimHub*, const uint8_t*, size_t, ByteWriter& data) {
    write_bytes(data, kSimBatteryRecord, sizeof kSimBatteryRecord);
    return kRespOk;
}

// u32 handle, u32 offset, u32 length: the bytes from offset, at most length
// of them (fewer at the end of the object).
uint16_t SimServices_PartialObject(SimHub* hub, const uint8_t* payload, size_t n,
                                   ByteWriter& data) {
    ByteReader r = make_reader(payload, n);
    uint32_t handle = read_u32(r);
    uint32_t offset = read_u32(r);
    uint32_t length = read_u32(r);
    if (!r.ok || bytes_left(r) != 0) return kRespInvalidParameter;
    const SimObject* o = SimStorage_Find(hub->camera, handle);
    if (!o) return kRespInvalidObjectHandle;
    const std::vector<uint8_t>& bytes = *o->bytes;
    if (offset > bytes.size()) return kRespInvalidParameter;
    size_t len = std::min(size_t(length), bytes.size() - offset);
    write_bytes(data, bytes.data() + offset, len);
    return kRespOk;
}

// u32 handle: a JPEG object whole; for a TIFF-based raw file its largest
// embedded JPEG (the thumbnail only when there is no other); anything else
// has no JPEG the sim can find.
uint16_t SimServices_ExtractedJpeg(SimHub* hub, const uint8_t* payload, size_t n,
                                   ByteWriter& data) {
    if (n != 4) return kRespInvalidParameter;
    const SimObject* o = object_of(hub, payload, n);
    if (!o) return kRespInvalidObjectHandle;
    const std::vector<uint8_t>& bytes = *o->bytes;
    if (SimJpeg_Inspect(bytes.data(), bytes.size()).is_jpeg) {
        write_bytes(data, bytes.data(), bytes.size());
        return kRespOk;
    }
    SimTiffFacts tiff = SimTiff_Inspect(bytes.data(), bytes.size());
    size_t at = tiff.preview_len ? tiff.preview_offset : tiff.thumb_offset;
    size_t len = tiff.preview_len ? tiff.preview_len : tiff.thumb_len;
    if (!tiff.is_tiff || len == 0) return kRespGeneralError;
    write_bytes(data, bytes.data() + at, len);
    return kRespOk;
}

// u32 handle: one byte, the EXIF orientation (0 when the object has none).
uint16_t SimServices_Orientation(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    if (n != 4) return kRespInvalidParameter;
    const SimObject* o = object_of(hub, payload, n);
    if (!o) return kRespInvalidObjectHandle;
    uint32_t orientation = o->orientation;
    if (orientation == 0)
        orientation = SimTiff_Inspect(o->bytes->data(), o->bytes->size()).orientation;
    write_u8(data, uint8_t(orientation));
    return kRespOk;
}

uint16_t SimServices_Firmware(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    SimServiceStats& s = hub->services.stats;
    ++s.firmware_updates;
    s.firmware.assign(payload, payload + n);
    return kRespOk;
}

// Stored when its block length matches the blocks its flags announce.
uint16_t SimServices_CaptureSequence(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    ByteReader r = make_reader(payload, n);
    uint8_t flags = read_u8(r);
    skip(r, 1);
    uint32_t length = read_u32(r);
    uint32_t expected = ((flags & kSequenceBracket) ? kBracketBlock : 0) +
                        ((flags & kSequenceRepeat) ? kRepeatBlock : 0);
    if (!r.ok || expected == 0 || length != expected || bytes_left(r) != length)
        return kRespInvalidParameter;
    SimServiceStats& s = hub->services.stats;
    ++s.capture_sequences;
    s.capture_sequence.assign(payload, payload + n);
    return kRespOk;
}

uint16_t SimServices_SkipFujiRaws(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    if (n != 1) return kRespInvalidParameter;
    hub->services.stats.skip_fuji_raws = payload[0];
    return kRespOk;
}

uint16_t SimServices_CancelDelay(SimHub* hub, const uint8_t*, size_t, ByteWriter&) {
    ++hub->services.stats.cancel_delays;
    return kRespOk;
}

uint16_t SimServices_UsbInterruptRead(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    if (n != 1) return kRespInvalidParameter;
    hub->services.stats.usb_interrupt_read = payload[0];
    return kRespOk;
}

// The camera's answer to the hub's live-view stop: OK.
uint16_t SimServices_FujiStopLiveView(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    ++hub->services.stats.fuji_live_view_stops;
    write_u16(data, kRespOk);
    return kRespOk;
}

SimServiceStats SimHub_ServiceStats(const SimHub* hub) {
    std::lock_guard<std::mutex> guard(hub->lock);
    return hub->services.stats;
}
