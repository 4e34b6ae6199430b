/** \file
 * The Canon EOS driver's own functions, which a host may call directly on a
 * Canon camera (vendor 13). Calls run on the calling thread and block for the
 * camera's answers. Buffers the library hands out are malloc'd and belong to
 * the caller, who releases them with FreeMemory. */
#ifndef PTP_EOS_H
#define PTP_EOS_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_result.h"

/* --- Capture ------------------------------------------------------------------ */

/** Presses the shutter. Cameras with remote release (operation 0x9128) are
 * pressed half-way, then fully, with the current manual-focus flag; the event-
 * check loop is paused from the press to the release. With releaseAfter the
 * shutter is released at once; without it, a successful press leaves the
 * shutter held until PtpGenericInterface_InitiateShutterRelease. Older cameras
 * are triggered with one release operation (0x910F). Returns PtpResult_Ok,
 * 0xA002 when the camera refuses the press (a held half press is released
 * again), PtpResult_InvalidArgument without camera traffic when the store has
 * no drive mode (0xD106), or the press's failure, which wins over the
 * release's. */
PTP_API PtpResult PtpEosInterface_InitiateImageCapture(bool releaseAfter);

/** Writes mirror lock-up (0xD13A) on or off, with verification when verify is
 * non-zero. Returns the write's result. */
PTP_API PtpResult PtpEosInterface_ToggleMirrorUpMode(bool on, uint8_t verify);

/** Writes the power-zoom position (0xD055) as a percentage, at most 100,
 * without verification. Returns the write's result. */
PTP_API PtpResult PtpEosInterface_ZoomLens(uint32_t percent);

/* --- Objects ------------------------------------------------------------------ */

#define PTP_EOS_OBJECT_NAME_SIZE 64 /**< bytes of an entry's file name, NUL included */

/** One object of PtpEosInterface_GetAllObjectsInfo, 96 bytes. */
typedef struct PtpEosObjectEntry {
    uint32_t handle;                         /**< the object's handle */
    uint32_t storage;                        /**< the storage word of the listing */
    uint32_t format;                         /**< PTP object format; 0x3001 for a folder */
    uint32_t listingWord1;                   /**< passed on as the camera sent it */
    uint32_t listingWord2;                   /**< passed on as the camera sent it */
    uint32_t reserved1;                      /**< 0 */
    char fileName[PTP_EOS_OBJECT_NAME_SIZE]; /**< NUL-terminated; longer names are cut */
    uint32_t reserved2;                      /**< 0 */
    uint32_t extra; /**< the extra attribute (0x9135); 0 when not fetched or unknown */
} PtpEosObjectEntry;

PTP_STATIC_ASSERT(sizeof(PtpEosObjectEntry) == 96, "PtpEosObjectEntry layout");
PTP_STATIC_ASSERT(offsetof(PtpEosObjectEntry, fileName) == 24, "PtpEosObjectEntry layout");
PTP_STATIC_ASSERT(offsetof(PtpEosObjectEntry, extra) == 92, "PtpEosObjectEntry layout");

/** Lists every object on every storage of the camera with Canon's folder
 * listings, walking folders recursively (a folder is listed before its
 * contents). formatFilter 0 keeps everything; 0x300D keeps movies (0x300D,
 * 0xB104, 0xB105, 0xB982); any other value keeps that format; folders are
 * always kept. With fetchExtra, the objects in sub-folders also get the
 * camera's extra attribute. A storage whose listing fails is left out; when
 * every storage fails, the first failure is returned. Folders deeper than 32
 * levels, or already on the path being walked, are not walked again.
 * Returns PtpResult_Ok, PtpResult_InvalidArgument for null outputs,
 * PtpResult_OutOfMemory, or the storage listing's failure. On PtpResult_Ok
 * *entries holds *count entries (null when there are none). Out: *entries is
 * allocated by the library; the caller releases it with FreeMemory. */
PTP_API PtpResult PtpEosInterface_GetAllObjectsInfo(PtpEosObjectEntry** entries, uint32_t* count,
                                                    bool fetchExtra, uint16_t formatFilter);

/** Cuts a Canon thumbnail (a JPEG file with EXIF) to the JPEG image inside it:
 * the bytes from the first start-of-image that is followed by a table marker
 * are moved to the start of data and *length becomes their count. With an
 * orientation output the EXIF Orientation tag must come first, and its value
 * is written to *orientation. Returns PtpResult_Ok, or PtpResult_InvalidArgument
 * (data untouched) for null or empty data or when no image is found. Borrows
 * data for the call and changes it in place. */
PTP_API PtpResult PtpEosInterface_ExtractThumbnail(uint8_t* data, uint32_t* length,
                                                   uint8_t* orientation);

/* --- Live view and movie ------------------------------------------------------ */

#define PTP_EOS_LIVE_VIEW_AF_FRAMES 64 /**< AF frames a live-view record holds */

/** The information block at the start of every parsed Canon live-view frame
 * (PtpEosInterface_ParseLiveViewData, PtpGenericInterface_GetLiveViewImage on
 * a Canon camera), 1368 bytes: 1364 bytes of metadata, then the first four
 * bytes of the image, which continues in the frame buffer. Fields the frame did
 * not report hold the defaults given with them. */
