// Objects: the internal side of object transfer and image-file inspection, for
// the vendor drivers, the event parsers and the object cache, with the
// standard operations the drivers' tables point at.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "ptp_generic.h"
#include "ptp_objects.h"

// Object operations.
constexpr uint16_t kPtpOpGetObjectHandles = 0x1007;
constexpr uint16_t kPtpOpGetObjectInfo = 0x1008;
constexpr uint16_t kPtpOpGetThumb = 0x100A;
constexpr uint16_t kPtpOpDeleteObject = 0x100B;
constexpr uint16_t kPtpOpGetPartialObject = 0x101B;

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

// Where the IDs start in a standard handle or storage-ID reply: after its count.
constexpr uint32_t kStandardIdsStart = 4;

// --- ObjectInfo -------------------------------------------------------------------

// The last field a vendor's ObjectInfo data set carries.
enum PtpObjectInfoEnd : uint8_t {
    PtpObjectInfoEnd_FileName,
    PtpObjectInfoEnd_CaptureDate,
    PtpObjectInfoEnd_Keywords, // the standard data set, to its end
};

// How a vendor's ObjectInfo data set differs from the standard one.
struct PtpObjectInfoForm {
    uint32_t thumbGap = 0; // bytes between ThumbCompressedSize and ThumbPixWidth
    PtpObjectInfoEnd end = PtpObjectInfoEnd_Keywords;
};

// Parses an ObjectInfo data set of the given form into a record whose every
// field the data set does not give (flags, the tail) is zero. The data set's
// StorageID lands in out->handle; the caller overwrites it. Returns PtpResult_Ok, or
// PtpResult_DataSetParseFailed when the data is shorter than the fixed part
// plus the file name's count byte, in which case *out is untouched. Strings
// that run past the data are treated as absent, as is everything after them.
// Borrows data for the call.
PtpResult PtpParseObjectInfo(PtpObjectInfo* out, const uint8_t* data, uint32_t length,
                             const PtpObjectInfoForm& form);

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

// The same for a reply whose IDs start at byte first: some vendors' storage-ID
// replies keep more bytes between the count and the IDs.
PtpResult PtpTakeIdArray(uint8_t* data, uint32_t length, uint32_t first, uint32_t** ids,
                         uint32_t* count);

// The camera's storage IDs through the session's driver:
// PtpResult_NotSupportedForCamera for a vendor without storages, else as
// PtpTakeIdArray or the camera's code; PtpResult_InvalidArgument for null
// outputs. Out: *ids is malloc'd; the caller frees it.
PtpResult PtpGetStorageIds(uint32_t** ids, uint32_t* count);

// A thumbnail through the session's driver, PtpGenericInterface_GetThumbnail
// with share as in PtpDriverObjects::getThumbnail. Outputs as there.
PtpResult PtpObjects_GetThumbnail(uint32_t handle, const PtpObjectInfo* share, uint8_t** data,
                                  uint32_t* length, uint8_t* orientation);

// --- The standard operations, for the drivers that use them ---------------------------
// Each has the signature of its PtpDriverObjects entry; outputs are never null.

// Runs op (a handle as its parameter) and parses the reply in form.
PtpResult PtpObjects_GetObjectInfo(uint16_t op, uint32_t handle, const PtpObjectInfoForm& form,
                                   PtpObjectInfo* out);
PtpResult PtpObjects_GetStandardObjectInfo(uint32_t handle, PtpObjectInfo* out);
PtpResult PtpObjects_GetStandardHandles(uint32_t storage, uint16_t format, uint16_t association,
                                        uint32_t** handles, uint32_t* count);
PtpResult PtpObjects_GetStandardStorageIds(uint32_t** ids, uint32_t* count);
PtpResult PtpObjects_GetStandardPartialObject(uint32_t handle, uint32_t offset, uint32_t length,
                                              uint8_t** data, uint32_t* outLength);
PtpResult PtpObjects_GetStandardThumbnail(uint32_t handle, const PtpObjectInfo* share,
                                          uint8_t** data, uint32_t* length, uint8_t* orientation);
// DeleteObject with both parameters.
PtpResult PtpObjects_DeleteStandardObject(uint32_t handle, uint32_t second);
// The value of the session's available-shots property; 0 without one.
uint32_t PtpObjects_AvailableShotsProperty();

// One thumbnail transaction with the busy retry. With share, the data is
// passed on to the other clients as it travels, share as its prefix. On
// anything but OK *data is null and *length 0. Out: *data is malloc'd.
PtpResult PtpObjects_RunThumbnail(uint16_t op, std::initializer_list<uint32_t> params,
                                  const PtpObjectInfo* share, uint8_t** data, uint32_t* length);

// Live view without a vendor: no standard focus area to set.
PtpResult PtpLiveView_NoStandardFocus();

// --- Image files ---------------------------------------------------------------------

// The length of the JPEG that starts at data (SOI), up to and including the EOI
// that closes its outermost scan; 0 when data is not a JPEG, a marker segment
// runs past length, or no closing EOI is found. Borrows data for the call.
uint32_t PtpFindJpegEnd(const uint8_t* data, uint32_t length);
