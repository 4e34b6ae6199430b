// The Sony image format as one value: bits 0-7 the format code, bits 8-15 the
// JPEG compression (newer scheme), bits 16-23 the JPEG size (1 L, 2 M, 3 S);
// 0xFFFFFFFF is none. The holder is 0xD253 on bodies that have it (newer
// scheme: 1 RAW, 2 RAW + JPEG, 3 JPEG) and 0x5004 otherwise (older scheme:
// 0x10 RAW, the low four bits the JPEG quality 1 LIGHT .. 4 X-FINE). The
// entries read the property store; only the setter talks to the camera.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_result.h"

// The holder's code: 0xD253 when the store has it, else 0x5004 when the store
// has that, else 0.
uint32_t PtpSony_ImageFormatHolder();

// Rebuilds the holder's value from its own bits 0-7, 0xD252 (bits 8-15) and
// 0xD203 (bits 16-23); an absent 0xD252 or 0xD203 counts as 0. Does nothing
// when the store has no holder. Takes each record's lock while it reads or
// writes it, one at a time.
void PtpSony_ComposeImageFormat();

bool PtpSony_ImageFormatHasJpg(uint32_t value);
PtpResult PtpSony_GetCurrentJpgFormat(uint32_t* format);
PtpResult PtpSony_GetCurrentRawFormat(uint32_t* format);
// Out: *formats is malloc'd; element 0 is always none. Kind 1 JPEG, 6 RAW.
PtpResult PtpSony_GetPossibleImageFormats(uint32_t kind, uint32_t** formats, uint32_t* count);
// Writes the holder, then the compression 0xD252 (newer scheme) and the size
// 0xD203 where they differ, each verified; the first failure is returned and
// the writes before it stay. PtpResult_Failed when both are none or there is
// no holder.
PtpResult PtpSony_SetImageFormat(uint32_t raw, uint32_t jpeg);

// The label of an image-format value into out (size bytes, at least 1),
// such as "RAW + L JPG (STD)"; "--" for none.
void PtpSony_FormatLabel(uint32_t value, char* out, size_t size);