typedef struct PtpEosLiveViewInfo {
    uint32_t kind;        /**< 1 JPEG frame with metadata, 2 converted (BMP), no metadata */
    uint32_t orientation; /**< camera's orientation code (0, 1, 2, 4); 0 when absent */
    float levelAngle1;    /**< degrees; 0 when absent */
    float levelAngle2;    /**< degrees, above 180 folded to negative; 0 when absent */
    uint32_t zoom;        /**< zoom factor; 1 when absent or reported as 0 */
    uint32_t zoomX;       /**< zoom-area position in the camera's coordinates */
    uint32_t zoomY;       /**< (its vertical position) */
    uint32_t visibleWidth1; /**< visible area; full size / zoom when absent */
    uint32_t visibleHeight1; /**< (its height) */
    uint32_t visibleWidth2; /**< second visible area; full size / zoom when absent */
    uint32_t visibleHeight2; /**< (its height) */
    uint32_t fullWidth; /**< full image size; the model's image size when absent */
    uint32_t fullHeight; /**< (its height) */
    uint32_t afFrameCount; /**< AF frames below, at most 64 */
    uint32_t afWord0[PTP_EOS_LIVE_VIEW_AF_FRAMES]; /**< AF frame words, as the camera sent them */
    uint32_t afWord2[PTP_EOS_LIVE_VIEW_AF_FRAMES]; /**< (the frames' next words, likewise) */
    uint32_t afWord3[PTP_EOS_LIVE_VIEW_AF_FRAMES]; /**< (likewise) */
    uint32_t afWord4[PTP_EOS_LIVE_VIEW_AF_FRAMES]; /**< (likewise) */
    uint32_t afWord5[PTP_EOS_LIVE_VIEW_AF_FRAMES]; /**< (likewise) */
    uint32_t record15[4]; /**< as sent; 0xFFFFFFFF, 0xFFFFFFFF, 0, 0 when absent */
    uint32_t record10[2]; /**< as sent; 0, 0 when absent */
    uint32_t imageLength; /**< bytes of the image that starts at imageStart */
    uint8_t imageStart[4]; /**< the image's first bytes; the rest follows in the buffer */
} PtpEosLiveViewInfo;

PTP_STATIC_ASSERT(sizeof(PtpEosLiveViewInfo) == 1368, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, zoom) == 16, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, fullWidth) == 44, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, afFrameCount) == 52, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, afWord0) == 56, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, afWord2) == 312, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, afWord5) == 1080, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, record15) == 1336, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, record10) == 1352, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, imageLength) == 1360, "PtpEosLiveViewInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpEosLiveViewInfo, imageStart) == 1364, "PtpEosLiveViewInfo layout");

/** Parses one raw Canon live-view frame (the data of operation 0x9153) of at
 * least 4000 bytes. A frame with a JPEG start marker in its first 256 bytes
 * gives the JPEG (up to its last end marker) and the metadata records after
 * it; any other frame is taken as an uncompressed YUV frame and converted to a
 * BMP image. On success *out holds a PtpEosLiveViewInfo whose image continues
 * to the buffer's end; *outLength is 1364 plus the image length (the buffer is
 * always at least 1368 bytes long), and the last live-view info is replaced.
 * False, with *out null and the last info unchanged, for null arguments, short
 * data, a JPEG without an end marker, a failed conversion or no memory.
 * Borrows data. Out: *out is allocated by the library; the caller releases it
 * with FreeMemory. May run on any thread. */
PTP_API bool PtpEosInterface_ParseLiveViewData(const uint8_t* data, uint32_t length, uint8_t** out,
                                               uint32_t* outLength);

/** Reduces a raw Canon live-view buffer to its image in place: with a JPEG
 * start marker in the first 256 bytes, the bytes from it are moved to the
 * start and *length shrinks. A buffer of 260 bytes or more without a marker is
 * converted as an uncompressed YUV frame: *data is freed and replaced by the
 * malloc'd BMP image. False, with the buffer unchanged, for null arguments,
 * data shorter than 4 bytes, a short buffer without a marker, or a failed
 * conversion. *data must be malloc'd (a buffer the library handed out). */
PTP_API bool PtpEosInterface_ExtractLiveViewImage(uint8_t** data, uint32_t* length);

/** The EXIF orientation of a frame: its orientation code 1 gives 6, 2 gives 8,
 * 4 gives 3, anything else (and a null info) 1. No camera traffic. */
PTP_API uint32_t PtpEosInterface_GetLiveViewOrientation(const PtpEosLiveViewInfo* info);

/** The information block of the last frame parsed in this process (all zero
 * before the first). Never null; the block is static and overwritten by every
 * successful parse. A frame parsed on another thread while the host reads it
 * may leave the host with fields of two frames: read it on the thread that
 * fetches frames, or use the copy at the start of each parsed frame. */
PTP_API const PtpEosLiveViewInfo* PtpEosInterface_GetLastLiveViewInfo(void);

/** Whether the camera lists property 0xD179 "Movie AF Servo On". No camera
 * traffic. */
PTP_API bool PtpEosInterface_HasMovieServo(void);

/* --- Models ------------------------------------------------------------------ */

/** The PTP object format of the connected model's RAW files: 0xB108 (CR3) for
 * the 90D, the 1D X Mark III and every mirrorless model, else 0xB103 (CR2).
 * Decided by the model table at session start; no camera traffic. May be called
 * from any thread. */
PTP_API uint32_t PtpEosInterface_RawImageFormat(void);

#endif
