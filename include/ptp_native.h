/** \file
 * The host image API: object information, full images and thumbnails of the
 * pictures on the camera and on the Tetherhub's SD card, answered from the
 * object cache (ptp_cache.h) when it holds them and otherwise fetched, stored
 * in the cache and handed over.
 *
 * An object is named by its 612-byte record (PtpObjectInfo); the handle
 * 0xFFFFFFFF marks a file on the SD card, named by the record's fileName. The
 * record's fields are not trusted: a fileName without a NUL in its 256 bytes is
 * cut at its last byte.
 *
 * Share modes (0xA0 to the Tetherhub's other clients only, 0xA1 to them and
 * back to this client; 0 none) let a fetch from the camera or the SD card go to
 * the other clients at the same time. Under 0xA0 the caller receives no data
 * (null, length 0) and nothing is cached; the request always goes to the camera
 * or card then, since a cached answer would reach nobody.
 *
 * Every function may be called from any host thread. Fetches take the
 * transaction and relay link locks per exchange; the cache takes its own lock
 * per call. Buffers handed out are malloc'd; the host releases them with
 * FreeMemory. Returned paths live in a buffer of the calling thread, valid until
 * that thread's next cache or Native_ call; the host copies them. */
#ifndef PTP_NATIVE_H
#define PTP_NATIVE_H

#include <stdint.h>

#include "ptp_objects.h"
#include "ptp_result.h"

/** Fills *record with the information of the camera object record->handle:
 * from the cache unless force is set and record->imageWidth is non-zero, else
 * from the camera (then stored in the cache). On a Nikon camera an object of
 * more than 2048 bytes without orientation gets its orientation from the
 * Tetherhub. Returns PtpResult_Ok, PtpResult_InvalidArgument for a null or
 * SD-card record, or the camera's or transport's code (*record untouched). */
PTP_API PtpResult Native_GetObjectInfo(PtpObjectInfo* record, uint8_t force);

/** The whole image of the object: a cached modified JPEG first; then, with
 * preferExtracted set and a raw object, the JPEG the Tetherhub extracts from
 * it; else the full image; each from the cache or else fetched and stored.
 * *fetchedNow (may be null) is set to 1 when the answer was fetched by this
 * call. Returns PtpResult_Ok (*data holds *length bytes, or null and 0 under
 * share mode 0xA0), PtpResult_InvalidArgument for null arguments or an SD-card
 * record without a name, PtpResult_BadReply for a part the Tetherhub answered
 * with more bytes than asked or with none, PtpResult_OutOfMemory, or the
 * camera's or Tetherhub's code (0x2019 when the camera stayed busy through five
 * attempts a second apart). Out: *data is allocated by the library; the host
 * releases it with FreeMemory. */
PTP_API PtpResult Native_GetImage(const PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                                  uint8_t shareMode, uint8_t* fetchedNow, uint8_t preferExtracted);

/** Makes sure the object's image is in the cache (as Native_GetImage) and
 * returns the path of its best cached file (modified JPEG, else the extracted
 * JPEG when preferExtracted is set, else the full image), or null on failure or
 * when nothing is cached. *result (may be null) receives Native_GetImage's
 * result; *fetchedNow (may be null) as there. */
PTP_API const char* Native_GetImageCachePath(const PtpObjectInfo* record, uint8_t preferExtracted,
                                             uint8_t shareMode, PtpResult* result,
                                             uint8_t* fetchedNow);

/** The cached path of the image to share with other clients. direct = 1: the
 * full image from the cache, or else fetched in one GetObject and stored
 * (*fetchedNow set to 1 either way); objects above 5,120,000 bytes give
 * PtpResult_InvalidData. Otherwise as Native_GetImageCachePath with share mode
 * 0 and preferExtracted set. Null on failure; *result (may be null) receives
 * the result. */
PTP_API const char* Native_GetShareImageCachePath(const PtpObjectInfo* record, PtpResult* result,
                                                  uint8_t* fetchedNow, uint8_t direct);

/** The object's thumbnail: from the cache (the cached orientation copied into
 * record->orientation), else from the camera or the SD card and stored in the
 * cache. Canon cameras and the SD card report an orientation, which is written
 * into the low byte of record->orientation and stored with the record. share
 * non-zero passes the thumbnail on to the other clients too (mode 0xA1 for the
 * camera; the value itself as the SD card's share mode). Returns PtpResult_Ok,
 * PtpResult_InvalidArgument for null arguments, or the camera's or Tetherhub's
 * code. Out: *data is allocated by the library; the host releases it with
 * FreeMemory. */
PTP_API PtpResult Native_GetThumbnail(PtpObjectInfo* record, uint8_t** data, uint32_t* length,
                                      uint8_t share);

#endif /* PTP_NATIVE_H */
