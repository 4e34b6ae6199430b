// The Nikon image format as one value: quality code | JPEG size << 16 | RAW
// size << 24 (0xFFFFFFFF: none). The quality codes come in two families: the
// older bodies count JPEG basic..fine, RAW, RAW + basic..fine (0-7); the newer
// ones add starred JPEG qualities (0-13) with RAW at 7.
#include <cstdlib>
#include <cstring>

#include "generic/property_store.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_formats.h"
#include "nikon/nikon_models.h"
#include "ptp_generic.h"
#include "ptp_nikon.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kJpegKind = 1;
constexpr uint32_t kRawKind = 6;
// A 0x5004 list this long belongs to a body of the newer codes.
constexpr uint16_t kNewerListLength = 11;
constexpr uint8_t kZfc = 229; // newer codes, but three JPEG qualities (0, 2, 4)

uint32_t quality(uint32_t value) { return value & 0xFFFF; }
uint32_t jpeg_size(uint32_t value) { return value >> 16 & 0xFF; }
uint32_t raw_size(uint32_t value) { return value >> 24; }

bool starred() { return PtpNikon_CameraIn(kNikonRawQuality7); }

bool is_raw_code(uint32_t q) { return starred() ? q >= 7 && q <= 13 : q >= 4 && q <= 7; }

bool has_jpeg_code(uint32_t q) {
    return starred() ? q <= 13 && q != 6 && q != 7 : q <= 7 && q != 3 && q != 4;
}

// The family of the camera's codes, told by the length of 0x5004's list.
bool newer_family() {
    if (PtpGenericInterface_CameraModel() == kZfc) return true;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kNikonPropImageQuality, 1);
    if (!record) return false;
    bool newer = record->values && record->valueCount >= kNewerListLength;
    PtpUnlockProperty(record);
    return newer;
}

bool current(uint32_t code, uint32_t* value) { return PtpReadCurrentValue(code, value); }

PtpResult write_if_different(uint32_t code, uint32_t value, uint32_t mask) {
    uint32_t now = 0;
    if (current(code, &now) && (now & mask) == value) return PtpResult_Ok;
    return PtpGenericInterface_SetPropertyValue(code, value, 1);
}

} // namespace

bool PtpNikon_ImageFormatHasJpg(uint32_t value) {
    return value != kNone && has_jpeg_code(quality(value));
}

bool PtpNikon_IsImageFormatRawPlusJpg() {
    uint32_t value = 0;
    if (!current(kNikonPropImageQuality, &value)) return false;
    return quality(value) >= (starred() ? 8u : 5u);
}

PtpResult PtpNikon_GetCurrentJpgFormat(uint32_t* format) {
    *format = kNone;
    uint32_t value = 0;
    if (!current(kNikonPropImageQuality, &value)) return PtpResult_Ok;
    uint32_t q = quality(value);
    uint32_t jpeg = kNone;
    if (newer_family()) {
        if (q <= 5)
            jpeg = q;
        else if (q >= 8 && q <= 13)
            jpeg = q - 8;
    } else if (q <= 7 && q != 3 && q != 4) {
        jpeg = q % 5;
    }
    if (jpeg != kNone) *format = jpeg | (value & 0x00FF0000);
    return PtpResult_Ok;
}

PtpResult PtpNikon_GetCurrentRawFormat(uint32_t* format) {
    *format = kNone;
    uint32_t value = 0;
    if (!current(kNikonPropImageQuality, &value)) return PtpResult_Ok;
    uint32_t base = newer_family() ? 7 : 4;
    if (quality(value) < base) return PtpResult_Ok;
    uint32_t size = 0;
    current(kNikonPropRawSize, &size);
    *format = base | (size & 0xFF) << 24;
    return PtpResult_Ok;
}

