// Fujifilm image sizes and image formats. The library's Fujifilm image-format
// code is one u32 (0xFFFFFFFF: no format):
//   bits 0-7   JPEG quality: 2 FINE, 3 NORMAL, 6 SUPER FINE, 0 no JPEG
//   bits 8-15  image-size index (a row of the image-size table)
//   bits 16-23 1 when RAW is part of the format
//   bits 24-31 RAW compression, the value of 0xD022 (2: compressed)
// The current format is built from 0xD018 "Image Quality", 0x5003 "Image
// Size" (the low byte of its value is the row index) and 0xD022.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_result.h"

// --- Image-size table (fuji/image_size.cpp) --------------------------------------------------
constexpr uint32_t kFujiImageSizeRows = 70;
constexpr uint16_t kFujiNoImageSize = 0xFFFF;

enum class PtpFujiAspect : uint8_t { R3x2, R16x9, R1x1, R4x3, R65x24, R5x4, R7x6 };

struct PtpFujiImageSize {
    const char* text; // what the camera reports and accepts, "6000x4000"
    char letter;      // size class in format strings: 'S', 'M' or 'L'
    PtpFujiAspect aspect;
};

// The row of index, or null above the table.
const PtpFujiImageSize* PtpFuji_ImageSizeRow(uint32_t index);
// The row index of a size text for the session's body, kFujiNoImageSize when
// it has none. The same text names different rows on different bodies, so the
// search order depends on the model. Borrows text for the call.
uint16_t PtpFuji_ImageSizeIndex(const char* text);
// The driver's text-value entry: 0x5003 texts become row indices.
bool PtpFuji_TextValue(uint32_t code, const char* text, uint32_t* value);
// The indices the body may offer in the family of aspect, in menu order;
// returns their count (at most size). No camera traffic.
size_t PtpFuji_ImageSizeFamily(PtpFujiAspect aspect, uint8_t model, uint16_t* out, size_t size);

// --- Image formats (fuji/image_format.cpp) ---------------------------------------------------
bool PtpFuji_IsImageFormatRaw();
bool PtpFuji_IsImageFormatRawPlusJpg();
PtpResult PtpFuji_GetCurrentJpgFormat(uint32_t* format);
PtpResult PtpFuji_GetCurrentRawFormat(uint32_t* format);
// Kind 1: JPEG formats of the current aspect; kind 6: RAW formats. Out:
// *formats is malloc'd (the caller frees it); element 0 is always none.
PtpResult PtpFuji_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count);
// Writes quality, RAW compression and image size where they differ, each
// verified; the first failure is returned.
PtpResult PtpFuji_SetImageFormat(uint32_t raw, uint32_t jpeg);

// --- Raw files (fuji/raf_preview.cpp) --------------------------------------------------------
// The embedded EXIF JPEG of a RAF (object format 0xB111): its offset and size
// in data. False, with both 0, for another format or when no whole JPEG is
// found. Borrows data for the call.
bool PtpFuji_FindRafPreview(uint16_t format, const uint8_t* data, uint32_t length, uint64_t* offset,
                            uint32_t* size);
