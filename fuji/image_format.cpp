// The Fujifilm image format as one code (see fuji/fuji_formats.h): the current
// format built from the store, the formats a body offers, the write of a
// format and its display string. The size index is the low byte of 0x5003's
// value, as its labels read it; an index past the table names no size.
#include <cstdlib>
#include <cstring>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_formats.h"
#include "fuji/fuji_session.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_fuji.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kJpegKind = 1;
constexpr uint32_t kRawKind = 6;

// 0xD018 "Image Quality".
constexpr uint32_t kRaw = 1;
constexpr uint32_t kFine = 2;
constexpr uint32_t kNormal = 3;
constexpr uint32_t kRawFine = 4;
constexpr uint32_t kRawNormal = 5;
constexpr uint32_t kSuperFine = 6;
constexpr uint32_t kRawSuperFine = 7;

constexpr uint32_t kRawFlag = 0x00010000; // bits 16-23 = 1
constexpr uint32_t kCompressed = 2;       // 0xD022 "RAW Compression"

bool holds_raw(uint32_t q) {
    return q == kRaw || q == kRawFine || q == kRawNormal || q == kRawSuperFine;
}

// The JPEG quality of an image quality; 0 when it has no JPEG.
uint32_t jpeg_quality(uint32_t q) {
    switch (q) {
    case kFine:
    case kRawFine: return kFine;
    case kNormal:
    case kRawNormal: return kNormal;
    case kSuperFine:
    case kRawSuperFine: return kSuperFine;
    default: return 0;
    }
}

uint32_t size_index(uint32_t value) { return value & 0xFF; }

bool present(uint32_t code, uint32_t* value) { return PtpReadCurrentValue(code, value); }

// Whether code's allowed list holds a value (matched on the low byte for
// 0x5003, whose entries are row indices).
bool listed(uint32_t code, uint32_t value, uint32_t mask) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 1);
    if (!record) return false;
    bool found = false;
    for (uint16_t i = 0; record->values && i < record->valueCount && !found; ++i)
        found = (record->values[i].value & mask) == value;
    PtpUnlockProperty(record);
    return found;
}

PtpResult write_if_different(uint32_t code, uint32_t value) {
    uint32_t now = 0;
    if (!present(code, &now)) return PtpResult_Failed;
    if (now == value) return PtpResult_Ok;
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

void append(char* out, size_t size, const char* piece) {
    std::strncat(out, piece, size - 1 - std::strlen(out));
}

} // namespace

bool PtpFuji_IsImageFormatRaw() {
    uint32_t q = 0;
    return present(kFujiPropImageQuality, &q) && q == kRaw;
}

bool PtpFuji_IsImageFormatRawPlusJpg() {
    uint32_t q = 0;
    return present(kFujiPropImageQuality, &q) &&
           (q == kRawFine || q == kRawNormal || q == kRawSuperFine);
}

PtpResult PtpFujiInterface_GetCurrentImageFormat(uint32_t* format) {
    if (!format) return PtpResult_InvalidArgument;
    uint32_t q = 0, size = 0, compression = 0;
    if (!present(kFujiPropImageQuality, &q) || !present(kFujiPropImageSize, &size))
        return PtpResult_InvalidArgument;
    uint32_t code = 0;
    if (holds_raw(q)) {
        code = kRawFlag;
        if (present(kFujiPropRawCompression, &compression)) code += compression << 24;
    }
    if (q >= kFine && q <= kRawSuperFine) code |= jpeg_quality(q) | size_index(size) << 8;
    *format = code;
    return PtpResult_Ok;
}

PtpResult PtpFuji_GetCurrentJpgFormat(uint32_t* format) {
    if (!format) return PtpResult_InvalidArgument;
    *format = kNone;
    uint32_t q = 0, size = 0;
    if (!present(kFujiPropImageQuality, &q)) return PtpResult_Failed;
    uint32_t jpeg = jpeg_quality(q);
    if (jpeg == 0) return PtpResult_Ok;
    if (!present(kFujiPropImageSize, &size)) return PtpResult_Failed;
    *format = size_index(size) << 8 | jpeg;
    return PtpResult_Ok;
}

PtpResult PtpFuji_GetCurrentRawFormat(uint32_t* format) {
    if (!format) return PtpResult_InvalidArgument;
    *format = kNone;
    uint32_t q = 0, compression = 0;
    if (!present(kFujiPropImageQuality, &q)) return PtpResult_Failed;
    if (!holds_raw(q)) return PtpResult_Ok;
    *format = kRawFlag;
    if (present(kFujiPropRawCompression, &compression)) *format += compression << 24;
    return PtpResult_Ok;
}

