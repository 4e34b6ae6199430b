// The Tetherhub's sharing services, pushing an image to the other clients, and
// the object-record layout conversions clients exchange.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cache/native.h"
#include "cache/object_cache.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "ptp/shared_transaction.h"
#include "ptp_comms.h"
#include "ptp_relay.h"
#include "ptp_sdcard.h"
#include "relay/sharing.h"

namespace {

// The push of this client's own image shares the SD card's extracted-file
// code: the hub tells the two apart by the share prefix ahead of it.
constexpr uint8_t kControlPushImage = kControlSdExtractedFile;
// The largest image pushed in one message.
constexpr uint32_t kPushImageLimit = 5120000;
// A client name with its NUL.
constexpr size_t kMaxClientName = 200;

struct Sharing {
    std::atomic<uint8_t> version{0}; // the host's sharing protocol version
};

Sharing g_sharing;

// A malloc'd buffer released on every path.
struct Owned {
    uint8_t* p = nullptr;
    uint32_t n = 0;
    ~Owned() { std::free(p); }
};

// Moves bytes [at, size - n) of the record up by n, leaving n zero bytes at
// at; what passes the end is dropped.
void open_gap(uint8_t* record, size_t at, size_t n) {
    std::memmove(record + at + n, record + at, PTP_OBJECT_INFO_SIZE - at - n);
    std::memset(record + at, 0, n);
}

// Moves the bytes after [at, at + n) down over it; the last n bytes keep what
// they held.
void close_gap(uint8_t* record, size_t at, size_t n) {
    std::memmove(record + at, record + at + n, PTP_OBJECT_INFO_SIZE - at - n);
}

PtpResult push_own_image(const PtpObjectInfo& record, const Owned& image) {
    if (image.n > kPushImageLimit) return PtpResult_ObjectTooLarge;
    Owned reply;
    return Comms_SharedControlExchange(
        image.p, image.n, kControlPushImage, kShareModeOwnData, kShareKindWholeObject,
        PTP_OBJECT_INFO_SIZE, reinterpret_cast<const uint8_t*>(&record), &reply.p, &reply.n);
}

PtpResult send_image(const PtpObjectInfo* given, uint8_t preferExtracted) {
    // Records come from the host: work on a copy whose name ends inside it.
    const PtpObjectInfo record = Native_BoundedRecord(*given);
    Owned data;
    if (PtpCache_ReadModified(&record, &data.p, &data.n)) return push_own_image(record, data);

    if (record.handle != PTP_OBJECT_HANDLE_SD_CARD) {
        if (preferExtracted && PtpGenericInterface_IsRawFormat(record.objectFormat))
            return Comms_GetExtractedJpgObject(&record, &data.p, &data.n, kShareModeOthersOnly);
        return Native_FetchObject(&record, &data.p, &data.n, kShareModeOthersOnly);
    }
    if (record.fileName[0] == '\0') return PtpResult_InvalidArgument;
    if (preferExtracted && PtpGenericInterface_IsRawFileName(record.fileName))
        return Comms_SD_GetExtractedFile(record.fileName, &data.p, &data.n, kShareModeOthersOnly);
    return Comms_SD_GetFile(record.fileName, &data.p, &data.n, kShareModeOthersOnly, &record);
}

} // namespace

PtpResult Comms_ToggleSharing(uint8_t on) {
    return Comms_ControlExchange(kControlToggleSharing, &on, 1);
}

PtpResult Comms_DisableSharing() {
    return Comms_ControlExchange(kControlDisableSharing, nullptr, 0);
}

PtpResult Comms_IsSharingEnabled(uint8_t* enabled) {
    if (!enabled) return PtpResult_InvalidArgument;
    Owned reply;
    PtpResult rc =
        Comms_SendControlMessage(kControlIsSharingEnabled, nullptr, 0, &reply.p, &reply.n);
    if (rc != PtpResult_Ok) return rc;
    if (reply.n != 1 || !reply.p) return PtpResult_BadReply;
    *enabled = reply.p[0];
    return PtpResult_Ok;
}

PtpResult Comms_SendClientsCanSave(uint8_t canSave) {
    const uint8_t flag = canSave ? 1 : 0;
    return Comms_ControlExchange(kControlClientsCanSave, &flag, 1);
}

char* Comms_GetClientsString() {
    Owned reply;
    if (Comms_SendControlMessage(kControlClientsString, nullptr, 0, &reply.p, &reply.n) !=
            PtpResult_Ok ||
        reply.n == 0 || !reply.p)
        return nullptr;
    // The hub's text carries no NUL of its own: the host gets one added.
    char* text = static_cast<char*>(std::malloc(size_t(reply.n) + 1));
    if (!text) return nullptr;
    std::memcpy(text, reply.p, reply.n);
    text[reply.n] = '\0';
    return text;
}

PtpResult ShareComms_SendClientName(const char* name) {
    if (!name) return PtpResult_InvalidArgument;
    const size_t length = strnlen(name, kMaxClientName);
    if (length + 1 > kMaxClientName) return PtpResult_InvalidArgument;
    return Comms_ControlExchange(kControlClientName, reinterpret_cast<const uint8_t*>(name),
                                 uint32_t(length + 1));
}

void ShareComms_SetVersion(uint8_t version) { g_sharing.version.store(version); }

uint8_t ShareComms_Version() { return g_sharing.version.load(); }

void ShareComms_AdjustV1PtpObject(PtpObjectInfo* record) {
    if (!record) return;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(record);
    // Version 1 packed four fields tighter; each gap is counted after the
    // earlier ones.
    open_gap(bytes, 14, 2);
    open_gap(bytes, 46, 2);
    open_gap(bytes, 56, 4);
    open_gap(bytes, 336, 4);
    bytes[offsetof(PtpObjectInfo, orientation)] = 0;
    std::memset(bytes + offsetof(PtpObjectInfo, flags), 0, 8);
}

PtpObjectInfo* WindowsFixObjectPointer(PtpObjectInfo* record) {
    if (!record) return nullptr;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(record);
    // The padded layout aligns three 32-bit fields after 16-bit ones; offsets
    // are counted after the earlier removals (14, 46 and 314 when padded).
    close_gap(bytes, 14, 2);
    close_gap(bytes, 44, 2);
    close_gap(bytes, 310, 2);
    return record;
}

PtpResult Native_SendImageToClients(const PtpObjectInfo* record, uint8_t preferExtracted) {
    if (!record) return PtpResult_InvalidArgument;
    try {
        return send_image(record, preferExtracted);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}
