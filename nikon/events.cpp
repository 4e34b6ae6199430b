// Nikon event data: u16 count, then count entries of {u16 code, u32 parameter},
// turned into queued events.
#include <cerrno>
#include <cstring>

#include "comms/bytes.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_formats.h"
#include "nikon/nikon_live_view.h"
#include "nikon/nikon_session.h"
#include "ptp_objects.h"

namespace {

constexpr uint16_t kEventDeviceInfoChanged = 0x4007;
// Below this handle a RAW+JPEG pair's JPEG arrives apart from its RAW.
constexpr uint32_t kPairedJpegHandleLimit = 0x09999999;

void queue_word(uint32_t code, uint32_t word) {
    PtpEventData event{};
    event.code = code;
    put_u32(event.payload, word);
    PtpPushEvent(&event, /*notify=*/false);
}

// The payload is the object's information with its handle set, as every
// driver queues it.
void object_added(uint32_t handle) {
    if (handle < kPairedJpegHandleLimit && PtpIsOperationSupported(kNikonOpGetObjectsPairedJpeg) &&
        PtpNikon_IsImageFormatRawPlusJpg())
        return;
    PtpObjectInfo info;
    std::memset(&info, 0, sizeof info);
    if (PtpGenericInterface_GetObjectInfo(handle, &info) != PtpResult_Ok) return;
    if (PtpGenericInterface_IsMovieFormat(info.objectFormat)) PtpNikon_MovieFileArrived();
    info.handle = handle;
    PtpEventData event{};
    event.code = kPtpEventObjectAdded;
    static_assert(sizeof info <= sizeof event.payload, "an object record fits the payload");
    std::memcpy(event.payload, &info, sizeof info);
    PtpPushEvent(&event, /*notify=*/false);
}

bool refetch(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    return record && PtpFetchPropertyDescription(record);
}

void property_changed(uint32_t code) {
    if (!PtpNikon_IsTrackedProperty(code)) return;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record || !PtpFetchPropertyDescription(record)) return;
    if (PtpNikon_IsImageFormatPart(code)) PtpNikon_ComposeImageFormat();
    PtpQueuePropertyChanged(record, /*notify=*/false);
    if (code != kNikonPropExposureProgram) return;
    // The exposure program decides which apertures and shutter speeds apply.
    PtpQueuePropertyCodeChanged(kNikonPropExposureCompensation, /*notify=*/true);
    refetch(kNikonPropFNumber);
    refetch(kNikonPropShutterSpeed);
}

} // namespace

PtpResult PtpNikon_ParseEventData(const uint8_t* data, uint32_t length) {
    if (!data || length == 0) {
        errno = EINVAL;
        return PtpResult_InvalidArgument;
    }
    ByteReader r = make_reader(data, length);
    const uint16_t count = read_u16(r);
    if (!r.ok) return PtpResult_Ok; // no whole count: nothing to report
    for (uint16_t i = 0; i < count && bytes_left(r) >= 6; ++i) {
        const uint16_t code = read_u16(r);
        const uint32_t param = read_u32(r);
        switch (code) {
        case kPtpEventObjectAdded: object_added(param); break;
        case kPtpEventObjectRemoved: queue_word(kPtpEventObjectRemoved, param); break;
        case kPtpEventDevicePropChanged: property_changed(param); break;
        case kEventDeviceInfoChanged: queue_word(kEventDeviceInfoChanged, param); break;
        default: break;
        }
    }
    return PtpResult_Ok;
}
