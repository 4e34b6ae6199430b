// The Canon EOS driver's objects: object information, listings, storage IDs,
// partial downloads, thumbnails and the folder listings behind
// PtpEosInterface_GetAllObjectsInfo. What the Canon driver's objects entries
// point at.
#pragma once

#include <cstdint>
#include <vector>

#include "eos/eos_codes.h"
#include "ptp_eos.h"
#include "ptp_objects.h"
#include "ptp_result.h"

// The driver's objects entries (see PtpDriverObjects for their contracts).
// Object information through 0x9170 when the camera lists it.
PtpResult PtpEos_GetObjectInfo(uint32_t handle, PtpObjectInfo* out);
// The standard listing; an older body (without 0x9128) drops out of remote
// mode on it and is put back.
PtpResult PtpEos_GetObjectHandles(uint32_t storage, uint16_t format, uint16_t association,
                                  uint32_t** handles, uint32_t* count);
// Every handle through the folder listings when the camera lists 0x9109, else
// the listing of all storages.
PtpResult PtpEos_GetAllObjectHandles(uint32_t** handles, uint32_t* count);
// Storage IDs through 0x9101 when listed.
PtpResult PtpEos_GetStorageIds(uint32_t** ids, uint32_t* count);
// 0x9172, else 0x912C, else the standard GetPartialObject.
PtpResult PtpEos_GetPartialObject(uint32_t handle, uint32_t offset, uint32_t length, uint8_t** data,
                                  uint32_t* outLength);
// The thumbnail through 0x910A, cut to its JPEG (see
// PtpEosInterface_ExtractThumbnail). On failure *data is null and *length 0.
PtpResult PtpEos_GetThumbnail(uint32_t handle, const PtpObjectInfo* share, uint8_t** data,
                              uint32_t* length, uint8_t* orientation);
// Large downloads come in 1 MiB parts on mirrorless bodies (0: the standard size).
uint32_t PtpEos_DownloadPartSize();
// The model whose GetObject is unreliable: every object comes in parts.
bool PtpEos_DownloadsInParts();

// Parses one folder listing of operation (0x9109, 0x9170 or 0x917A) and
// appends its entries that pass formatFilter (0x917A listings keep every
// record). PtpResult_BadReply, with nothing appended, when a record does not
// lie inside the data. Borrows data.
PtpResult PtpEos_ParseFolderListing(uint16_t operation, const uint8_t* data, uint32_t length,
                                    uint16_t formatFilter, std::vector<PtpEosObjectEntry>* out);

// Gives each entry whose handle is in an extra-attribute table (the data of
// 0x9135) the table's attribute; the first matching row wins, and 0xFFFFFFFF
// reads as 0. False, with the entries untouched, when the table does not lie
// inside the data. Borrows data.
bool PtpEos_ApplyExtraAttributes(const uint8_t* data, uint32_t length, PtpEosObjectEntry* entries,
                                 size_t count);

// The offset and size of the JPEG preview inside a CR3 file, unchecked against
// the data (the caller checks them); false for another format or when the
// file's boxes are not there. Borrows data.
bool PtpEos_FindPreview(uint16_t format, const uint8_t* data, uint32_t length, uint64_t* offset,
                        uint32_t* size);
