// Object transfer: object information, listings, storages, downloads,
// thumbnails and deletion, with their vendor dispatch.
#include "generic/objects.h"

#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "eos/eos_capture.h"
#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "generic/event_queue.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

constexpr uint32_t kAllStorages = 0xFFFFFFFF;

// What GetObjectHandles answers on Sony cameras, which are listed through their
// driver instead: not OK, and no camera traffic.
constexpr PtpResult kNoListing = 0;

// GetNumStorageCards assumes one card when the camera cannot say.
constexpr uint32_t kAssumedCards = 1;

// One transaction receiving data, with the busy retry. On anything but OK the
// data is released, so a partial transfer never reaches a caller.
PtpResult receive(uint16_t op, const uint32_t* params, uint32_t count, uint8_t** data,
                  uint32_t* length) {
    *data = nullptr;
    *length = 0;
    PtpResult rc =
        PtpTransaction_ExecuteWithRetry(op, params, count, nullptr, 0, data, length, nullptr, 1);
    if (rc != PtpResult_Ok) {
        std::free(*data);
        *data = nullptr;
        *length = 0;
    }
    return rc;
}

PtpResult send_only(uint16_t op, const uint32_t* params, uint32_t count) {
    return PtpTransaction_ExecuteWithRetry(op, params, count, nullptr, 0, nullptr, nullptr, nullptr,
                                           1);
}

bool is_canon_listing(uint16_t op) {
    return PtpSession_Vendor() == PtpVendor_Canon && PtpIsOperationSupported(op);
}

uint16_t storage_ids_operation() {
    return is_canon_listing(kCanonOpGetStorageIds) ? kCanonOpGetStorageIds : kPtpOpGetStorageIds;
}

// A reply of a u32 count and then count u32 values from byte `first`, turned
// in place into a plain array at the start of the buffer.
PtpResult take_u32_array(uint8_t* data, uint32_t length, uint32_t first, uint32_t** out,
                         uint32_t* count) {
    *out = nullptr;
    *count = 0;
    ByteReader r = make_reader(data, length);
    uint32_t n = read_u32(r);
    if (!r.ok || n == 0) { // no count at all reads as an empty list
        std::free(data);
        return PtpResult_Ok;
    }
    // The values must lie inside the data; 64 bits, so no count wraps.
    if (uint64_t(first) + 4 * uint64_t(n) > length) {
        std::free(data);
        return PtpResult_DataSetParseFailed;
    }
    skip(r, first - 4);
    // Each value is read before its slot is written, and the slot lies below
    // the value's bytes, so the move in place never overwrites unread data.
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t v = read_u32(r);
        std::memcpy(data + 4 * size_t(i), &v, sizeof v);
    }
    *out = reinterpret_cast<uint32_t*>(data); // malloc'd, so aligned for u32
    *count = n;
    return PtpResult_Ok;
}

// Canon cameras listing 0x9109 list through the Canon driver's
// GetAllObjectsInfo, keeping only the handles; the driver plugs in here.
PtpResult canon_all_object_handles(uint32_t** handles, uint32_t* count) {
    *handles = nullptr;
    *count = 0;
    PtpEosObjectEntry* entries = nullptr;
    uint32_t n = 0;
    PtpResult rc = PtpEosInterface_GetAllObjectsInfo(&entries, &n, false, 0);
    if (rc != PtpResult_Ok || n == 0) {
        std::free(entries);
        return rc;
    }
    uint32_t* list = static_cast<uint32_t*>(std::malloc(size_t(n) * sizeof(uint32_t)));
    if (list)
        for (uint32_t i = 0; i < n; ++i)
            list[i] = entries[i].handle;
    std::free(entries);
    if (!list) return PtpResult_OutOfMemory;
    *handles = list;
    *count = n;
    return PtpResult_Ok;
}

} // namespace

PtpResult PtpTakeHandleArray(uint8_t* data, uint32_t length, uint32_t** handles, uint32_t* count) {
    if (!handles || !count) {
        std::free(data);
        return PtpResult_InvalidArgument;
    }
    return take_u32_array(data, length, kStandardIdsStart, handles, count);
}

