// Objects: the internal side of object transfer and image-file inspection, for
// the vendor drivers, the event parsers and the object cache.
#pragma once

#include <cstdint>

#include "ptp_generic.h"
#include "ptp_objects.h"

// Object operations.
constexpr uint16_t kPtpOpGetObjectHandles = 0x1007;
constexpr uint16_t kPtpOpGetObjectInfo = 0x1008;
constexpr uint16_t kPtpOpGetThumb = 0x100A;
constexpr uint16_t kPtpOpDeleteObject = 0x100B;
constexpr uint16_t kPtpOpGetPartialObject = 0x101B;
constexpr uint16_t kCanonOpGetStorageIds = 0x9101;
constexpr uint16_t kCanonOpGetObjectInfoEx = 0x9170;
constexpr uint16_t kCanonOpGetPartialObject = 0x9172;
constexpr uint16_t kCanonOpGetPartialObjectOld = 0x912C;
constexpr uint16_t kCanonOpRemoteRelease = 0x9128;
constexpr uint16_t kCanonOpGetObjectInfoList = 0x9109;

// Object formats.
constexpr uint16_t kPtpFormatUndefinedImage = 0x3800;
constexpr uint16_t kPtpFormatExifJpeg = 0x3801;
constexpr uint16_t kPtpFormatTiff = 0x380D;
constexpr uint16_t kPtpFormatNef = 0x3000;
constexpr uint16_t kPtpFormatMov = 0x300D;
constexpr uint16_t kPtpFormatArw = 0xB101;
constexpr uint16_t kPtpFormatCr2 = 0xB103;
constexpr uint16_t kPtpFormatCr3 = 0xB108;
constexpr uint16_t kPtpFormatRaf = 0xB111;

// Where the IDs start in each storage-ID reply: the standard array follows its
// count; Canon's 0x9101 reply keeps 12 more bytes before the IDs.
constexpr uint32_t kStandardIdsStart = 4;
constexpr uint32_t kCanonStorageIdsStart = 16;

// --- ObjectInfo -------------------------------------------------------------------

// Parses an ObjectInfo data set as returned by operation (0x1008, or Canon's
// 0x9170, whose fields from ThumbPixWidth on lie 4 bytes later) for the
// session's vendor. The data set's StorageID lands in out->handle; the caller
// overwrites it. Returns PtpResult_Ok, or PtpResult_DataSetParseFailed when
// the data is shorter than the fixed part plus the file name's count byte, in
// which case *out is untouched. Strings that run past the data are treated as
// absent, as is everything after them. Borrows data for the call.
PtpResult PtpParseObjectInfo(PtpObjectInfo* out, const uint8_t* data, uint32_t length,
                             uint16_t operation);

// The same for a given vendor: Sony data sets end after the file name,
// Fujifilm's after the capture date, and Sony and Fujifilm keep out->flags.
PtpResult PtpParseObjectInfoForVendor(PtpObjectInfo* out, const uint8_t* data, uint32_t length,
                                      uint16_t operation, PtpVendor vendor);

// A PTP date-time text "YYYYMMDDThhmmss[.s][±hhmm]" as local seconds (daylight
// saving decided by the system); 0 for a text of fewer than 15 or more than 39
// characters, or with a non-digit in a date or time field.
int64_t PtpParsePtpDateTime(const char* text);

// --- Handle and storage-ID arrays -----------------------------------------------------

// Turns a GetObjectHandles reply (u32 count, then the handles) into a plain
// array in the same buffer. Takes ownership of data (malloc'd, may be null):
// on PtpResult_Ok *handles receives it, or null with the buffer freed when the
// count is 0 or the reply is shorter than a count. A count whose handles do not
// fit the data gives PtpResult_DataSetParseFailed, no array and count 0.
PtpResult PtpTakeHandleArray(uint8_t* data, uint32_t length, uint32_t** handles, uint32_t* count);

// The same for a storage-ID reply of operation (0x1004, or Canon's 0x9101 whose
// IDs start at byte 16).
PtpResult PtpTakeStorageIdArray(uint8_t* data, uint32_t length, uint16_t operation, uint32_t** ids,
                                uint32_t* count);

// The camera's storage IDs (Canon's 0x9101 when listed, else GetStorageIDs).
// Results as PtpTakeStorageIdArray, or the camera's code; PtpResult_InvalidArgument
// for null outputs. Out: *ids is malloc'd; the caller frees it.
PtpResult PtpGetStorageIds(uint32_t** ids, uint32_t* count);

// Lists every object for the drivers: Sony through the Sony driver, Fujifilm
// through GetObjectHandles of all storages; PtpResult_NotSupportedForCamera
// elsewhere. Ownership as PtpGenericInterface_GetObjectHandles.
PtpResult PtpListObjectHandles(uint32_t** handles, uint32_t* count);

// --- Image files ---------------------------------------------------------------------

// The length of the JPEG that starts at data (SOI), up to and including the EOI
// that closes its outermost scan; 0 when data is not a JPEG, a marker segment
// runs past length, or no closing EOI is found. Borrows data for the call.
uint32_t PtpFindJpegEnd(const uint8_t* data, uint32_t length);

// Orientation from a Fujifilm ObjectInfo's association type; 0 when unknown.
uint32_t PtpFujiOrientationFromAssociation(uint16_t associationType);
