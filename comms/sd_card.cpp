// The Tetherhub's SD card: the name-only requests, space, clock, transfer flag,
// format, thumbnails and extracted images. Whole-file transfers are in
// sd_transfer.cpp. Each function is one control exchange; reply data of a
// failed or malformed reply is released here and never handed over.
#include "comms/sd_card.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "ptp_sdcard.h"

namespace {

// Transfer-flag payload: the flag, then two zero-padded 64-byte texts.
constexpr size_t kFlagTextSize = 64;
constexpr size_t kFlagPayloadSize = 1 + 2 * kFlagTextSize;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using ReplyData = std::unique_ptr<uint8_t, FreeDeleter>;

// Raises the receive time-out for the format exchange and puts it back to the
// usual 22 seconds on every way out.
struct FormatTimeout {
    FormatTimeout() { Comms_SetReceiveTimeout(kFormatReceiveTimeoutSeconds); }
    ~FormatTimeout() { Comms_SetReceiveTimeout(kReceiveTimeoutSeconds); }
    FormatTimeout(const FormatTimeout&) = delete;
    FormatTimeout& operator=(const FormatTimeout&) = delete;
};

// The length of a name for delete, exists and the extracted image: with its
// NUL at most 200 bytes, read no further than that.
bool request_name_length(const char* name, size_t* length) {
    if (!name) return false;
    size_t n = strnlen(name, kSdRequestNameBytes);
    if (n >= kSdRequestNameBytes) return false;
    *length = n;
    return true;
}

// An exchange with the NUL-terminated name as payload and reply data wanted;
// when shared, the prefix carries the card file's object record (record kind
// 0xB0, name length without the NUL).
PtpResult name_exchange(uint8_t code, const char* name, size_t n, bool shared, uint8_t mode,
                        ReplyData* reply, uint32_t* m) {
    uint8_t* data = nullptr;
    const uint8_t* payload = reinterpret_cast<const uint8_t*>(name);
    PtpResult rc;
    if (!shared) {
        rc = Comms_SendControlMessage(code, payload, uint32_t(n + 1), &data, m);
    } else {
        PtpObjectInfo record = {};
        rc = Comms_SD_MakeObjectRecord(name, 0, 0, false, &record);
        if (rc != PtpResult_Ok) return rc;
        rc = Comms_SharedControlExchange(payload, uint32_t(n + 1), code, mode, kSdShareKindWhole,
                                         sizeof record, reinterpret_cast<const uint8_t*>(&record),
                                         &data, m);
    }
    reply->reset(data);
    return rc;
}

// An exchange whose reply must be exactly `size` bytes, handed over in *out.
PtpResult fixed_exchange(uint8_t code, const uint8_t* payload, uint32_t n, ReplyData* out,
                         uint32_t size) {
    uint8_t* data = nullptr;
    uint32_t m = 0;
    PtpResult rc = Comms_SendControlMessage(code, payload, n, &data, &m);
    out->reset(data);
    if (rc == PtpResult_Ok && m != size) rc = PtpResult_BadReply;
    return rc;
}

// Copies a transfer-flag text into its 64-byte field (already zeroed); false
// when it has more than 63 characters.
bool put_flag_text(uint8_t* field, const char* text) {
    if (!text) return true;
    size_t n = strnlen(text, kFlagTextSize);
    if (n >= kFlagTextSize) return false;
    std::memcpy(field, text, n);
    return true;
}

} // namespace

bool Comms_SD_TransferNameLength(const char* name, size_t* length) {
    if (!name || !length) return false;
    size_t n = strnlen(name, kSdTransferNameMax + 1);
    if (n > kSdTransferNameMax) return false;
    *length = n;
    return true;
}

PtpResult Comms_SD_MakeObjectRecord(const char* name, uint32_t size, uint32_t partOffset,
                                    bool lengthCountsNul, PtpObjectInfo* record) {
    size_t n = 0;
    if (!record || !Comms_SD_TransferNameLength(name, &n)) return PtpResult_InvalidArgument;
    std::memset(record, 0, sizeof *record);
    record->handle = PTP_OBJECT_HANDLE_SD_CARD;
    record->compressedSize = size;
    record->sequenceNumber = partOffset;
    std::memcpy(record->fileName, name, n); // n <= 255: the NUL is one of the zeroed bytes
    record->fileNameLength = uint16_t(lengthCountsNul ? n + 1 : n);
    return PtpResult_Ok;
}

PtpResult Comms_SD_DeleteFile(const char* name) {
    size_t n = 0;
    if (!request_name_length(name, &n)) return PtpResult_InvalidArgument;
    return Comms_ControlExchange(kControlSdDeleteFile, reinterpret_cast<const uint8_t*>(name),
                                 uint32_t(n + 1));
}

PtpResult Comms_SD_DoesFileExist(const char* name, uint8_t* exists) {
    size_t n = 0;
    if (!exists || !request_name_length(name, &n)) return PtpResult_InvalidArgument;
    ReplyData reply;
    PtpResult rc = fixed_exchange(kControlSdFileExists, reinterpret_cast<const uint8_t*>(name),
                                  uint32_t(n + 1), &reply, 1);
    if (rc != PtpResult_Ok) return rc;
    ByteReader r = make_reader(reply.get(), 1);
    *exists = read_u8(r);
    return PtpResult_Ok;
}