PtpResult PtpTakeStorageIdArray(uint8_t* data, uint32_t length, uint16_t operation, uint32_t** ids,
                                uint32_t* count) {
    if (!ids || !count) {
        std::free(data);
        return PtpResult_InvalidArgument;
    }
    uint32_t first = operation == kCanonOpGetStorageIds ? kCanonStorageIdsStart : kStandardIdsStart;
    return take_u32_array(data, length, first, ids, count);
}

uint32_t PtpFujiOrientationFromAssociation(uint16_t associationType) {
    switch (associationType) {
    case 0x0001:
    case 0x0007: return 1;
    case 0x0601:
    case 0x0607: return 8;
    case 0x0301:
    case 0x0307: return 3;
    case 0x0801:
    case 0x0807: return 6;
    default: return 0;
    }
}

// --- Object information and listings ------------------------------------------------

PtpResult PtpGenericInterface_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    if (!out) return PtpResult_InvalidArgument;
    uint16_t op =
        is_canon_listing(kCanonOpGetObjectInfoEx) ? kCanonOpGetObjectInfoEx : kPtpOpGetObjectInfo;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = receive(op, &handle, 1, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    PtpVendor vendor = PtpSession_Vendor();
    rc = PtpParseObjectInfoForVendor(out, data, length, op, vendor);
    std::free(data);
    if (rc != PtpResult_Ok) return PtpResult_DataSetParseFailed;
    out->handle = handle;
    if (vendor == PtpVendor_Fujifilm)
        out->orientation = PtpFujiOrientationFromAssociation(out->associationType);
    return PtpResult_Ok;
}

PtpResult PtpGenericInterface_GetObjectHandles(uint32_t storageId, uint16_t format,
                                               uint16_t association, uint32_t** handles,
                                               uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    *handles = nullptr;
    *count = 0;
    PtpVendor vendor = PtpSession_Vendor();
    if (vendor == PtpVendor_Sony) return kNoListing;

    const uint32_t params[] = {storageId, format, association};
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = receive(kPtpOpGetObjectHandles, params, 3, &data, &length);
    if (rc == PtpResult_Ok) rc = PtpTakeHandleArray(data, length, handles, count);

    // Older Canon cameras drop out of remote mode on a standard listing.
    if (vendor == PtpVendor_Canon && !PtpIsOperationSupported(kCanonOpRemoteRelease))
        PtpEos_SetRemoteMode(1);
    return rc;
}

PtpResult PtpGenericInterface_GetObjectHandles2(uint32_t** handles, uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    if (is_canon_listing(kCanonOpGetObjectInfoList))
        return canon_all_object_handles(handles, count);
    return PtpGenericInterface_GetObjectHandles(kAllStorages, 0, 0, handles, count);
}

PtpResult PtpListObjectHandles(uint32_t** handles, uint32_t* count) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Sony:
        // The Sony driver's listing plugs in here.
        return PtpResult_NotSupportedForCamera;
    case PtpVendor_Fujifilm:
        if (!handles || !count) return PtpResult_InvalidArgument;
        return PtpGenericInterface_GetObjectHandles(kAllStorages, 0, 0, handles, count);
    default: return PtpResult_NotSupportedForCamera;
    }
}

// --- Storages ----------------------------------------------------------------------------

