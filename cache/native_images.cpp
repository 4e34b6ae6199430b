// The host image API: object information, images and thumbnails answered from
// the object cache when it has them, else fetched from the camera or the
// Tetherhub's SD card and stored.
#include <cstdlib>
#include <cstring>
#include <new>

#include "cache/native.h"
#include "cache/object_cache.h"
#include "generic/driver.h"
#include "generic/objects.h"
#include "generic/session.h"
#include "ptp/shared_transaction.h"
#include "ptp_comms.h"
#include "ptp_sdcard.h"

namespace {

// A malloc'd buffer released on every path that does not hand it over.
struct Owned {
    uint8_t* p = nullptr;
    uint32_t n = 0;
    ~Owned() { std::free(p); }
    void reset() {
        std::free(p);
        p = nullptr;
        n = 0;
    }
    void handOver(uint8_t** data, uint32_t* length) {
        *data = p;
        *length = p ? n : 0;
        p = nullptr;
        n = 0;
    }
};

bool is_sd_card(const PtpObjectInfo& record) { return record.handle == PTP_OBJECT_HANDLE_SD_CARD; }

void set_orientation_byte(PtpObjectInfo* record, uint8_t value) {
    record->orientation = (record->orientation & ~0xFFu) | value;
}

// Fills in what the vendor's object information leaves out. True when the
// record changed.
bool complete_info(PtpObjectInfo* record) {
    const PtpDriverObjects& d = PtpSession_Driver()->objects;
    return d.completeInfo && d.completeInfo(record);
}

// --- Images ------------------------------------------------------------------------

// Whether the JPEG the Tetherhub extracts is wanted instead of the raw data.
bool wants_extracted(const PtpObjectInfo& record, uint8_t preferExtracted) {
    if (!preferExtracted) return false;
    return is_sd_card(record) ? PtpGenericInterface_IsRawFileName(record.fileName)
                              : PtpGenericInterface_IsRawFormat(record.objectFormat);
}

// A cached answer: the modified JPEG, else the extracted JPEG or full image.
bool read_cached(const PtpObjectInfo& record, bool extracted, Owned* out) {
    if (PtpCache_ReadModified(&record, &out->p, &out->n)) return true;
    if (extracted) return PtpCache_ReadExtracted(&record, &out->p, &out->n);
    return PtpCache_ReadImage(&record, &out->p, &out->n);
}

PtpResult fetch_image(const PtpObjectInfo& record, bool extracted, uint8_t shareMode, Owned* out) {
    if (is_sd_card(record)) {
        if (extracted)
            return Comms_SD_GetExtractedFile(record.fileName, &out->p, &out->n, shareMode);
        return Comms_SD_GetFile(record.fileName, &out->p, &out->n, shareMode, &record);
    }
    if (extracted) return Comms_GetExtractedJpgObject(&record, &out->p, &out->n, shareMode);
    return Native_FetchObject(&record, &out->p, &out->n, shareMode);
}

PtpResult get_image(const PtpObjectInfo& given, uint8_t** data, uint32_t* length, uint8_t shareMode,
                    uint8_t* fetchedNow, uint8_t preferExtracted) {
    PtpObjectInfo record = Native_BoundedRecord(given);
    if (is_sd_card(record)) {
        if (record.fileName[0] == '\0') return PtpResult_InvalidArgument;
    } else if (record.imageWidth == 0) {
        // Without its information the object's size and format are unknown. A
        // failure here is left to the fetch, which meets the same camera.
        Native_GetObjectInfo(&record, 0);
        record = Native_BoundedRecord(record);
    }
    const bool extracted = wants_extracted(record, preferExtracted);
    // Under 0xA0 the data is meant for the other clients: a cached answer
    // would reach nobody, so the request always goes out.
    const bool othersOnly = shareMode == kShareModeOthersOnly;

    Owned answer;
    if (!othersOnly && read_cached(record, extracted, &answer)) {
        answer.handOver(data, length);
        return PtpResult_Ok;
    }
    answer.reset();
    PtpResult rc = fetch_image(record, extracted, shareMode, &answer);
    if (rc != PtpResult_Ok) return rc; // answer releases whatever came
    if (fetchedNow) *fetchedNow = 1;
    if (othersOnly) return PtpResult_Ok; // no data for this client, nothing cached
    if (answer.p && answer.n > 0) {
        // A failed store is not the caller's failure: the data is still good.
        if (extracted)
            PtpCache_AddExtractedToCache(&record, nullptr, answer.p, answer.n);
        else
            PtpCache_AddImageToCache(&record, answer.p, answer.n);
    }
    answer.handOver(data, length);
    return PtpResult_Ok;
}

// --- Thumbnails ----------------------------------------------------------------------

PtpResult get_thumbnail(PtpObjectInfo* given, uint8_t** data, uint32_t* length, uint8_t share) {
    PtpObjectInfo record = Native_BoundedRecord(*given);
    Owned thumb;
    if (PtpCache_GetThumbnail(&record, &thumb.p, &thumb.n)) {
        given->orientation = record.orientation;
        thumb.handOver(data, length);
        return PtpResult_Ok;
    }
    thumb.reset();

    if (is_sd_card(record)) {
        if (record.fileName[0] == '\0') return PtpResult_InvalidArgument;
        uint8_t first = 0;
        PtpResult rc = Comms_SD_GetThumbnail(record.fileName, &thumb.p, &thumb.n, &first, share);
        if (rc != PtpResult_Ok) return rc;
        set_orientation_byte(&record, first);
        PtpCache_AddObjectInfoToCache(&record);
        given->orientation = record.orientation;
    } else {
        // Start from the record's orientation; a driver whose thumbnails
        // report one replaces it. Under share the data travels to the other
        // clients too, with the record as its prefix.
        uint8_t orientation = uint8_t(record.orientation & 0xFF);
        PtpResult rc = PtpObjects_GetThumbnail(record.handle, share ? &record : nullptr, &thumb.p,
                                               &thumb.n, &orientation);
        if (rc != PtpResult_Ok) return rc;
        if (PtpSession_Driver()->objects.thumbnailOrientation) {
            set_orientation_byte(&record, orientation);
            PtpCache_AddObjectInfoToCache(&record);
            given->orientation = record.orientation;
        }
    }
    if (thumb.p && thumb.n > 0) PtpCache_AddThumbnailToCache(&record, thumb.p, thumb.n);
    thumb.handOver(data, length);
    return PtpResult_Ok;
}

} // namespace

