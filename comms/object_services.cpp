// Object data fetched by the Tetherhub: parts of camera objects and of files on
// its SD card, and the JPEG it extracts from an object; each optionally passed
// on to the hub's other clients.
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "comms/services.h"

namespace {

// The sequence-number field of an object record, which a shared part request
// uses to tell the other clients where the part lies in the object.
constexpr size_t kRecordPartOffsetField = 52;

// An exchange that is shared when mode is non-zero.
PtpResult exchange(uint8_t code, const std::vector<uint8_t>& payload, uint8_t mode, uint8_t kind,
                   const uint8_t* record, uint32_t recordLength, uint8_t** data, uint32_t* m) {
    uint32_t n = uint32_t(payload.size());
    if (mode == 0) return Comms_SendControlMessage(code, payload.data(), n, data, m);
    return Comms_SharedControlExchange(payload.data(), n, code, mode, kind, recordLength, record,
                                       data, m);
}

// The record's SD-card file name with its NUL, or false when the 256 bytes
// hold no NUL: a name is never read past its field.
bool sd_file_name(const PtpObjectInfo& record, const char** name, uint32_t* withNul) {
    const void* end = std::memchr(record.fileName, 0, sizeof record.fileName);
    if (!end) return false;
    *name = record.fileName;
    *withNul = uint32_t(static_cast<const char*>(end) - record.fileName) + 1;
    return true;
}

} // namespace

PtpResult Comms_GetPartialObject(const PtpObjectInfo* record, uint32_t offset, uint32_t length,
                                 uint8_t** data, uint32_t* dataLength, uint8_t shareMode) {
    if (!record || !data || !dataLength) return PtpResult_InvalidArgument;
    *data = nullptr;
    *dataLength = 0;
    PtpResult rc;
    try {
        ByteWriter payload;
        if (record->handle == PTP_OBJECT_HANDLE_SD_CARD) {
            const char* name = nullptr;
            uint32_t withNul = 0;
            if (!sd_file_name(*record, &name, &withNul)) return PtpResult_InvalidArgument;
            write_u32(payload, offset);
            write_u32(payload, length);
            write_bytes(payload, name, withNul);
            rc = exchange(kControlSdGetFile, payload.buf, shareMode, kShareRecordFileName,
                          reinterpret_cast<const uint8_t*>(name), withNul, data, dataLength);
        } else {
            write_u32(payload, record->handle);
            write_u32(payload, offset);
            write_u32(payload, length);
            // The other clients learn from the record's copy where the part lies.
            uint8_t copy[PTP_OBJECT_INFO_SIZE];
            std::memcpy(copy, record, sizeof copy);
            put_u32(copy + kRecordPartOffsetField, offset);
            rc = exchange(kControlGetPartialObject, payload.buf, shareMode, kShareRecordObjectPart,
                          copy, sizeof copy, data, dataLength);
        }
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
    // A hub that sends more than was asked would overrun the caller's buffer
    // for the whole object.
    if (rc == PtpResult_Ok && *dataLength > length) rc = PtpResult_BadReply;
    if (rc != PtpResult_Ok) {
        std::free(*data);
        *data = nullptr;
        *dataLength = 0;
    }
    return rc;
}

PtpResult Comms_GetExtractedJpgObject(const PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                                      uint8_t shareMode) {
    if (!record || !data || !length) return PtpResult_InvalidArgument;
    *data = nullptr;
    *length = 0;
    uint8_t payload[4];
    put_u32(payload, record->handle);
    PtpResult rc;
    if (shareMode == kShareOthersOnly || shareMode == kShareOthersAndMe)
        rc = Comms_SharedControlExchange(payload, sizeof payload, kControlExtractedJpgObject,
                                         shareMode, kShareRecordObject, PTP_OBJECT_INFO_SIZE,
                                         reinterpret_cast<const uint8_t*>(record), data, length);
    else
        rc = Comms_SendControlMessage(kControlExtractedJpgObject, payload, sizeof payload, data,
                                      length);
    if (rc != PtpResult_Ok) {
        std::free(*data);
        *data = nullptr;
        *length = 0;
    }
    return rc;
}
