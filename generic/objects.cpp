// Object transfer through the session's driver: object information, listings,
// storages, downloads, thumbnails and deletion, and the standard operations
// the drivers point at.
#include "generic/objects.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "comms/bytes.h"
#include "generic/driver.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/shared_transaction.h"
#include "ptp/transaction.h"

namespace {

constexpr uint32_t kAllStorages = 0xFFFFFFFF;

// What GetObjectHandles answers for a vendor whose cameras are listed
// otherwise: not OK, and no camera traffic.
constexpr PtpResult kNoListing = 0;

// GetNumStorageCards assumes one card when the camera cannot say.
constexpr uint32_t kAssumedCards = 1;

const PtpDriverObjects& objects() { return PtpSession_Driver()->objects; }

} // namespace

PtpResult PtpTakeHandleArray(uint8_t* data, uint32_t length, uint32_t** handles, uint32_t* count) {
    return PtpTakeIdArray(data, length, kStandardIdsStart, handles, count);
}

// A reply of a u32 count and then count u32 values from byte first, turned in
// place into a plain array at the start of the buffer.
PtpResult PtpTakeIdArray(uint8_t* data, uint32_t length, uint32_t first, uint32_t** out,
                         uint32_t* count) {
    if (!out || !count || first < kStandardIdsStart) {
        std::free(data);
        return PtpResult_InvalidArgument;
    }
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

// --- The standard operations --------------------------------------------------------

PtpResult PtpObjects_GetObjectInfo(uint16_t op, uint32_t handle, const PtpObjectInfoForm& form,
                                   PtpObjectInfo* out) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(op, {handle}, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    rc = PtpParseObjectInfo(out, data, length, form);
    std::free(data);
    if (rc != PtpResult_Ok) return PtpResult_DataSetParseFailed;
    out->handle = handle;
    return PtpResult_Ok;
}

PtpResult PtpObjects_GetStandardObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    return PtpObjects_GetObjectInfo(kPtpOpGetObjectInfo, handle, {}, out);
}

PtpResult PtpObjects_GetStandardHandles(uint32_t storage, uint16_t format, uint16_t association,
                                        uint32_t** handles, uint32_t* count) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kPtpOpGetObjectHandles, {storage, format, association},
                                            &data, &length);
    if (rc != PtpResult_Ok) return rc;
    return PtpTakeHandleArray(data, length, handles, count);
}

PtpResult PtpObjects_GetStandardStorageIds(uint32_t** ids, uint32_t* count) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kPtpOpGetStorageIds, {}, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    return PtpTakeIdArray(data, length, kStandardIdsStart, ids, count);
}

PtpResult PtpObjects_GetStandardPartialObject(uint32_t handle, uint32_t offset, uint32_t length,
                                              uint8_t** data, uint32_t* outLength) {
    return PtpTransaction_RunDataIn(kPtpOpGetPartialObject, {handle, offset, length}, data,
                                    outLength);
}

PtpResult PtpObjects_RunThumbnail(uint16_t op, std::initializer_list<uint32_t> params,
                                  const PtpObjectInfo* share, uint8_t** data, uint32_t* length) {
    if (!share) return PtpTransaction_RunDataIn(op, params, data, length);
    PtpResult rc = PtpResult_DeviceBusy;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::free(*data);
        *data = nullptr;
        *length = 0;
        rc = PtpTransaction_ExecuteShared(op, params.begin(), uint32_t(params.size()),
                                          kShareModeOthersAndMe, kShareKindWholeObject,
                                          reinterpret_cast<const uint8_t*>(share),
                                          PTP_OBJECT_INFO_SIZE, data, length, nullptr);
        if (!PtpTransaction_IsBusy(rc) || attempt == 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMillis));
    }
    if (rc != PtpResult_Ok) {
        std::free(*data);
        *data = nullptr;
        *length = 0;
    }
    return rc;
}

PtpResult PtpObjects_GetStandardThumbnail(uint32_t handle, const PtpObjectInfo* share,
                                          uint8_t** data, uint32_t* length, uint8_t* orientation) {
    (void)orientation; // the standard thumbnail reports none
    return PtpObjects_RunThumbnail(kPtpOpGetThumb, {handle}, share, data, length);
}

PtpResult PtpObjects_DeleteStandardObject(uint32_t handle, uint32_t second) {
    return PtpTransaction_Run(kPtpOpDeleteObject, {handle, second});
}

uint32_t PtpObjects_AvailableShotsProperty() {
    uint32_t code = PtpGetAvailableShotsPropertyCode();
    if (code == 0) return 0;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, /*lock=*/0);
    if (!record) return 0;
    PtpRecordHold held(record);
    return record->currentValue;
}

