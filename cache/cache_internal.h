// Helpers of the object cache shared by its files: the names and paths of
// cache files, whole-file reads and atomic writes, loading a cache directory,
// and the image counter. None of them touches the cache's state or lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ptp_objects.h"

// Every path is built in a buffer of this size; one that does not fit is
// refused before any file is touched.
constexpr size_t kCachePathSize = 512;
// Longest texts the settings keep (their buffers hold one more byte).
constexpr size_t kCacheDirectoryMax = 2047;
constexpr size_t kImageDirectoryMax = 511;
constexpr size_t kCachePrefixMax = 1023;
// At most this many object records survive loading a cache directory.
constexpr size_t kCacheKeepRecords = 2001;
// Temporary files of interrupted writes start with this; loading removes them.
constexpr char kCacheTemporaryPrefix[] = ".ptptmp-";

// --- Names and paths (cache_files.cpp) ----------------------------------------------

// True when name can be one file name inside a directory: not empty, not "."
// or "..", without "/" or "\".
bool PtpCache_IsSafeFileName(const char* name);

// The name under which the object's files are stored, written to out
// (PTP_OBJECT_NAME_SIZE bytes). False (out empty) when the record's name is
// empty or unterminated within its field, contains "\", starts with "/", or
// has an empty, "." or ".." component, and for a camera object whose name
// contains "/". An SD-card file's folders are kept in the name with each "/"
// replaced by "_": "DCIM/IMG_0001.JPG" is stored as "DCIM_IMG_0001.JPG".
bool PtpCache_ObjectFileName(const PtpObjectInfo* record, char* out);

// Builds directory + "//" + name + suffix into out (kCachePathSize bytes).
// False (out empty) when directory is empty, name is not a safe file name, or
// the path does not fit.
bool PtpCache_BuildPath(char* out, const char* directory, const char* name, const char* suffix);

// --- Files (cache_files.cpp) ----------------------------------------------------------

// True when path names an existing regular file.
bool PtpCache_IsRegularFile(const char* path);

// Removes the file at path; true when it is gone afterwards.
bool PtpCache_RemoveFile(const char* path);

// Reads the whole regular file at path. True with *data (malloc'd, the
// caller frees it) holding *length bytes; false (*data null, *length 0) when
// it cannot be opened or read completely, is not a regular file, or is larger
// than 4 GiB - 1. An empty file gives true with a null *data and length 0.
bool PtpCache_ReadWholeFile(const char* path, uint8_t** data, uint32_t* length);

// Writes length bytes to path, which lies in directory: the data goes to a
// new temporary file in the same directory, is flushed to disk and renamed
// over path, so path holds either its old content or all of the new. On
// failure the temporary is removed and path is untouched. Borrows data.
bool PtpCache_WriteFileAtomic(const char* directory, const char* path, const uint8_t* data,
                              uint32_t length);

// Test seam: called after each chunk a write puts into its temporary file,
// with the temporary's path and the bytes written so far; null to remove.
typedef void (*PtpCacheWriteHook)(const char* temporaryPath, uint64_t written);
void PtpCache_SetWriteHookForTest(PtpCacheWriteHook hook);

// Reads an object-record file: true when it holds exactly
// PTP_OBJECT_INFO_SIZE bytes, with fileName then forced to end in a NUL. *out
// is written only on success.
bool PtpCache_ReadRecordFile(const char* path, PtpObjectInfo* out);

// --- Loading (cache_load.cpp) ---------------------------------------------------------

struct PtpCacheLoadedRecord {
    PtpObjectInfo record;
    uint32_t accessTime; // low 32 bits of the file's last-access time
};

// Reads every valid object record of directory, in enumeration order: regular
// files named "<name>.obj" holding exactly one record whose own name is
// stored under that file name. Other files are left alone. Removes the
// temporaries of interrupted writes. False when the directory cannot be read.
bool PtpCache_LoadRecords(const char* directory, std::vector<PtpCacheLoadedRecord>* out);

// Removes the temporaries of interrupted writes from directory.
void PtpCache_RemoveTemporaries(const char* directory);

// The positions of the records to drop so that the keep records with the
// newest access times survive (ties keep the earlier position). Empty when
// there are no more than keep.
std::vector<size_t> PtpCache_RecordsToTrim(const std::vector<PtpCacheLoadedRecord>& records,
                                           size_t keep);

// --- Image names (image_counter.cpp) ----------------------------------------------------

// The counter after the images already in directory: for each regular file
// named prefix, one separator character, then a decimal number (up to the
// first "."), counter is raised to that number + 1 when that is larger.
uint32_t PtpCache_ScanImageCounter(const char* directory, const char* prefix, uint32_t counter);

// The file name of an object's full image, written to out (outSize bytes):
// without a prefix the stored name itself; with keepNames "<prefix>_<stored>";
// otherwise "<prefix>_<counter><extension>", the extension being the last "."
// and what follows in the last folder component of originalName. False when
// it does not fit.
bool PtpCache_ImageFileName(char* out, size_t outSize, const char* storedName,
                            const char* originalName, const char* prefix, uint8_t keepNames,
                            uint32_t counter);
