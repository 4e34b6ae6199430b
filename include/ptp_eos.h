/* The Canon EOS driver's own functions, which a host may call directly on a
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

/* Presses the shutter. Cameras with remote release (operation 0x9128) are
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

/* Writes mirror lock-up (0xD13A) on or off, with verification when verify is
 * non-zero. Returns the write's result. */
PTP_API PtpResult PtpEosInterface_ToggleMirrorUpMode(bool on, uint8_t verify);

/* Writes the power-zoom position (0xD055) as a percentage, at most 100,
 * without verification. Returns the write's result. */
PTP_API PtpResult PtpEosInterface_ZoomLens(uint32_t percent);

/* --- Objects ------------------------------------------------------------------ */

#define PTP_EOS_OBJECT_NAME_SIZE 64

/* One object of PtpEosInterface_GetAllObjectsInfo, 96 bytes. */
typedef struct PtpEosObjectEntry {
    uint32_t handle;
    uint32_t storage;                        /* the storage word of the listing */
    uint32_t format;                         /* PTP object format; 0x3001 for a folder */
    uint32_t listingWord1;                   /* passed on as the camera sent it */
    uint32_t listingWord2;                   /* passed on as the camera sent it */
    uint32_t reserved1;                      /* 0 */
    char fileName[PTP_EOS_OBJECT_NAME_SIZE]; /* NUL-terminated; longer names are cut */
    uint32_t reserved2;                      /* 0 */
    uint32_t extra; /* the extra attribute (0x9135); 0 when not fetched or unknown */
} PtpEosObjectEntry;

PTP_STATIC_ASSERT(sizeof(PtpEosObjectEntry) == 96, "PtpEosObjectEntry layout");
PTP_STATIC_ASSERT(offsetof(PtpEosObjectEntry, fileName) == 24, "PtpEosObjectEntry layout");
PTP_STATIC_ASSERT(offsetof(PtpEosObjectEntry, extra) == 92, "PtpEosObjectEntry layout");

/* Lists every object on every storage of the camera with Canon's folder
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

/* Cuts a Canon thumbnail (a JPEG file with EXIF) to the JPEG image inside it:
 * the bytes from the first start-of-image that is followed by a table marker
 * are moved to the start of data and *length becomes their count. With an
 * orientation output the EXIF Orientation tag must come first, and its value
 * is written to *orientation. Returns PtpResult_Ok, or PtpResult_InvalidArgument
 * (data untouched) for null or empty data or when no image is found. Borrows
 * data for the call and changes it in place. */
PTP_API PtpResult PtpEosInterface_ExtractThumbnail(uint8_t* data, uint32_t* length,
                                                   uint8_t* orientation);

/* --- Models ------------------------------------------------------------------ */

/* The PTP object format of the connected model's RAW files: 0xB108 (CR3) for
 * the 90D, the 1D X Mark III and every mirrorless model, else 0xB103 (CR2).
 * Decided by the model table at session start; no camera traffic. May be called
 * from any thread. */
PTP_API uint32_t PtpEosInterface_RawImageFormat(void);

#endif
