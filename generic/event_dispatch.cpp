// Routing camera event data to the session driver's parser, and the Tetherhub's
// own 38-byte event records for the drivers whose events it collects itself.
#include <cstring>

#include "comms/bytes.h"
#include "generic/driver.h"
#include "generic/event_fetch.h"
#include "generic/event_queue.h"
#include "generic/session.h"
#include "ptp_objects.h"

namespace {

constexpr size_t kHubRecordSize = 38;
constexpr uint16_t kHubObjectAdded = 0x4FF0;
constexpr uint16_t kHubPropertyChanged = 0x4FF1;
constexpr size_t kHubNameSize = 32;
constexpr uint32_t kHandleByName = 0xFFFFFFFF;
constexpr uint16_t kThumbFormatPresent = 1;

void object_added(ByteReader& r) {
    uint32_t size = read_u32(r);
    char name[kHubNameSize + 1] = {};
    read_bytes(r, name, kHubNameSize); // NUL-padded, not always terminated
    PtpObjectInfo info;
    std::memset(&info, 0, sizeof info);
    info.handle = kHandleByName;
    info.objectFormat = PtpGenericInterface_FormatForFileName(name);
    info.compressedSize = size;
    info.thumbFormat = kThumbFormatPresent;
    std::memcpy(info.fileName, name, std::strlen(name));
    info.fileNameLength = uint16_t(std::strlen(name) + 1);
    PtpEventData event{};
    event.code = kPtpEventObjectAdded;
    static_assert(sizeof info <= sizeof event.payload, "object record fits the payload");
    std::memcpy(event.payload, &info, sizeof info);
    PtpPushEvent(&event, /*notify=*/false);
}

void property_changed(ByteReader& r) {
    uint32_t code = read_u32(r);
    uint32_t value = read_u32(r);
    uint8_t flag = read_u8(r);
    const PtpDriverEvents& events = PtpSession_Driver()->events;
    if (events.hubPropertyChanged)
        events.hubPropertyChanged(code, value, flag);
    else
        PtpQueuePropertyChanged(nullptr, /*notify=*/false);
}

} // namespace

PtpResult PtpHub_ParseEventRecords(const uint8_t* data, uint32_t length) {
    // Only whole records count; a trailing fragment yields nothing.
    for (size_t at = 0; data && length - at >= kHubRecordSize; at += kHubRecordSize) {
        ByteReader r = make_reader(data + at, kHubRecordSize);
        uint16_t kind = read_u16(r);
        if (kind == kHubObjectAdded)
            object_added(r);
        else if (kind == kHubPropertyChanged)
            property_changed(r);
    }
    return PtpResult_Ok;
}

PtpResult PtpDispatchEventData(const uint8_t* data, uint32_t length) {
    if (!data) length = 0;
    const PtpDriverEvents& events = PtpSession_Driver()->events;
    if (!events.parse) return PtpResult_NotSupportedForCamera;
    PtpResult rc = events.parse(data, length);
    PtpEventNotifyFn notify = PtpSession_NotifyFn();
    if (rc == PtpResult_Ok && notify) notify();
    return rc;
}
