// Object-added records of Canon event data: the new object's information,
// read from the camera or taken from the record, queued as ObjectAdded.
#include <cstring>

#include "comms/bytes.h"
#include "eos/event_records.h"
#include "generic/event_queue.h"
#include "ptp_objects.h"

namespace {

constexpr size_t kHandleAt = 8;
constexpr size_t kFormatAt = 16;
constexpr size_t kSizeAt = 28;
constexpr size_t kNameAt = 44;     // 0xC1A7: NUL-terminated bytes
constexpr size_t kUcs2NameAt = 48; // 0xC1B6: a PTP string

// The longest name an object record keeps, leaving room for its NUL.
constexpr size_t kMaxNameLength = PTP_OBJECT_NAME_SIZE - 1;

// A name of plain bytes from at to the record's end: it ends at its NUL, or at
// the record's end when the camera sent none. Longer names are cut.
void copy_byte_name(PtpObjectInfo& info, const uint8_t* rec, size_t size, size_t at) {
    size_t n = 0;
    while (at + n < size && n < kMaxNameLength && rec[at + n] != 0)
        ++n;
    std::memcpy(info.fileName, rec + at, n);
    info.fileName[n] = '\0';
    info.fileNameLength = uint16_t(n + 1);
}

// A PTP string at at: count byte N (UCS-2 units with the NUL), then N units,
// whose low bytes are kept. A string that runs past the record is not read.
void copy_ucs2_name(PtpObjectInfo& info, const uint8_t* rec, size_t size, size_t at) {
    ByteReader r = make_reader(rec, size);
    skip(r, at);
    size_t units = read_u8(r);
    if (!r.ok || bytes_left(r) / 2 < units) return; // no name: fileNameLength stays 0
    size_t n = 0;
    for (size_t i = 0; i < units; ++i) {
        uint8_t low = uint8_t(read_u16(r) & 0xFF);
        if (low == 0) break;
        if (n < kMaxNameLength) info.fileName[n++] = char(low);
    }
    info.fileName[n] = '\0';
    info.fileNameLength = uint16_t(n + 1);
}

} // namespace

void PtpEos_HandleObjectAdded(uint32_t type, const uint8_t* rec, uint32_t size) {
    PtpObjectInfo info;
    std::memset(&info, 0, sizeof info);
    const uint32_t handle = peek_u32(rec, size, kHandleAt);
    if (type == kEosRecordObjectAdded) {
        // An object the camera could not describe is still announced, with a
        // zeroed record.
        if (PtpGenericInterface_GetObjectInfo(handle, &info) != PtpResult_Ok)
            std::memset(&info, 0, sizeof info);
    } else {
        info.objectFormat = peek_u16(rec, size, kFormatAt);
        info.compressedSize = peek_u32(rec, size, kSizeAt);
        if (type == kEosRecordObjectAddedNamed)
            copy_byte_name(info, rec, size, kNameAt);
        else
            copy_ucs2_name(info, rec, size, kUcs2NameAt);
    }
    info.handle = handle;

    PtpEventData event{};
    event.code = kPtpEventObjectAdded;
    static_assert(sizeof info <= sizeof event.payload, "an object record fits the payload");
    std::memcpy(event.payload, &info, sizeof info);
    PtpPushEvent(&event, /*notify=*/false);
}
