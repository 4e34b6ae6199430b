/** \file
 * The object cache: object records, thumbnails, full images and extracted
 * JPEGs of camera and SD-card objects, kept on disk in the host's cache
 * directory (records, thumbnails, auxiliary files) and image directory (full
 * images and extracted JPEGs; the cache directory when none is set).
 *
 * Every function may be called from any thread; one cache lock serialises
 * them. Files are written under a temporary name in the same directory and
 * renamed into place, so a reader never sees a torn file. Object names come
 * from the camera and the Tetherhub and are untrusted: a name that is empty,
 * unterminated within its 256 bytes, contains a backslash, starts with "/",
 * or has an empty, "." or ".." component is refused, and so is every path
 * that does not fit 512 bytes. A camera object's name may not contain "/";
 * an SD-card file's name (handle 0xFFFFFFFF) may name folders ("DCIM/X.JPG"),
 * and its files are then stored flat, each "/" replaced by "_"
 * ("DCIM_X.JPG.obj"). Refusals report as failures (false or null) and touch
 * no file.
 *
 * Paths returned by the Add functions live in a buffer of the calling thread,
 * valid until that thread's next cache call; the host copies them. Buffers
 * handed out are malloc'd; the caller releases them with FreeMemory. */
#ifndef PTP_CACHE_H
#define PTP_CACHE_H

#include <stdint.h>

#include "ptp_objects.h"
#include "ptp_result.h"

/** Points the cache at cacheDirectory (at most 2047 characters) and
 * imageDirectory (at most 511; null or empty: the cache directory), forgets
 * every entry, loads every valid ".obj" record of the cache directory, removes
 * stray temporary files left by an interrupted write, and keeps only the 2001
 * most recently accessed records (the others are deleted with their files).
 * Returns true when the cache is enabled afterwards. A null or empty cache
 * directory disables the cache (false), and so does a directory over its
 * limit: it is never shortened into another one. */
PTP_API bool PtpCache_SetCacheLocation(const char* cacheDirectory, const char* imageDirectory);

/** Sets the image directory (null: none, the cache directory is used) and
 * rescans the image counter. A text over 511 characters is ignored. */
PTP_API void PtpCache_SetOptionalImageDirectory(const char* directory);

/** Sets the prefix of stored image names (at most 1023 characters; longer is
 * ignored). With keepNames non-zero images are stored as "<prefix>_<name>";
 * otherwise as "<prefix>_<counter><extension>", the counter continuing after
 * the highest number already in the image directory. Null or empty clears the
 * prefix: images keep their own names. */
PTP_API void PtpCache_SetCacheCustomPrefix(const char* prefix, uint8_t keepNames);

/** Forgets every entry; the files stay on disk and the cache stays enabled. */
PTP_API void PtpCache_WipeCacheMemory(void);

/** Stores the object record (finding the entry by handle, or for an SD-card
 * file by case-insensitive name prefix) and writes its ".obj" file. A record
 * with a different non-zero capture date, or a camera handle now naming
 * another file, replaces the entry and deletes its files. Returns true when
 * the ".obj" file was written; false for a null record, a refused name or a
 * disabled cache. Borrows record for the call. */
PTP_API bool PtpCache_AddObjectInfoToCache(const PtpObjectInfo* record);

/** Stores the full image of the object in the image directory. Returns the
 * written path (per-thread buffer, see above) or null for null or empty data,
 * a disabled cache, a refused name or a failed write. Borrows its arguments. */
PTP_API const char* PtpCache_AddImageToCache(const PtpObjectInfo* record, const uint8_t* data,
                                             uint32_t length);

/** Stores the JPEG extracted from the object's raw file as "<name>.ext.jpg"
 * in the image directory (name null or empty: the object's name). Returns the
 * written path or null, as PtpCache_AddImageToCache. */
PTP_API const char* PtpCache_AddExtractedToCache(const PtpObjectInfo* record, const char* name,
                                                 const uint8_t* data, uint32_t length);

/** Stores the object's thumbnail as "<name>.thumb" in the cache directory; a
 * record whose orientation (2 or more) differs from the cached one is stored
 * first. Returns true when the file was written. Borrows its arguments. */
PTP_API bool PtpCache_AddThumbnailToCache(const PtpObjectInfo* record, const uint8_t* data,
                                          uint32_t length);

/** Removes the entry found by handle, or for an SD-card file the first entry
 * whose name starts with the record's name (case-sensitive), together with its
 * ".obj", thumbnail, image, extracted, modified, edit and small files. False
 * for a null record, an SD-card record with an empty name, no such entry or a
 * disabled cache. */
PTP_API bool PtpCache_DeleteObject(const PtpObjectInfo* record);

/** Copies the cached record of the object found by key (handle, or for an
 * SD-card file case-insensitive name prefix) into *out. False when there is
 * none or an argument is null. */
PTP_API bool PtpCache_GetObjectInfo(const PtpObjectInfo* key, PtpObjectInfo* out);

/** Reads the cached thumbnail of the object. True with *data holding *length
 * (non-zero) bytes, and the cached orientation byte copied into the low byte
 * of record->orientation; false (*data null, *length 0) when there is no
 * entry, no thumbnail file or it cannot be read. Out: *data is allocated by
 * the library; the caller releases it with FreeMemory. */
PTP_API bool PtpCache_GetThumbnail(PtpObjectInfo* record, uint8_t** data, uint32_t* length);

/** Reads a ".obj" file into *out. True only when the file holds exactly 612
 * bytes; out->fileName is then forced to end in a NUL. */
PTP_API bool PtpCache_LoadObjectInfoFromFile(const char* path, PtpObjectInfo* out);

#endif /* PTP_CACHE_H */