PtpResult Comms_SD_Format(void) {
    std::unique_lock<std::mutex> held(Comms_RelayLinkLock());
    // Declared after the lock, so the time-out is back to 22 seconds before the
    // lock is released and no other exchange ever waits with the long one.
    FormatTimeout longWait;
    PtpResult rc = Comms_SendControlRequest(held, kControlSdFormat, nullptr, 0);
    if (rc != PtpResult_Ok) return rc; // the lock was released there
    return Comms_ReadControlReply(nullptr, nullptr);
}

PtpResult Comms_SD_GetAllFilenames(uint8_t** data, uint32_t* length) {
    if (!data || !length) return PtpResult_InvalidArgument;
    return Comms_SendControlMessage(kControlSdAllFilenames, nullptr, 0, data, length);
}

PtpResult Comms_SD_GetFileSize(const char* name, uint64_t* size) {
    size_t n = 0;
    if (!size || !Comms_SD_TransferNameLength(name, &n)) return PtpResult_InvalidArgument;
    ReplyData reply;
    PtpResult rc = fixed_exchange(kControlSdFileSize, reinterpret_cast<const uint8_t*>(name),
                                  uint32_t(n + 1), &reply, 8);
    if (rc != PtpResult_Ok) return rc;
    ByteReader r = make_reader(reply.get(), 8);
    *size = read_u64(r);
    return PtpResult_Ok;
}

PtpResult Comms_SD_GetInfo(uint64_t* first, uint64_t* second) {
    if (!first || !second) return 0; // the historical answer for a missing out
    ReplyData reply;
    PtpResult rc = fixed_exchange(kControlSdInfo, nullptr, 0, &reply, 16);
    if (rc != PtpResult_Ok) return rc;
    ByteReader r = make_reader(reply.get(), 16);
    *first = read_u64(r);
    *second = read_u64(r);
    return PtpResult_Ok;
}

PtpResult Comms_SD_GetThumbnail(const char* name, uint8_t** data, uint32_t* length,
                                uint8_t* firstByte, uint8_t shareMode) {
    if (data) *data = nullptr;
    if (length) *length = 0;
    size_t n = 0;
    if (!data || !length || !firstByte || !Comms_SD_TransferNameLength(name, &n))
        return PtpResult_InvalidArgument;
    *firstByte = 0;
    ReplyData reply;
    uint32_t m = 0;
    PtpResult rc =
        name_exchange(kControlSdThumbnail, name, n, shareMode != 0, shareMode, &reply, &m);
    if (rc != PtpResult_Ok) return rc;

    ByteReader r = make_reader(reply.get(), m);
    uint8_t first = read_u8(r);
    if (shareMode == kSdShareOthersOnly) {
        // The thumbnail went to the other clients; nothing (or the byte) comes here.
        *firstByte = first;
        return PtpResult_Ok;
    }
    // Success without even the leading byte is a broken reply, not a thumbnail.
    if (!r.ok) return PtpResult_BadReply;
    *firstByte = first;
    uint32_t k = uint32_t(bytes_left(r));
    if (k == 0) return PtpResult_Ok;
    uint8_t* thumb = reply.release();
    std::memmove(thumb, thumb + r.pos, k);
    *data = thumb;
    *length = k;
    return PtpResult_Ok;
}

PtpResult Comms_SD_GetExtractedFile(const char* name, uint8_t** data, uint32_t* length,
                                    uint8_t shareMode) {
    if (data) *data = nullptr;
    if (length) *length = 0;
    size_t n = 0;
    if (!data || !length || !request_name_length(name, &n)) return PtpResult_InvalidArgument;
    bool shared = shareMode == kSdShareOthersOnly || shareMode == kSdShareOthersAndMe;
    ReplyData reply;
    uint32_t m = 0;
    PtpResult rc = name_exchange(kControlSdExtractedFile, name, n, shared, shareMode, &reply, &m);
    if (rc != PtpResult_Ok) return rc;
    if (shareMode == kSdShareOthersOnly) return PtpResult_Ok; // the image went to the others
    if (m == 0) return PtpResult_BadReply;                    // success without an image
    *data = reply.release();
    *length = m;
    return PtpResult_Ok;
}

PtpResult Comms_SD_SaveObjectFromCamera(const PtpObjectInfo* record) {
    if (!record) return PtpResult_InvalidArgument;
    return Comms_ControlExchange(kControlSdSaveObject, reinterpret_cast<const uint8_t*>(record),
                                 sizeof *record);
}

PtpResult Comms_SD_SetCurrentTime(void) {
    uint64_t now = uint64_t(std::time(nullptr));
    uint8_t payload[8];
    put_u32(payload, uint32_t(now));
    put_u32(payload + 4, uint32_t(now >> 32));
    return Comms_ControlExchange(kControlSdSetCurrentTime, payload, sizeof payload);
}

PtpResult Comms_SD_SetTransferFlag(uint8_t flag, const char* first, const char* second) {
    uint8_t payload[kFlagPayloadSize] = {};
    payload[0] = flag;
    if (!put_flag_text(payload + 1, first) || !put_flag_text(payload + 1 + kFlagTextSize, second))
        return PtpResult_InvalidArgument;
    return Comms_ControlExchange(kControlSdSetTransferFlag, payload, sizeof payload);
}
