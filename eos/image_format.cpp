// Operations on Canon packed image-format codes (0xD120 "Image Format"): the
// JPEG and RAW parts of the current format, the details of one part, the
// one-format choices of a kind, and the combined write.
#include <cstdlib>

#include "eos/eos_models.h"
#include "generic/property_store.h"

namespace {

// Field positions of the packed code.
constexpr int kCountShift = 28;
constexpr int kFirstKindShift = 24;
constexpr int kFirstSizeShift = 18;
constexpr int kFirstQualityShift = 14;
constexpr int kSecondKindShift = 10;
constexpr int kSecondSizeShift = 4;

constexpr uint32_t kKindMask = 0xF;
constexpr uint32_t kSizeMask = 0x3F;
constexpr uint32_t kQualityMask = 0xF;

// The first format without the count, and the second format, each 14 bits.
constexpr uint32_t kFirstFormatBits = 0x0FFFC000;
constexpr uint32_t kSecondFormatBits = 0x3FFF;
constexpr uint32_t kCountOne = 1u << kCountShift;
constexpr uint32_t kCountTwo = 2u << kCountShift;

// The RAW-only values: RAW, Medium RAW, Small RAW.
constexpr uint32_t kRawOnlyFormats[] = {0x16010000, 0x16050000, 0x16090000};

// The current value of 0xD120, read under its lock; false when the store has none.
bool current_image_format(uint32_t* value) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropImageFormat, 1);
    if (!record) return false;
    *value = record->currentValue;
    PtpUnlockProperty(record);
    return true;
}

// The fields of the current 0xD120; false when the store has none.
bool current_fields(PtpEosImageFormat* f) {
    uint32_t value = 0;
    if (!current_image_format(&value)) return false;
    *f = PtpEos_UnpackImageFormat(value);
    return true;
}

} // namespace

PtpEosImageFormat PtpEos_UnpackImageFormat(uint32_t code) {
    PtpEosImageFormat f;
    f.count = code >> kCountShift;
    f.firstKind = (code >> kFirstKindShift) & kKindMask;
    f.firstSize = (code >> kFirstSizeShift) & kSizeMask;
    f.firstQuality = (code >> kFirstQualityShift) & kQualityMask;
    f.secondKind = (code >> kSecondKindShift) & kKindMask;
    f.secondSize = (code >> kSecondSizeShift) & kSizeMask;
    f.secondQuality = code & kQualityMask;
    return f;
}

uint32_t PtpEos_PackImageFormat(const PtpEosImageFormat& f) {
    return (f.count << kCountShift) + (f.firstKind << kFirstKindShift) +
           (f.firstSize << kFirstSizeShift) + (f.firstQuality << kFirstQualityShift) +
           (f.secondKind << kSecondKindShift) + (f.secondSize << kSecondSizeShift) +
           f.secondQuality;
}

uint32_t PtpEos_JpgPartOf(uint32_t code) {
    PtpEosImageFormat f = PtpEos_UnpackImageFormat(code);
    if (f.firstKind == kEosImageKindJpeg) return (code & kFirstFormatBits) | kCountOne;
    // The second format moves into the first position.
    if (f.secondKind == kEosImageKindJpeg)
        return ((code & kSecondFormatBits) | (kCountOne >> kFirstQualityShift))
               << kFirstQualityShift;
    return kEosNoImageFormat;
}

uint32_t PtpEos_RawPartOf(uint32_t code) {
    if (PtpEos_UnpackImageFormat(code).firstKind == kEosImageKindRaw)
        return (code & kFirstFormatBits) | kCountOne;
    return kEosNoImageFormat;
}

PtpResult PtpEos_CombineImageFormats(uint32_t first, uint32_t second, uint32_t* combined) {
    if (!combined) return PtpResult_InvalidArgument;
    if (first == kEosNoImageFormat && second == kEosNoImageFormat) return PtpResult_InvalidArgument;
    if (first == kEosNoImageFormat) {
        *combined = second;
    } else if (second == kEosNoImageFormat) {
        *combined = first;
    } else {
        // Only the first format of each argument is taken, so a two-format
        // argument cannot leak its second half into the result.
        *combined = (first & kFirstFormatBits) | kCountTwo |
                    ((second >> kFirstQualityShift) & kSecondFormatBits);
    }
    return PtpResult_Ok;
}