PtpResult PtpFuji_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count) {
    uint32_t list[1 + 3 * 16];
    uint32_t n = 0;
    list[n++] = kNone;
    if (kind == kRawKind) {
        list[n++] = 0x01010000;
        if (PtpIsPropertyListed(uint16_t(kFujiPropRawCompression))) list[n++] = 0x02010000;
    } else if (kind == kJpegKind) {
        uint32_t q = 0, size = 0;
        if (!present(kFujiPropImageQuality, &q) || !present(kFujiPropImageSize, &size))
            return PtpResult_OperationNotSupported;
        // A size the table does not know (0xFFFF for an unknown text) has no
        // family: only "none" is offered.
        const PtpFujiImageSize* current = PtpFuji_ImageSizeRow(size_index(size));
        if (current) {
            uint16_t indices[16];
            size_t m = PtpFuji_ImageSizeFamily(current->aspect, PtpGenericInterface_CameraModel(),
                                               indices, 16);
            bool superFine = listed(kFujiPropImageQuality, kSuperFine, 0xFFFFFFFF);
            for (size_t i = 0; i < m; ++i) {
                if (!listed(kFujiPropImageSize, indices[i], 0xFF)) continue;
                uint32_t base = uint32_t(indices[i]) << 8;
                list[n++] = base | kNormal;
                list[n++] = base | kFine;
                if (superFine) list[n++] = base | kSuperFine;
            }
        }
    }
    *formats = static_cast<uint32_t*>(std::malloc(n * sizeof(uint32_t)));
    if (!*formats) return PtpResult_OutOfMemory;
    std::memcpy(*formats, list, n * sizeof(uint32_t));
    *count = n;
    return PtpResult_Ok;
}

PtpResult PtpFuji_SetImageFormat(uint32_t raw, uint32_t jpeg) {
    if (raw == kNone && jpeg == kNone) return PtpResult_Failed;
    uint32_t jq = jpeg & 0xFF;
    uint32_t q = jq;
    if ((raw >> 16 & 0xFF) == 1) {
        q = jq == kNormal      ? kRawNormal
            : jq == kFine      ? kRawFine
            : jq == kSuperFine ? kRawSuperFine
                               : kRaw;
    }
    PtpResult rc = write_if_different(kFujiPropImageQuality, q);
    if (rc != PtpResult_Ok) return rc;
    if (raw != kNone && PtpIsPropertyListed(uint16_t(kFujiPropRawCompression))) {
        rc = write_if_different(kFujiPropRawCompression, raw >> 24);
        if (rc != PtpResult_Ok) return rc;
    }
    if (jpeg == kNone) return PtpResult_Ok;
    uint32_t size = 0;
    if (!present(kFujiPropImageSize, &size)) return PtpResult_Failed;
    uint32_t wanted = jpeg >> 8 & 0xFF;
    if (size_index(size) == wanted) return PtpResult_Ok;
    const PtpFujiImageSize* row = PtpFuji_ImageSizeRow(wanted);
    if (!row) return PtpResult_Failed;
    return PtpFuji_WriteStringProperty(kFujiPropImageSize, row->text);
}

const char* PtpFujiInterface_StringForImageFormat(uint32_t format) {
    static char text[32];
    if (format == kNone) return "--";
    text[0] = '\0';
    uint32_t rawPart = format >> 16 & 0xFF;
    if (holds_raw(rawPart))
        append(text, sizeof text, (format >> 24) == kCompressed ? "C-RAW" : "RAW");
    uint32_t jq = format & 0xFF;
    if (jq >= kFine && jq <= kRawSuperFine) {
        if (text[0]) append(text, sizeof text, " + ");
        // A size index past the table (from an unknown size text) names no size.
        if (const PtpFujiImageSize* row = PtpFuji_ImageSizeRow(format >> 8 & 0xFF)) {
            const char letter[3] = {row->letter, ' ', '\0'};
            append(text, sizeof text, letter);
        }
        append(text, sizeof text, "JPG ");
        append(text, sizeof text,
               jq == kNormal      ? "(NORM)"
               : jq == kFine      ? "(FINE)"
               : jq == kSuperFine ? "(S-FINE)"
                                  : "");
    }
    return text;
}
