// The object cache's internal interface, for the host image API: reading the
// cached files of an object and finding the path to hand to the host. Each
// call takes the cache lock for its whole run; callers must not hold it.
#pragma once

#include <cstdint>

#include "ptp_cache.h"

// Read the whole full image, extracted JPEG or modified JPEG of the object
// found by key. True with *data holding *length (non-zero) bytes; false with
// *data null and *length 0 when there is no entry, no such file, or it cannot
// be read (a full image that cannot be read is forgotten, so the next request
// fetches it again). Out: *data is malloc'd; the caller releases it with
// FreeMemory.
bool PtpCache_ReadImage(const PtpObjectInfo* key, uint8_t** data, uint32_t* length);
bool PtpCache_ReadExtracted(const PtpObjectInfo* key, uint8_t** data, uint32_t* length);
bool PtpCache_ReadModified(const PtpObjectInfo* key, uint8_t** data, uint32_t* length);

// The path of the object's best cached picture: the modified JPEG, else the
// extracted JPEG when preferExtracted is set, else the full image; null when
// none is cached. The text lives in a buffer of the calling thread, valid
// until that thread's next cache call.
const char* PtpCache_GetCachedImagePath(const PtpObjectInfo* key, bool preferExtracted);

// Test seam: forgets every entry and every setting (no directories, no
// prefix, counter 0) and disables the cache, as at load.
void PtpCache_ResetForTest(void);
