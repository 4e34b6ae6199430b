// The Tetherhub's SD card, internal pieces: name limits, the object record that
// stands for a card file in share prefixes and the object cache, and the file
// request (control code 248) that whole-file and partial transfers share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_objects.h"
#include "ptp_result.h"

// Delete, exists and the extracted image take names of at most this many
// bytes, the NUL included.
constexpr size_t kSdRequestNameBytes = 200;
// The transfers (size, thumbnail, file parts) take names of at most this many
// characters; the name is read with a bound one byte larger, so an
// unterminated name is never read past it.
constexpr size_t kSdTransferNameMax = 255;
// Large files travel in parts of this size.
constexpr uint32_t kSdPartSize = 0x200000;

// Record kinds of a share prefix (the record and what the data is).
constexpr uint8_t kSdShareKindWhole = 0xB0;
constexpr uint8_t kSdShareKindPart = 0xB1;
constexpr uint8_t kSdShareKindName = 0xB2;
// Share mode under which the data goes to the other clients only.
constexpr uint8_t kSdShareOthersOnly = 0xA0;
constexpr uint8_t kSdShareOthersAndMe = 0xA1;

// The length of a transfer name, or false (nothing read past 256 bytes) when
// the name is null, unterminated within 256 bytes or over 255 characters.
bool Comms_SD_TransferNameLength(const char* name, size_t* length);

// Fills *record as the SD-card object record of a file: every byte 0 but the
// handle 0xFFFFFFFF, the file size in compressedSize, the part's offset in
// sequenceNumber, the name in fileName and its length in fileNameLength (with
// the NUL when lengthCountsNul: whole-file transfers count it, thumbnails and
// extracted images do not). PtpResult_InvalidArgument (record untouched) for a
// null record or a name Comms_SD_TransferNameLength refuses.
PtpResult Comms_SD_MakeObjectRecord(const char* name, uint32_t size, uint32_t partOffset,
                                    bool lengthCountsNul, PtpObjectInfo* record);

// One file request (code 248): `length` bytes of the named file from
// `offset`. With shareMode 0 a plain exchange; otherwise a shared exchange with
// that mode, record kind and r-byte record (borrowed), where a reply result of
// 0 counts as success. Out: as Comms_SendControlMessage; the reply's length is
// not checked here. PtpResult_InvalidArgument for a name the transfer limit
// refuses (nothing sent).
PtpResult Comms_SD_RequestFilePart(const char* name, uint32_t offset, uint32_t length,
                                   uint8_t shareMode, uint8_t kind, const uint8_t* record,
                                   uint32_t r, uint8_t** data, uint32_t* m);
