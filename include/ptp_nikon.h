/** \file
 * The Nikon driver's own functions, which a host may call directly on a Nikon
 * camera (vendor 15). Calls run on the calling thread and block for the
 * camera's answers. Buffers the library hands out are malloc'd and belong to
 * the caller, who releases them with FreeMemory. */
#ifndef PTP_NIKON_H
#define PTP_NIKON_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_properties.h"
#include "ptp_result.h"

/* --- Live view ------------------------------------------------------------------ */

/** \struct PtpNikonLiveViewInfo
 * The record in front of every Nikon live-view frame that
 * PtpGenericInterface_GetLiveViewImage returns: 385 bytes, every field in host
 * byte order. The camera's header is big-endian; the library converts it. The
 * fields without a name here are the camera's and are passed through. */
#define PTP_NIKON_LIVE_VIEW_INFO_SIZE 385 /**< bytes of a PtpNikonLiveViewInfo */
#pragma pack(push, 1)
typedef struct PtpNikonLiveViewInfo {
    uint32_t jpegOffset;  /**< 0: offset of the JPEG from the start of the buffer */
    uint32_t jpegSize;    /**< 4: its length in bytes */
    uint16_t words8[2];   /**< 8 */
    uint16_t areaWidth;   /**< 12: the coordinate space of focus-point positions */
    uint16_t areaHeight;  /**< 14 */
    uint16_t words16[2];  /**< 16 */
    uint16_t zoomX;       /**< 20: the magnified area's position in that space */
    uint16_t zoomY;       /**< 22 */
    uint16_t words24[4];  /**< 24 */
    uint32_t value32;     /**< 32 */
    uint8_t byte36;       /**< 36 */
    uint8_t orientation;  /**< 37: 0 none, 1, 2, 3 (PtpNikonInterface_ConvertLiveViewOrientation) */
    uint8_t bytes38[2];   /**< 38 */
    uint32_t value40;     /**< 40 */
    uint16_t words44[2];  /**< 44 */
    uint8_t bytes48[4];   /**< 48 */
    uint32_t values52[3]; /**< 52: each sent as a u16 */
    uint32_t value64;     /**< 64 */
    uint8_t bytes68[317]; /**< 68 */
} PtpNikonLiveViewInfo;
#pragma pack(pop)

/** The record of the last frame parsed in this process (all zero before the
 * first). The pointer stays valid; the next frame overwrites the record, so a
 * host reading it while another thread fetches frames may see a mix of two. */
PTP_API const PtpNikonLiveViewInfo* PtpNikonInterface_GetLastLiveViewInfo(void);

/** The EXIF orientation of the last frame (1 before the first). */
PTP_API uint32_t PtpNikonInterface_GetLastLiveViewOrientation(void);

/** The EXIF orientation for a frame's orientation code: 1 gives 8, 2 gives 6,
 * 3 gives 3, anything else 1. Pure. */
PTP_API uint32_t PtpNikonInterface_ConvertLiveViewOrientation(uint8_t code);

/* --- Properties ------------------------------------------------------------------ */

/** Reads property code's value from the camera (GetDevicePropValue) into its
 * record, labels it, and queues a DevicePropChanged event, notifying the host.
 * False when the store has no such record, the read fails or the value does
 * not fit the received data (the record is then unchanged). Any host thread;
 * blocks for the camera's answer. */
PTP_API bool PtpNikonInterface_UpdateProperty(uint32_t code);

/* --- Focus ---------------------------------------------------------------------- */

/** Whether the camera focuses automatically: from 0xD061 on Z bodies and in
 * live view, else 0xD161, else 0x500A with its AF priority switches. Unless
 * ignoreLibraryMode, focus the library holds (manual-focus flag 1) counts as
 * manual where the camera's own setting cannot tell. No camera traffic. */
PTP_API bool PtpNikonInterface_IsAutoFocus(bool ignoreLibraryMode);

/* --- Models, formats and capabilities ---------------------------------------------- */
/* These read the session's model number and the property store: no camera
 * traffic, any thread. */

/** Whether the session's camera is a Z-series (mirrorless) body. */
PTP_API bool PtpNikonInterface_IsMirrorless(void);

/** The label of a Nikon image-format value (quality | JPEG size << 16 | RAW
 * size << 24), such as "M RAW + M JPG (FINE)"; "--" for 0xFFFFFFFF. The text
 * lives in one static buffer that the next call rewrites. */
PTP_API const char* PtpNikonInterface_StringForImageFormat(uint32_t value);

/** The focus-mode property: 0xD061 on Z bodies, else 0xD161 when the camera
 * has it, else 0x500A. */
PTP_API uint32_t PtpNikonInterface_GetFocusModePropertyCode(void);

/** The record that switches automatic ISO: 0xD054 in the automatic exposure
 * programs when the camera has it, else 0xD16A; null when neither is stored.
 * The record is not locked (see PtpGenericInterface_GetProperty). */
PTP_API PtpPropertyRecord* PtpNikonInterface_AutoIsoEnabledProperty(void);
/** That record's code, 0 when there is none. */
PTP_API uint32_t PtpNikonInterface_AutoIsoEnabledPropertyCode(void);
/** The value of record that means "on": true, except for 0xD16A, whose stored
 * sense is inverted. */
PTP_API bool PtpNikonInterface_AutoIsoEnabledValue(const PtpPropertyRecord* record);
/** The camera has an automatic-ISO switch (0xD054 or 0xD16A) and its highest
 * automatic ISO (0xD0B5). */
PTP_API bool PtpNikonInterface_SupportsAutoIso(void);

/** Shots in one continuous burst: 0xD1B4 bounded by 0xD1F1 (1000 when absent),
 * at most 255; 20 when the camera has no 0xD1B4. */
PTP_API uint8_t PtpNikonInterface_GetMaxContinuousShots(void);

#endif
