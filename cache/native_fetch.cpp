// The whole-object fetch from the camera: one GetObject for ordinary objects,
// parts through the Tetherhub for large ones, each request tried again while
// the camera reports itself busy.
#include "cache/native.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "generic/driver.h"
#include "generic/objects.h"
#include "generic/session.h"
#include "ptp/shared_transaction.h"
#include "ptp/transaction.h"
#include "ptp_comms.h"

namespace {

void sleep_millis(uint32_t millis) {
    std::this_thread::sleep_for(std::chrono::milliseconds(millis));
}

struct FetchState {
    std::atomic<NativePauseFn> pause{sleep_millis}; // replaced by tests only
};

FetchState g_fetch;

// Releases a malloc'd buffer on every path that does not hand it over.
struct Owned {
    uint8_t* p = nullptr;
    ~Owned() { std::free(p); }
    uint8_t* release() {
        uint8_t* q = p;
        p = nullptr;
        return q;
    }
};

uint32_t part_size() {
    const PtpDriverObjects& d = PtpSession_Driver()->objects;
    const uint32_t size = d.partSize ? d.partSize() : 0;
    return size ? size : kPartSize;
}

// One GetObject attempt. Each attempt is a single transaction (not the
// engine's retrying entry), so five busy answers are exactly five attempts.
PtpResult get_object_once(const PtpObjectInfo& record, uint8_t shareMode, uint8_t** data,
                          uint32_t* length) {
    const uint32_t handle = record.handle;
    if (shareMode == 0)
        return PtpTransaction_Execute(kPtpOpGetObject, &handle, 1, nullptr, 0, data, length,
                                      nullptr, 1);
    return PtpTransaction_ExecuteShared(
        kPtpOpGetObject, &handle, 1, shareMode, kShareKindWholeObject,
        reinterpret_cast<const uint8_t*>(&record), PTP_OBJECT_INFO_SIZE, data, length, nullptr);
}

PtpResult fetch_whole(const PtpObjectInfo& record, uint8_t shareMode, uint8_t** data,
                      uint32_t* length) {
    PtpResult rc = PtpResult_DeviceBusy;
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
        Owned got;
        uint32_t got_length = 0;
        rc = get_object_once(record, shareMode, &got.p, &got_length);
        if (rc == PtpResult_DeviceBusy) {
            Native_PauseAfterBusy();
            continue;
        }
        // Under 0xA0 the data is the other clients'; whatever reached this
        // client is dropped. A failed transfer is never handed out.
        if (rc == PtpResult_Ok && shareMode != kShareModeOthersOnly && got_length > 0) {
            *length = got_length;
            *data = got.release();
        }
        return rc;
    }
    return rc;
}

// One part, tried while the camera is busy. A reply longer than the part, or
// an empty one reported as success, is a broken answer: the part would not
// fill its place in the object.
PtpResult fetch_part(const PtpObjectInfo& record, uint32_t offset, uint32_t want, uint8_t shareMode,
                     Owned* part, uint32_t* got) {
    PtpResult rc = PtpResult_DeviceBusy;
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
        std::free(part->release());
        *got = 0;
        rc = Comms_GetPartialObject(&record, offset, want, &part->p, got, shareMode);
        if (rc != PtpResult_DeviceBusy) break;
        Native_PauseAfterBusy();
    }
    if (rc != PtpResult_Ok) return rc;
    if (shareMode == kShareModeOthersOnly) return PtpResult_Ok; // the data went elsewhere
    if (*got == 0 || *got > want || !part->p) return PtpResult_BadReply;
    return PtpResult_Ok;
}

PtpResult fetch_parts(const PtpObjectInfo& record, uint8_t shareMode, uint8_t** data,
                      uint32_t* length) {
    const uint32_t size = record.compressedSize;
    const uint32_t partSize = part_size();
    const bool keep = shareMode != kShareModeOthersOnly;
    if (size == 0) return PtpResult_Ok; // nothing to ask for
    Owned whole;
    if (keep) {
        whole.p = static_cast<uint8_t*>(std::malloc(size));
        if (!whole.p) return PtpResult_OutOfMemory;
    }
    uint32_t offset = 0;
    while (offset < size) {
        const uint32_t want = size - offset < partSize ? size - offset : partSize;
        Owned part;
        uint32_t got = 0;
        PtpResult rc = fetch_part(record, offset, want, shareMode, &part, &got);
        if (rc != PtpResult_Ok) return rc;
        if (!keep) {
            offset += want;
            continue;
        }
        // got <= want <= size - offset: the part lies inside the buffer.
        std::memcpy(whole.p + offset, part.p, got);
        offset += got;
    }
    if (keep) {
        *data = whole.release();
        *length = size;
    }
    return PtpResult_Ok;
}

} // namespace

void Native_SetPauseForTest(NativePauseFn pause) {
    g_fetch.pause.store(pause ? pause : sleep_millis);
}

void Native_PauseAfterBusy() { g_fetch.pause.load()(kBusyPauseMillis); }

PtpObjectInfo Native_BoundedRecord(const PtpObjectInfo& record) {
    PtpObjectInfo copy = record;
    copy.fileName[PTP_OBJECT_NAME_SIZE - 1] = '\0';
    copy.keywords[PTP_OBJECT_KEYWORDS_SIZE - 1] = '\0';
    return copy;
}

PtpResult Native_FetchObject(const PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                             uint8_t shareMode) {
    if (!record || !data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    const PtpObjectInfo copy = Native_BoundedRecord(*record);
    const PtpDriverObjects& d = PtpSession_Driver()->objects;
    try {
        if (copy.compressedSize < kWholeObjectLimit && !(d.alwaysInParts && d.alwaysInParts()))
            return fetch_whole(copy, shareMode, data, length);
        return fetch_parts(copy, shareMode, data, length);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}
