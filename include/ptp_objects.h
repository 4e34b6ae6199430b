/** \file
 * Objects on the camera's cards: object information, listings, downloads,
 * thumbnails and deletion; and inspection of downloaded image files (which
 * format a file name stands for, the thumbnail inside an EXIF/TIFF file, the
 * JPEG preview inside a raw file).
 *
 * Camera calls may be made from any host thread; they run one at a time under
 * the transaction lock and retry once after 100 ms when the camera answers
 * busy. The file-inspection functions touch no library state and may run on
 * any thread at any time. Buffers the library hands out are malloc'd and belong
 * to the caller, who releases them with FreeMemory. */
#ifndef PTP_OBJECTS_H
#define PTP_OBJECTS_H

#include <stddef.h>
#include <stdint.h>

#include "ptp_result.h"

/* --- Object information ------------------------------------------------------- */

/** \struct PtpObjectInfo
 * The parsed PTP ObjectInfo. The host receives it from GetObjectInfo, as the
 * payload of ObjectAdded and ObjectRemoved events and as the record in the
 * object cache's ".obj" files, always as exactly PTP_OBJECT_INFO_SIZE bytes, so
 * every field stays at the offset asserted below. The structure is packed to
 * 4-byte alignment: at natural alignment the 64-bit dates would round the size
 * up to 616. */
#define PTP_OBJECT_INFO_SIZE 612     /**< bytes of a PtpObjectInfo */
#define PTP_OBJECT_NAME_SIZE 256     /**< bytes of its file name, NUL included */
#define PTP_OBJECT_KEYWORDS_SIZE 256 /**< bytes of its keywords, NUL included */

/** The handle of a file on the Tetherhub's SD card, known by name only. */
#define PTP_OBJECT_HANDLE_SD_CARD 0xFFFFFFFFu

#pragma pack(push, 4)
typedef struct PtpObjectInfo {
    uint32_t handle; /**< the handle asked for (the data set's StorageID is not kept) */
    uint16_t objectFormat;        /**< PTP object format (0x3801 JPEG, 0x3001 folder) */
    uint16_t protectionStatus;    /**< 0 none, 1 read-only */
    uint32_t compressedSize;      /**< the object's size in bytes */
    uint16_t thumbFormat;         /**< the thumbnail's object format */
    uint32_t thumbCompressedSize; /**< the thumbnail's size in bytes */
    uint32_t thumbWidth;          /**< thumbnail width in pixels */
    uint32_t thumbHeight;         /**< thumbnail height in pixels */
    uint32_t imageWidth;          /**< image width in pixels */
    uint32_t imageHeight;         /**< image height in pixels */
    uint32_t imageBitDepth;       /**< bits per pixel */
    uint32_t parentObject;        /**< handle of the folder holding it, 0 at the root */
    uint16_t associationType;     /**< for a folder: its association type */
    uint32_t associationDesc;     /**< for a folder: its association description */
    uint32_t sequenceNumber;      /**< position in a sequence of captures */
    uint32_t reserved1;           /**< 0 */
    char fileName[PTP_OBJECT_NAME_SIZE]; /**< low bytes of the UCS-2 name, NUL-terminated */
    uint16_t fileNameLength;             /**< strlen(fileName) + 1; 0 when no name was read */
    int64_t captureDate;                 /**< local time in seconds; 0 when absent */
    int64_t modificationDate;            /**< local time in seconds; 0 when absent or not read */
    uint32_t reserved2;                  /**< 0 */
    char keywords[PTP_OBJECT_KEYWORDS_SIZE]; /**< NUL-terminated */
    uint32_t orientation;                    /**< EXIF orientation (Fujifilm only), else 0 */
    uint32_t flags;                          /**< 0 after parsing */
    uint8_t reservedTail[8];                 /**< pads the record to its 612 bytes; zero */
} PtpObjectInfo;
#pragma pack(pop)