PtpResult PtpNikon_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count) {
    uint32_t list[20];
    uint32_t n = 0;
    list[n++] = kNone;
    if (kind == kRawKind) {
        uint32_t raw = starred() ? 7 : 4;
        list[n++] = raw;
        if (PtpGenericInterface_IsPropertySupported(kNikonPropRawSize)) {
            list[n++] = raw | 0x01000000;
            list[n++] = raw | 0x02000000;
        }
    } else if (kind == kJpegKind) {
        bool zfc = PtpGenericInterface_CameraModel() == kZfc;
        uint32_t qualities = PtpNikon_CameraIn(kNikonSixQualities) ? 6 : 3;
        for (uint32_t k = 0; k < qualities; ++k)
            for (uint32_t size = 0; size < 3; ++size)
                list[n++] = (zfc ? 2 * k : k) | size << 16;
    }
    *formats = static_cast<uint32_t*>(std::malloc(n * sizeof(uint32_t)));
    if (!*formats) return PtpResult_OutOfMemory;
    std::memcpy(*formats, list, n * sizeof(uint32_t));
    *count = n;
    return PtpResult_Ok;
}

PtpResult PtpNikon_GetImageFormatDetails(uint32_t format, uint32_t kind, uint16_t* size,
                                         uint8_t* compression) {
    uint32_t q = quality(format);
    *compression = 0;
    if (kind == kRawKind && is_raw_code(q)) {
        *size = uint16_t(raw_size(format));
        return PtpResult_Ok;
    }
    if (kind == kJpegKind && has_jpeg_code(q)) {
        *size = uint16_t(jpeg_size(format));
        return PtpResult_Ok;
    }
    return PtpResult_Failed;
}

uint32_t PtpNikon_ImageQualityFor(uint32_t raw, uint32_t jpeg, bool newer) {
    if (jpeg == kNone) return quality(raw);
    if (raw == kNone) return quality(jpeg);
    return (newer ? 7 : 4) + 1 + quality(jpeg); // RAW + that JPEG
}

PtpResult PtpNikon_SetImageFormat(uint32_t raw, uint32_t jpeg) {
    if (raw == kNone && jpeg == kNone) return PtpResult_Failed;
    uint32_t target = PtpNikon_ImageQualityFor(raw, jpeg, newer_family());
    PtpResult rc = write_if_different(kNikonPropImageQuality, target, 0xFFFF);
    if (rc != PtpResult_Ok) return rc;
    if (jpeg != kNone) {
        rc = write_if_different(kNikonPropImageSize, jpeg_size(jpeg), 0xFFFFFFFF);
        if (rc != PtpResult_Ok) return rc;
    }
    if (raw != kNone && PtpGenericInterface_IsPropertySupported(kNikonPropRawSize))
        rc = write_if_different(kNikonPropRawSize, raw_size(raw), 0xFFFFFFFF);
    return rc;
}

const char* PtpNikonInterface_StringForImageFormat(uint32_t value) {
    static char label[32];
    if (value == kNone) return "--";
    static const char* const kSizes[] = {"L ", "M ", "S "};
    static const char* const kStarred[] = {"JPG (BASIC)", "JPG (BASIC)*", "JPG (NORM)",
                                           "JPG (NORM)*", "JPG (FINE)",   "JPG (FINE)*"};
    static const char* const kPlain[] = {"JPG (BASIC)", "JPG (NORM)", "JPG (FINE)"};
    label[0] = '\0';
    uint32_t q = quality(value);
    if (is_raw_code(q)) {
        uint32_t size = raw_size(value);
        if (size == 1 || size == 2) std::strncat(label, kSizes[size], sizeof label - 1);
        std::strncat(label, "RAW", sizeof label - 1 - std::strlen(label));
    }
    if (has_jpeg_code(q)) {
        if (label[0]) std::strncat(label, " + ", sizeof label - 1 - std::strlen(label));
        uint32_t size = jpeg_size(value);
        if (size <= 2) std::strncat(label, kSizes[size], sizeof label - 1 - std::strlen(label));
        const char* name = starred() ? kStarred[q >= 8 ? q - 8 : q] : kPlain[q >= 5 ? q - 5 : q];
        std::strncat(label, name, sizeof label - 1 - std::strlen(label));
    }
    return label;
}