PtpResult PtpEos_GetCurrentJpgFormat(uint32_t* code) {
    if (!code) return PtpResult_InvalidArgument;
    uint32_t current = 0;
    if (!current_image_format(&current)) return PtpResult_Failed;
    *code = PtpEos_JpgPartOf(current);
    return PtpResult_Ok;
}

PtpResult PtpEos_GetCurrentRawFormat(uint32_t* code) {
    if (!code) return PtpResult_InvalidArgument;
    uint32_t current = 0;
    if (!current_image_format(&current)) return PtpResult_Failed;
    *code = PtpEos_RawPartOf(current);
    return PtpResult_Ok;
}

PtpResult PtpEos_GetImageFormatDetails(uint32_t code, uint32_t kind, uint16_t* size,
                                       uint8_t* quality) {
    if (!size || !quality) return PtpResult_InvalidArgument;
    PtpEosImageFormat f = PtpEos_UnpackImageFormat(code);
    if (f.count != 0 && f.firstKind == kind) {
        *size = uint16_t(f.firstSize);
        *quality = uint8_t(f.firstQuality);
        return PtpResult_Ok;
    }
    if (f.count >= 2 && f.secondKind == kind) {
        *size = uint16_t(f.secondSize);
        *quality = uint8_t(f.secondQuality);
        return PtpResult_Ok;
    }
    return PtpResult_Failed;
}

PtpResult PtpEos_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count) {
    if (!formats || !count) return PtpResult_InvalidArgument;
    *formats = nullptr;
    *count = 0;
    uint32_t* list = static_cast<uint32_t*>(std::malloc(kEosMaxPossibleFormats * sizeof(uint32_t)));
    if (!list) return PtpResult_OutOfMemory;
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kEosPropImageFormat, 1);
    if (!record) {
        std::free(list);
        return PtpResult_Failed;
    }
    uint32_t n = 0;
    list[n++] = kEosNoImageFormat;
    if (record->values) {
        for (uint16_t i = 0; i < record->valueCount && n < kEosMaxPossibleFormats; ++i) {
            PtpEosImageFormat f = PtpEos_UnpackImageFormat(record->values[i].value);
            if (f.count == 1 && f.firstKind == kind) list[n++] = record->values[i].value;
        }
    }
    PtpUnlockProperty(record);
    *formats = list;
    *count = n;
    return PtpResult_Ok;
}

bool PtpEos_ImageFormatHasJpg(uint32_t code) {
    PtpEosImageFormat f = PtpEos_UnpackImageFormat(code);
    return f.firstKind == kEosImageKindJpeg || f.secondKind == kEosImageKindJpeg;
}

bool PtpEos_IsImageFormatJpg() {
    PtpEosImageFormat f;
    return current_fields(&f) && f.count == 1 && f.firstKind == kEosImageKindJpeg;
}

bool PtpEos_IsImageFormatRaw() {
    PtpEosImageFormat f;
    return current_fields(&f) && f.count == 1 && f.firstKind == kEosImageKindRaw;
}

bool PtpEos_IsImageFormatRawPlusJpg() {
    PtpEosImageFormat f;
    return current_fields(&f) && f.count == 2;
}

bool PtpEos_IsRawOnlyImageFormat(uint32_t code) {
    for (uint32_t raw : kRawOnlyFormats)
        if (code == raw) return true;
    return false;
}

PtpResult PtpEos_SetImageFormat(uint32_t first, uint32_t second) {
    uint32_t value = 0;
    PtpResult rc = PtpEos_CombineImageFormats(first, second, &value);
    if (rc != PtpResult_Ok) return rc;
    if (!PtpGenericInterface_IsPropertySupported(kEosPropImageFormat)) return PtpResult_Failed;
    return PtpGenericInterface_SetPropertyValue(kEosPropImageFormat, value, /*verify=*/1);
}
