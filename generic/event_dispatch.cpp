// Routing camera event data to the vendor parsers, and the Tetherhub's own
// 38-byte event records for the vendors whose events it collects itself.
#include <cstring>

#include "comms/bytes.h"
#include "eos/eos_session.h"
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
// A property-changed record with this code tells the Sony driver to re-read
// its settings; it is not a property of its own.
constexpr uint32_t kSonyReloadMarker = 0x12345678;

// The Sony driver's handling of its reload marker.
void sony_reload_marker() {}

// The vendor driver's parsers of their own event data.
PtpResult parse_vendor_events(PtpVendor vendor, const uint8_t* data, uint32_t length) {
    switch (vendor) {
    case PtpVendor_Canon:
        return PtpEos_ParseEventData(data, length);
    case PtpVendor_Nikon:  // the Nikon driver's
    default:
        return PtpResult_NotSupportedForCamera;
    }
}

// The driver's update of one property from a record; the updated record or
// null.
PtpPropertyRecord* update_property(PtpVendor vendor, uint32_t, uint32_t, uint8_t) {
    switch (vendor) {
    case PtpVendor_Sony:      // the Sony driver's property update
    case PtpVendor_Fujifilm:  // the Fujifilm driver's
    default:
        return nullptr;
    }
}

// Fujifilm: whether the camera lets the host change aperture, shutter speed or
// compensation follows the exposure mode and the host mode, so the record's
// flag is worked out here rather than taken from the hub. The rule needs the
// Fujifilm driver's host-mode flag.
uint8_t fuji_access_flag(uint32_t, uint8_t flag) { return flag; }

// Fujifilm: a new exposure mode changes which exposure settings are writable;
// the driver re-reads their descriptions.
void fuji_exposure_mode_changed() {}

void object_added(ByteReader& r) {
    uint32_t size = read_u32(r);
    char name[kHubNameSize + 1] = {};
    read_bytes(r, name, kHubNameSize);  // NUL-padded, not always terminated
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

void property_changed(PtpVendor vendor, ByteReader& r) {
    uint32_t code = read_u32(r);
    uint32_t value = read_u32(r);
    uint8_t flag = read_u8(r);
    if (vendor == PtpVendor_Sony && code == kSonyReloadMarker) {
        sony_reload_marker();
        return;
    }
    if (vendor == PtpVendor_Fujifilm && (code == 0x5007 || code == 0x500D || code == 0x5010) &&
        PtpGenericInterface_IsPropertySupported(0x500E))
        flag = fuji_access_flag(code, flag);
    PtpPropertyRecord* record = update_property(vendor, code, value, flag);
    if (vendor == PtpVendor_Fujifilm && record && record->code == 0x500E)
        fuji_exposure_mode_changed();
    PtpQueuePropertyChanged(record, /*notify=*/false);
}

PtpResult dispatch_hub_records(PtpVendor vendor, const uint8_t* data, uint32_t length) {
    // Only whole records count; a trailing fragment yields nothing.
    for (size_t at = 0; length - at >= kHubRecordSize; at += kHubRecordSize) {
        ByteReader r = make_reader(data + at, kHubRecordSize);
        uint16_t kind = read_u16(r);
        if (kind == kHubObjectAdded) object_added(r);
        else if (kind == kHubPropertyChanged) property_changed(vendor, r);
    }
    if (PtpEventNotifyFn notify = PtpSession_NotifyFn()) notify();
    return PtpResult_Ok;
}

}  // namespace

PtpResult PtpDispatchEventData(const uint8_t* data, uint32_t length) {
    if (!data) length = 0;
    PtpVendor vendor = PtpSession_Vendor();
    switch (vendor) {
    case PtpVendor_Canon:
    case PtpVendor_Nikon: {
        PtpResult rc = parse_vendor_events(vendor, data, length);
        PtpEventNotifyFn notify = PtpSession_NotifyFn();
        if (rc == PtpResult_Ok && notify) notify();
        return rc;
    }
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
        return dispatch_hub_records(vendor, data, length);
    default:
        return PtpResult_NotSupportedForCamera;
    }
}