PTP_STATIC_ASSERT(sizeof(PtpObjectInfo) == PTP_OBJECT_INFO_SIZE, "PtpObjectInfo size");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, handle) == 0, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, objectFormat) == 4, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, protectionStatus) == 6, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, compressedSize) == 8, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, thumbFormat) == 12, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, thumbCompressedSize) == 16, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, thumbWidth) == 20, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, thumbHeight) == 24, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, imageWidth) == 28, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, imageHeight) == 32, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, imageBitDepth) == 36, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, parentObject) == 40, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, associationType) == 44, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, associationDesc) == 48, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, sequenceNumber) == 52, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, reserved1) == 56, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, fileName) == 60, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, fileNameLength) == 316, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, captureDate) == 320, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, modificationDate) == 328, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, reserved2) == 336, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, keywords) == 340, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, orientation) == 596, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, flags) == 600, "PtpObjectInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpObjectInfo, reservedTail) == 604, "PtpObjectInfo layout");

/* --- Camera objects -------------------------------------------------------------- */

/** Reads the object information of handle (Canon cameras that list 0x9170 use
 * their own operation, all others GetObjectInfo). On Fujifilm cameras the
 * orientation is derived from the association type. Returns PtpResult_Ok,
 * PtpResult_InvalidArgument for a null out, PtpResult_OperationNotSupported
 * when the camera does not list the operation, PtpResult_DataSetParseFailed
 * for data too short to hold the fixed part (out is then untouched), or the
 * camera's or transport's code. */
PTP_API PtpResult PtpGenericInterface_GetObjectInfo(uint32_t handle, PtpObjectInfo* out);

/** Lists the handles in storageId (0xFFFFFFFF: all storages), optionally only
 * objects of format and within association (0: any). On PtpResult_Ok, *count
 * holds the number of handles and *handles an array of them, or null when
 * there are none. PtpResult_DataSetParseFailed when the camera's count does not
 * fit its data (no array). Sony cameras are not listed here: 0, which is not
 * PtpResult_Ok. Null outputs give PtpResult_InvalidArgument. Out: *handles is
 * allocated by the library; the caller releases it with FreeMemory. */
PTP_API PtpResult PtpGenericInterface_GetObjectHandles(uint32_t storageId, uint16_t format,
                                                       uint16_t association, uint32_t** handles,
                                                       uint32_t* count);

/** Lists the handles of every object on every storage, with the camera's own
 * listing where it has one (Canon cameras listing 0x9109). Results and
 * ownership as GetObjectHandles; PtpResult_OutOfMemory when the array cannot be
 * allocated. */
PTP_API PtpResult PtpGenericInterface_GetObjectHandles2(uint32_t** handles, uint32_t* count);

/** Downloads the whole object. On PtpResult_Ok, *data holds *length bytes
 * (null and 0 for an empty object); on any other result *data is null and
 * *length 0: a transfer cut short is never handed out. Null outputs give
 * PtpResult_InvalidArgument. Out: *data is allocated by the library; the caller
 * releases it with FreeMemory. */
PTP_API PtpResult PtpGenericInterface_GetObject(uint32_t handle, uint8_t** data, uint32_t* length);

/** Downloads length bytes of the object from offset (Canon cameras use their own
 * operation when they list one). Results and ownership as GetObject; the
 * camera may send fewer bytes at the end of the object. No current vendor:
 * PtpResult_NotSupportedForCamera. */
PTP_API PtpResult PtpGenericInterface_GetPartialObject(uint32_t handle, uint32_t offset,
                                                       uint32_t length, uint8_t** data,
                                                       uint32_t* outLength);

/** Downloads the thumbnail of the object (GetThumb). Canon cameras cut it from
 * their own thumbnail data and report its EXIF orientation in *orientation;
 * other cameras leave *orientation untouched (it may be null for them). Sony:
 * PtpResult_NotSupportedForCamera. Results and ownership as GetObject. */
PTP_API PtpResult PtpGenericInterface_GetThumbnail(uint32_t handle, uint8_t** data,
                                                   uint32_t* length, uint8_t* orientation);

/** Deletes the object. second is passed as the format parameter except on
 * Fujifilm cameras. After a successful delete on a Nikon camera an
 * ObjectRemoved event is queued and the host notified. Sony:
 * PtpResult_NotSupportedForCamera. Returns the camera's or transport's code. */
PTP_API PtpResult PtpGenericInterface_DeleteObject(uint32_t handle, uint32_t second);

/** The number of storages (cards) the camera reports. Never fails: 1 when the
 * camera cannot say; 0 on Sony cameras, which do not report it. */
