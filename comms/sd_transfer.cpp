// Downloads of SD-card files: the file request (control code 248) and the
// whole-file transfer, one request for a file below 2 MiB, else 2-MiB parts,
// each under its own hold of the relay link lock.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "comms/sd_card.h"
#include "ptp_sdcard.h"

namespace {

// u32 offset, u32 length, then the name and its NUL.
constexpr size_t kFileRequestFixed = 8;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

} // namespace

PtpResult Comms_SD_RequestFilePart(const char* name, uint32_t offset, uint32_t length,
                                   uint8_t shareMode, uint8_t kind, const uint8_t* record,
                                   uint32_t r, uint8_t** data, uint32_t* m) {
    if (data) *data = nullptr;
    if (m) *m = 0;
    size_t n = 0;
    if (!Comms_SD_TransferNameLength(name, &n)) return PtpResult_InvalidArgument;
    uint8_t payload[kFileRequestFixed + kSdTransferNameMax + 1];
    put_u32(payload, offset);
    put_u32(payload + 4, length);
    std::memcpy(payload + kFileRequestFixed, name, n);
    payload[kFileRequestFixed + n] = 0;
    uint32_t size = uint32_t(kFileRequestFixed + n + 1);
    if (shareMode == 0) return Comms_SendControlMessage(kControlSdGetFile, payload, size, data, m);
    return Comms_SharedControlExchange(payload, size, kControlSdGetFile, shareMode, kind, r, record,
                                       data, m);
}

// One plain file request whose data is received straight into `into`, which
// has room for `length` bytes: a large file's parts land in the buffer handed
// out, with no buffer per part and no copy.
static PtpResult request_part_into(const char* name, size_t nameLength, uint32_t offset,
                                   uint32_t length, uint8_t* into, uint32_t* m) {
    uint8_t payload[kFileRequestFixed + kSdTransferNameMax + 1];
    put_u32(payload, offset);
    put_u32(payload + 4, length);
    std::memcpy(payload + kFileRequestFixed, name, nameLength);
    payload[kFileRequestFixed + nameLength] = 0;
    std::unique_lock<std::mutex> held(Comms_RelayLinkLock());
    PtpResult rc = Comms_SendControlRequest(held, kControlSdGetFile, payload,
                                            uint32_t(kFileRequestFixed + nameLength + 1));
    if (rc != PtpResult_Ok) return rc; // the lock was released there
    return Comms_ReadControlReplyInto(into, length, m);
}

PtpResult Comms_SD_GetFile(const char* name, uint8_t** data, uint32_t* length, uint8_t shareMode,
                           const PtpObjectInfo* record) {
    if (data) *data = nullptr;
    if (length) *length = 0;
    size_t nameLength = 0;
    if (!data || !length || !Comms_SD_TransferNameLength(name, &nameLength))
        return PtpResult_InvalidArgument;

    uint64_t fileSize = 0;
    PtpResult rc = Comms_SD_GetFileSize(name, &fileSize);
    if (rc != PtpResult_Ok) return rc;
    // Requests and the buffer handed out are sized in 32 bits.
    if (fileSize > UINT32_MAX) return PtpResult_InvalidData;
    const uint32_t size = uint32_t(fileSize);
    const bool keep = shareMode != kSdShareOthersOnly; // under 0xA0 the data is not ours
    const bool single = size < kSdPartSize;

    // A large file gets its buffer before anything is asked for; a small one
    // normally takes over the reply's buffer and needs its own only when the
    // Tetherhub answers with less than the whole file.
    Buffer result;
    if (keep && !single) {
        result.reset(static_cast<uint8_t*>(std::malloc(size)));
        if (!result) return PtpResult_OutOfMemory;
    }

    // Parts are asked for from `size - remaining` on, so a part shorter than
    // asked is followed by a request for the rest. Every successful part must
    // bring data (or the loop would make no progress) and never more than
    // asked. A file of size 0 is one request for 0 bytes.
    uint32_t remaining = size;
    do {
        const uint32_t offset = size - remaining;
        const uint32_t want = remaining < kSdPartSize ? remaining : kSdPartSize;
        // Shared requests carry the caller's record for a small file, else the
        // card file's record with the part's offset.
        PtpObjectInfo partRecord = {};
        const PtpObjectInfo* shareRecord = nullptr;
        if (shareMode != 0) {
            shareRecord = &partRecord;
            if (single && offset == 0 && record)
                shareRecord = record;
            else if ((rc = Comms_SD_MakeObjectRecord(name, size, offset, true, &partRecord)) !=
                     PtpResult_Ok)
                return rc;
        }
        uint8_t* reply = nullptr;
        uint32_t m = 0;
        if (shareMode == 0 && result) {
            rc = request_part_into(name, nameLength, offset, want, result.get() + offset, &m);
            if (rc != PtpResult_Ok) return rc;
            if (m == 0) return PtpResult_BadReply; // no progress
            remaining -= m;
            continue;
        }
        rc = Comms_SD_RequestFilePart(name, offset, want, shareMode, kSdShareKindPart,
                                      reinterpret_cast<const uint8_t*>(shareRecord),
                                      shareRecord ? sizeof *shareRecord : 0, &reply, &m);
        Buffer part(reply);
        if (rc != PtpResult_Ok) return rc;
        if (m > want) return PtpResult_BadReply;
        if (!keep) {
            remaining -= want;
            continue;
        }
        if (m == 0) {
            if (want == 0) break; // the empty file
            return PtpResult_BadReply;
        }
        if (offset == 0 && m == size) {
            *data = part.release(); // the whole file in one reply
            *length = size;
            return PtpResult_Ok;
        }
        if (!result) {
            result.reset(static_cast<uint8_t*>(std::malloc(size)));
            if (!result) return PtpResult_OutOfMemory;
        }
        std::memcpy(result.get() + offset, part.get(), m);
        remaining -= m;
    } while (remaining > 0);

    if (keep) {
        *data = result.release();
        *length = size;
    }
    return PtpResult_Ok;
}