PtpResult PtpGetStorageIds(uint32_t** ids, uint32_t* count) {
    if (!ids || !count) return PtpResult_InvalidArgument;
    *ids = nullptr;
    *count = 0;
    uint16_t op = storage_ids_operation();
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = receive(op, nullptr, 0, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    return PtpTakeStorageIdArray(data, length, op, ids, count);
}

uint32_t PtpGenericInterface_GetNumStorageCards() {
    if (PtpSession_Vendor() == PtpVendor_Sony) return 0;
    uint32_t* ids = nullptr;
    uint32_t count = 0;
    // A count the data cannot back is as good as no answer.
    if (PtpGetStorageIds(&ids, &count) != PtpResult_Ok) return kAssumedCards;
    std::free(ids);
    return count;
}

// --- Downloads ------------------------------------------------------------------------------

PtpResult PtpGenericInterface_GetObject(uint32_t handle, uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_InvalidArgument;
    return receive(kPtpOpGetObject, &handle, 1, data, length);
}

PtpResult PtpGenericInterface_GetPartialObject(uint32_t handle, uint32_t offset, uint32_t length,
                                               uint8_t** data, uint32_t* outLength) {
    if (!data || !outLength) return PtpResult_InvalidArgument;
    *data = nullptr;
    *outLength = 0;
    const uint32_t params[] = {handle, offset, length, 0};
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon:
        if (PtpIsOperationSupported(kCanonOpGetPartialObject))
            return receive(kCanonOpGetPartialObject, params, 4, data, outLength);
        if (PtpIsOperationSupported(kCanonOpGetPartialObjectOld))
            return receive(kCanonOpGetPartialObjectOld, params, 4, data, outLength);
        return receive(kPtpOpGetPartialObject, params, 3, data, outLength);
    case PtpVendor_Nikon:
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm: return receive(kPtpOpGetPartialObject, params, 3, data, outLength);
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_GetThumbnail(uint32_t handle, uint8_t** data, uint32_t* length,
                                           uint8_t* orientation) {
    if (!data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetThumbnail(handle, data, length, orientation);
    case PtpVendor_Sony: return PtpResult_NotSupportedForCamera;
    default: return receive(kPtpOpGetThumb, &handle, 1, data, length);
    }
}

// --- Deletion ----------------------------------------------------------------------------------

PtpResult PtpGenericInterface_DeleteObject(uint32_t handle, uint32_t second) {
    const uint32_t params[] = {handle, second};
    PtpVendor vendor = PtpSession_Vendor();
    switch (vendor) {
    case PtpVendor_Sony: return PtpResult_NotSupportedForCamera;
    case PtpVendor_Fujifilm: return send_only(kPtpOpDeleteObject, params, 1);
    default: break;
    }
    PtpResult rc = send_only(kPtpOpDeleteObject, params, 2);
    // Nikon cameras send no event of their own for a delete from the host.
    if (rc == PtpResult_Ok && vendor == PtpVendor_Nikon) {
        PtpEventData event = {};
        event.code = kPtpEventObjectRemoved;
        PtpObjectInfo removed = {};
        removed.handle = handle;
        static_assert(sizeof removed <= sizeof event.payload, "object record fits the payload");
        std::memcpy(event.payload, &removed, sizeof removed);
        PtpPushEvent(&event, /*notify=*/true);
    }
    return rc;
}

// --- Counts and image formats -----------------------------------------------------------------

uint32_t PtpGenericInterface_GetSdAvailableShots() {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Sony: return 0;
    case PtpVendor_Fujifilm:
        // The Fujifilm driver's count (from its media-capacity label) plugs in here.
        return 0;
    default: break;
    }
    uint32_t code = PtpGetAvailableShotsPropertyCode();
    if (code == 0) return 0;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, /*lock=*/0);
    if (!record) return 0;
    PtpRecordHold held(record);
    return record->currentValue;
}

PtpResult PtpGenericInterface_GetPossibleImageFormats(uint32_t kind, uint32_t** formats,
                                                      uint32_t* count) {
    if (!formats || !count) return PtpResult_InvalidArgument;
    *formats = nullptr;
    *count = 0;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetPossibleImageFormats(kind, formats, count);
    case PtpVendor_Nikon:
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
        // Each driver's image-format table plugs in at its arm.
    default: return PtpResult_NotSupportedForCamera;
    }
}

PtpResult PtpGenericInterface_GetImageFormatDetails(uint32_t format, uint32_t kind, uint16_t* size,
                                                    uint8_t* compression) {
    if (!size || !compression) return PtpResult_InvalidArgument;
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: return PtpEos_GetImageFormatDetails(format, kind, size, compression);
    case PtpVendor_Nikon:
        // The Nikon image-format table plugs in at this arm; Sony and Fujifilm
        // have none.
    default: return PtpResult_NotSupportedForCamera;
    }
}