PTP_API uint32_t PtpGenericInterface_GetNumStorageCards(void);

/** The number of shots left on the card, from the property store; no camera
 * traffic. 0 when unknown and on Sony cameras. */
PTP_API uint32_t PtpGenericInterface_GetSdAvailableShots(void);

/** The image-format values the camera offers for kind (1 JPEG, 6 RAW), from the
 * vendor driver. Returns PtpResult_Ok, PtpResult_InvalidArgument for null
 * outputs, or PtpResult_NotSupportedForCamera. Out: *formats is allocated by
 * the library; the caller releases it with FreeMemory. */
PTP_API PtpResult PtpGenericInterface_GetPossibleImageFormats(uint32_t kind, uint32_t** formats,
                                                              uint32_t* count);

/** The size and compression of an image-format value of kind (1 JPEG, 6 RAW),
 * from the vendor driver (Canon and Nikon). Returns PtpResult_Ok,
 * PtpResult_InvalidArgument for null outputs, PtpResult_Failed for a value
 * without that part, or PtpResult_NotSupportedForCamera. */
PTP_API PtpResult PtpGenericInterface_GetImageFormatDetails(uint32_t format, uint32_t kind,
                                                            uint16_t* size, uint8_t* compression);

/* --- File names and formats ------------------------------------------------------
 * Pure functions of their argument; a null name gives 0 or false. */

/** The PTP object format of a file name by its extension, found anywhere in the
 * name, case-insensitively, in this order: .JPG 0x3801, .CR2 0xB103, .CR3
 * 0xB108, .NEF 0x3000, .ARW 0xB101, .RAF 0xB111, .TIF 0x380D, .MOV 0x300D;
 * otherwise 0. */
PTP_API uint16_t PtpGenericInterface_FormatForFileName(const char* name);

/** The name contains ".jpg" or ".jpeg" (any case). */
PTP_API bool PtpGenericInterface_IsJpgFileName(const char* name);

/** The name ends in .CR2, .CR3, .NEF, .ARW or .RAF (any case). */
PTP_API bool PtpGenericInterface_IsRawFileName(const char* name);

/** The name contains ".mov" (any case). */
PTP_API bool PtpGenericInterface_IsVideoFileName(const char* name);

/** 0x3801 (EXIF/JPEG) or 0x380D (TIFF). */
PTP_API bool PtpGenericInterface_IsJpgFormat(uint16_t format);

/** 0xB101, 0xB103, 0xB108, 0xB111, 0x3000 or 0x3800. */
PTP_API bool PtpGenericInterface_IsRawFormat(uint16_t format);

/** 0x300D, 0xB104, 0xB105 or 0xB982. */
PTP_API bool PtpGenericInterface_IsMovieFormat(uint16_t format);

/* --- Image-file inspection ------------------------------------------------------- */

/** Copies the thumbnail out of a TIFF-structured file (a JPEG with EXIF, a CR2,
 * a NEF ...) of length bytes, found through its JPEGInterchangeFormat tags, and
 * reports the EXIF orientation. Returns the thumbnail's size, or 0 when the
 * file has no TIFF header, no complete set of orientation, thumbnail offset and
 * size tags, a thumbnail that does not lie inside the data, or memory is short.
 * *buffer is set to null first; *orientation (which may be null) is written
 * only on success. Borrows data for the call. Out: *buffer is allocated by the
 * library; the caller releases it with FreeMemory. */
PTP_API uint32_t PtpGenericInterface_ExtractThumbnail(const uint8_t* data, uint32_t length,
                                                      uint8_t* orientation, uint8_t** buffer);

/** Locates the embedded JPEG preview of a raw file of object format format
 * (0xB103 CR2, 0x3000 NEF, 0xB101 ARW, 0xB108 CR3, 0xB111 RAF) without copying
 * it. True with *offset and *previewLength giving the preview's place inside
 * data; false (both outputs 0 when given) for null arguments, a zero length,
 * another format, or a file where no preview lying inside the data is found.
 * Borrows data for the call. */
PTP_API bool PtpGenericInterface_ExtractPreviewOffset(const uint8_t* data, uint32_t length,
                                                      uint32_t* offset, uint32_t* previewLength,
                                                      uint16_t format);

#endif