PtpResult Native_GetObjectInfo(PtpObjectInfo* record, uint8_t force) {
    if (!record || is_sd_card(*record)) return PtpResult_InvalidArgument;
    if (!(force && record->imageWidth != 0)) {
        const PtpObjectInfo key = Native_BoundedRecord(*record);
        PtpObjectInfo cached = {};
        if (PtpCache_GetObjectInfo(&key, &cached)) {
            cached = Native_BoundedRecord(cached);
            if (complete_info(&cached)) PtpCache_AddObjectInfoToCache(&cached);
            *record = cached;
            return PtpResult_Ok;
        }
    }
    PtpObjectInfo fresh = {};
    PtpResult rc = PtpGenericInterface_GetObjectInfo(record->handle, &fresh);
    if (rc != PtpResult_Ok) return rc;
    fresh = Native_BoundedRecord(fresh);
    complete_info(&fresh);
    PtpCache_AddObjectInfoToCache(&fresh);
    *record = fresh;
    return rc;
}

PtpResult Native_GetImage(const PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                          uint8_t shareMode, uint8_t* fetchedNow, uint8_t preferExtracted) {
    if (fetchedNow) *fetchedNow = 0;
    if (!record || !data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    try {
        return get_image(*record, data, length, shareMode, fetchedNow, preferExtracted);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}

const char* Native_GetImageCachePath(const PtpObjectInfo* record, uint8_t preferExtracted,
                                     uint8_t shareMode, PtpResult* result, uint8_t* fetchedNow) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = Native_GetImage(record, &data, &length, shareMode, fetchedNow, preferExtracted);
    if (result) *result = rc;
    std::free(data);
    if (rc != PtpResult_Ok) return nullptr;
    const PtpObjectInfo key = Native_BoundedRecord(*record);
    return PtpCache_GetCachedImagePath(&key, preferExtracted != 0);
}

const char* Native_GetShareImageCachePath(const PtpObjectInfo* record, PtpResult* result,
                                          uint8_t* fetchedNow, uint8_t direct) {
    if (direct != 1) return Native_GetImageCachePath(record, 1, 0, result, fetchedNow);
    PtpResult rc = PtpResult_Ok;
    const char* path = nullptr;
    if (fetchedNow) *fetchedNow = 1;
    if (!record) {
        rc = PtpResult_InvalidArgument;
    } else if (record->compressedSize > kWholeObjectLimit) {
        rc = PtpResult_InvalidData;
    } else {
        const PtpObjectInfo key = Native_BoundedRecord(*record);
        Owned image;
        if (!PtpCache_ReadImage(&key, &image.p, &image.n)) {
            image.reset();
            // GetObject names camera objects only; an SD-card file that is not
            // cached cannot be fetched this way.
            rc = is_sd_card(key) ? PtpResult(PtpResult_InvalidArgument)
                                 : PtpGenericInterface_GetObject(key.handle, &image.p, &image.n);
            if (rc == PtpResult_Ok && image.p && image.n > 0)
                PtpCache_AddImageToCache(&key, image.p, image.n);
        }
        if (rc == PtpResult_Ok) path = PtpCache_GetCachedImagePath(&key, true);
    }
    if (result) *result = rc;
    return path;
}

PtpResult Native_GetThumbnail(PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                              uint8_t share) {
    if (length) *length = 0;
    if (!record || !data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    try {
        return get_thumbnail(record, data, length, share);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}