// --- Object information and listings ------------------------------------------------

PtpResult PtpGenericInterface_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    if (!out) return PtpResult_InvalidArgument;
    const PtpDriverObjects& d = objects();
    if (!d.getInfo) return PtpResult_NotSupportedForCamera;
    return d.getInfo(handle, out);
}

PtpResult PtpGenericInterface_GetObjectHandles(uint32_t storageId, uint16_t format,
                                               uint16_t association, uint32_t** handles,
                                               uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    *handles = nullptr;
    *count = 0;
    const PtpDriverObjects& d = objects();
    return d.getHandles ? d.getHandles(storageId, format, association, handles, count) : kNoListing;
}

PtpResult PtpGenericInterface_GetObjectHandles2(uint32_t** handles, uint32_t* count) {
    if (!handles || !count) return PtpResult_InvalidArgument;
    const PtpDriverObjects& d = objects();
    if (d.getAllHandles) {
        *handles = nullptr;
        *count = 0;
        return d.getAllHandles(handles, count);
    }
    return PtpGenericInterface_GetObjectHandles(kAllStorages, 0, 0, handles, count);
}

// --- Storages ----------------------------------------------------------------------------

PtpResult PtpGetStorageIds(uint32_t** ids, uint32_t* count) {
    if (!ids || !count) return PtpResult_InvalidArgument;
    *ids = nullptr;
    *count = 0;
    const PtpDriverObjects& d = objects();
    if (!d.getStorageIds) return PtpResult_NotSupportedForCamera;
    return d.getStorageIds(ids, count);
}

uint32_t PtpGenericInterface_GetNumStorageCards() {
    if (!objects().getStorageIds) return 0;
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
    return PtpTransaction_RunDataIn(kPtpOpGetObject, {handle}, data, length);
}

PtpResult PtpGenericInterface_GetPartialObject(uint32_t handle, uint32_t offset, uint32_t length,
                                               uint8_t** data, uint32_t* outLength) {
    if (!data || !outLength) return PtpResult_InvalidArgument;
    *data = nullptr;
    *outLength = 0;
    const PtpDriverObjects& d = objects();
    if (!d.getPartial) return PtpResult_NotSupportedForCamera;
    return d.getPartial(handle, offset, length, data, outLength);
}

PtpResult PtpObjects_GetThumbnail(uint32_t handle, const PtpObjectInfo* share, uint8_t** data,
                                  uint32_t* length, uint8_t* orientation) {
    *data = nullptr;
    *length = 0;
    const PtpDriverObjects& d = objects();
    if (!d.getThumbnail) return PtpResult_NotSupportedForCamera;
    return d.getThumbnail(handle, share, data, length, orientation);
}

PtpResult PtpGenericInterface_GetThumbnail(uint32_t handle, uint8_t** data, uint32_t* length,
                                           uint8_t* orientation) {
    if (!data || !length) return PtpResult_InvalidArgument;
    return PtpObjects_GetThumbnail(handle, nullptr, data, length, orientation);
}

// --- Deletion and counts ------------------------------------------------------------------------

PtpResult PtpGenericInterface_DeleteObject(uint32_t handle, uint32_t second) {
    const PtpDriverObjects& d = objects();
    if (!d.deleteObject) return PtpResult_NotSupportedForCamera;
    return d.deleteObject(handle, second);
}

uint32_t PtpGenericInterface_GetSdAvailableShots() {
    const PtpDriverObjects& d = objects();
    return d.availableShots ? d.availableShots() : 0;
}

// --- Image formats ------------------------------------------------------------------------------

PtpResult PtpGenericInterface_GetPossibleImageFormats(uint32_t kind, uint32_t** formats,
                                                      uint32_t* count) {
    if (!formats || !count) return PtpResult_InvalidArgument;
    *formats = nullptr;
    *count = 0;
    const PtpDriverFormats& d = PtpSession_Driver()->formats;
    if (!d.possible) return PtpResult_NotSupportedForCamera;
    return d.possible(kind, formats, count);
}

PtpResult PtpGenericInterface_GetImageFormatDetails(uint32_t format, uint32_t kind, uint16_t* size,
                                                    uint8_t* compression) {
    if (!size || !compression) return PtpResult_InvalidArgument;
    const PtpDriverFormats& d = PtpSession_Driver()->formats;
    if (!d.details) return PtpResult_NotSupportedForCamera;
    return d.details(format, kind, size, compression);
}
