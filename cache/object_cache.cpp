// The object cache: a list of entries in memory, one per camera or SD-card
// object, mirroring the files of the cache directory (object records,
// thumbnails, edit data, small images) and the image directory (full images,
// extracted and modified JPEGs). Every exported function holds the cache lock
// for its whole run; the static helpers below run with it held.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "cache/cache_internal.h"
#include "cache/object_cache.h"
#include "generic/driver.h"

namespace {

// The kinds of file an entry may know besides its object record.
enum CacheFileKind {
    kFileImage,
    kFileThumbnail,
    kFileModified,
    kFileExtracted,
    kFileEdit,
    kFileSmall,
    kFileKindCount
};

constexpr char kRecordSuffix[] = ".obj";
constexpr char kThumbnailSuffix[] = ".thumb";
constexpr char kModifiedSuffix[] = ".mod.jpg";
constexpr char kExtractedSuffix[] = ".ext.jpg";
constexpr char kEditSuffix[] = ".edit";
constexpr char kSmallSuffix[] = ".small";

// An image name may carry the prefix ahead of the object's name.
constexpr size_t kImageNameSize = kCachePrefixMax + 1 + PTP_OBJECT_NAME_SIZE + 16;

struct CacheEntry {
    PtpObjectInfo record;
    char* paths[kFileKindCount]; // malloc'd copies; null when not known
    CacheEntry* next;
    CacheEntry* prev; // so that removing an entry does not walk the list
    uint64_t order;   // rises along the list: entries are only appended
};

// Entries sharing one key, in list order.
typedef std::vector<CacheEntry*> Bucket;

// Indexes over the list, so that a lookup costs the same at any size. They
// hold every entry of the list and no other; each bucket keeps list order, so
// "the first entry that matches" is the bucket's first that does.
struct CacheIndex {
    std::unordered_map<uint32_t, Bucket> byHandle;
    std::unordered_map<std::string, Bucket> byStoredName; // entries whose name can be stored
    std::unordered_map<std::string, Bucket> byLowerName;  // entries with a name, ASCII lower case
    uint32_t nameLengths[PTP_OBJECT_NAME_SIZE] = {};      // entries in byLowerName per name length
    std::string key;                                      // see KeyOf
};

struct CacheState {
    std::mutex lock;
    CacheEntry* head = nullptr; // guarded by lock; insertion order
    CacheEntry* tail = nullptr; // guarded by lock
    CacheIndex index;           // guarded by lock
    uint64_t nextOrder = 0;     // guarded by lock
    char cacheDirectory[kCacheDirectoryMax + 1] = {};
    char imageDirectory[kImageDirectoryMax + 1] = {}; // empty: the cache directory
    char prefix[kCachePrefixMax + 1] = {};            // empty: images keep their names
    uint8_t keepNames = 0;
    uint32_t imageCounter = 0;
    bool enabled = false; // a usable cache directory is set
};

CacheState g_cache;

// The path handed to the caller, copied under the lock; valid until the same
// thread's next cache call.
thread_local char t_returnedPath[kCachePathSize];

const char* HandOutPath(const char* path) {
    if (!path) return nullptr;
    snprintf(t_returnedPath, sizeof t_returnedPath, "%s", path);
    return t_returnedPath;
}

const char* ImageDirectory() {
    return g_cache.imageDirectory[0] ? g_cache.imageDirectory : g_cache.cacheDirectory;
}

uint8_t OrientationByte(const PtpObjectInfo& record) { return uint8_t(record.orientation & 0xFF); }

// --- Index -------------------------------------------------------------------------

// The key buffer of removals and lookups: reserved for the longest name by
// the first Index, so that assigning to it never allocates and taking an
// entry out of the index cannot fail.
std::string& KeyOf(const char* name, size_t n) {
    std::string& key = g_cache.index.key;
    key.assign(name, n);
    return key;
}

std::string& LowerName(const char* name, size_t n) {
    std::string& key = KeyOf(name, n);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return key;
}

void BucketInsert(Bucket& b, CacheEntry* e) {
    auto at = b.end();
    while (at != b.begin() && (*(at - 1))->order > e->order)
        --at;
    b.insert(at, e);
}

template <typename Map, typename Key> void BucketRemove(Map& map, const Key& key, CacheEntry* e) {
    auto found = map.find(key);
    if (found == map.end()) return;
    Bucket& b = found->second;
    for (auto it = b.begin(); it != b.end(); ++it)
        if (*it == e) {
            b.erase(it);
            break;
        }
    if (b.empty()) map.erase(found);
}

void Unindex(CacheEntry* e) {
    CacheIndex& ix = g_cache.index;
    BucketRemove(ix.byHandle, e->record.handle, e);
    char stored[PTP_OBJECT_NAME_SIZE];
    if (PtpCache_ObjectFileName(&e->record, stored))
        BucketRemove(ix.byStoredName, KeyOf(stored, strlen(stored)), e);
    size_t n = strlen(e->record.fileName);
    if (n > 0) {
        BucketRemove(ix.byLowerName, LowerName(e->record.fileName, n), e);
        --ix.nameLengths[n];
    }
}

// False when memory ran out; the entry is then in no index.
bool Index(CacheEntry* e) {
    CacheIndex& ix = g_cache.index;
    size_t n = strlen(e->record.fileName);
    bool lengthCounted = false;
    try {
        ix.key.reserve(PTP_OBJECT_NAME_SIZE);
        BucketInsert(ix.byHandle[e->record.handle], e);
        char stored[PTP_OBJECT_NAME_SIZE];
        if (PtpCache_ObjectFileName(&e->record, stored))
            BucketInsert(ix.byStoredName[KeyOf(stored, strlen(stored))], e);
        if (n > 0) {
            ++ix.nameLengths[n];
            lengthCounted = true;
            BucketInsert(ix.byLowerName[LowerName(e->record.fileName, n)], e);
        }
        return true;
    } catch (const std::bad_alloc&) {
        if (!lengthCounted && n > 0) ++ix.nameLengths[n]; // Unindex takes it off
        Unindex(e);
        return false;
    }
}

// --- Entries ------------------------------------------------------------------------

void ForgetPath(CacheEntry* e, int kind) {
    free(e->paths[kind]);
    e->paths[kind] = nullptr;
}

bool SetPath(CacheEntry* e, int kind, const char* path) {
    char* copy = strdup(path);
    if (!copy) return false;
    free(e->paths[kind]);
    e->paths[kind] = copy;
    return true;
}

void FreeEntry(CacheEntry* e) {
    for (int kind = 0; kind < kFileKindCount; ++kind)
        free(e->paths[kind]);
    free(e);
}

void FreeAllEntries() {
    CacheEntry* e = g_cache.head;
    while (e) {
        CacheEntry* next = e->next;
        FreeEntry(e);
        e = next;
    }
    g_cache.head = g_cache.tail = nullptr;
    g_cache.index.byHandle.clear();
    g_cache.index.byStoredName.clear();
    g_cache.index.byLowerName.clear();
    memset(g_cache.index.nameLengths, 0, sizeof g_cache.index.nameLengths);
}

// Takes the entry out of the list only.
void Detach(CacheEntry* e) {
    if (e->prev)
        e->prev->next = e->next;
    else
        g_cache.head = e->next;
    if (e->next)
        e->next->prev = e->prev;
    else
        g_cache.tail = e->prev;
    e->next = e->prev = nullptr;
}

void Unlink(CacheEntry* e) {
    if (!e->prev && g_cache.head != e) return; // not in the list
    Unindex(e);
    Detach(e);
}

CacheEntry* Append(const PtpObjectInfo& record) {
    CacheEntry* e = static_cast<CacheEntry*>(calloc(1, sizeof(CacheEntry)));
    if (!e) return nullptr;
    e->record = record;
    e->record.fileName[PTP_OBJECT_NAME_SIZE - 1] = '\0';
    e->order = g_cache.nextOrder++;
    if (!Index(e)) {
        free(e);
        return nullptr;
    }
    e->prev = g_cache.tail;
    if (g_cache.tail) {
        g_cache.tail->next = e;
    } else {
        g_cache.head = e;
    }
    g_cache.tail = e;
    return e;
}

// The key's name when it is terminated within its field, else null.
const char* KeyName(const PtpObjectInfo* key) {
    return memchr(key->fileName, '\0', PTP_OBJECT_NAME_SIZE) ? key->fileName : nullptr;
}

// Whether handle is the camera's fixed capture handle, which every capture
// carries in turn.
bool IsCaptureHandle(uint32_t handle) {
    const uint32_t capture = PtpSession_Driver()->objects.captureHandle;
    return capture != 0 && handle == capture;
}

// Every lookup but deletion: by handle, or for an SD-card file the first
// entry whose non-empty name is a case-insensitive prefix of the key's name.
// Under the capture handle the name must match as well, so that each capture
// is its own entry and a key without a name finds none.
CacheEntry* Find(const PtpObjectInfo* key) {
    if (key->handle != PTP_OBJECT_HANDLE_SD_CARD) {
        const bool byName = IsCaptureHandle(key->handle);
        const char* keyName = byName ? KeyName(key) : nullptr;
        if (byName && (!keyName || !keyName[0])) return nullptr;
        if (!byName) {
            auto found = g_cache.index.byHandle.find(key->handle);
            return found == g_cache.index.byHandle.end() ? nullptr : found->second.front();
        }
        // Every capture shares the handle: look among the entries of the name.
        auto found = g_cache.index.byLowerName.find(LowerName(keyName, strlen(keyName)));
        if (found == g_cache.index.byLowerName.end()) return nullptr;
        for (CacheEntry* e : found->second)
            if (e->record.handle == key->handle && strcmp(e->record.fileName, keyName) == 0)
                return e;
        return nullptr;
    }
    const char* keyName = KeyName(key);
    if (!keyName) return nullptr;
    // Each prefix of the key that some entry's name is as long as: the first
    // entry in list order among their buckets.
    size_t keyLength = strlen(keyName);
    CacheEntry* first = nullptr;
    for (size_t n = 1; n <= keyLength; ++n) {
        if (g_cache.index.nameLengths[n] == 0) continue;
        auto found = g_cache.index.byLowerName.find(LowerName(keyName, n));
        if (found == g_cache.index.byLowerName.end()) continue;
        CacheEntry* e = found->second.front();
        if (!first || e->order < first->order) first = e;
    }
    return first;
}

// Deletion's lookup: by handle, or for an SD-card file the first entry whose
// name starts with the key's name, case-sensitively. An empty or
// unterminated key name finds nothing.
CacheEntry* FindForDelete(const PtpObjectInfo* key) {
    if (key->handle != PTP_OBJECT_HANDLE_SD_CARD) return Find(key);
    const char* keyName = KeyName(key);
    if (!keyName || !keyName[0]) return nullptr;
    size_t keyLength = strlen(keyName);
    for (CacheEntry* e = g_cache.head; e; e = e->next)
        if (strncmp(e->record.fileName, keyName, keyLength) == 0) return e;
    return nullptr;
}

// --- Files of an entry ------------------------------------------------------------------

// The path of the entry's file of one kind under the current settings. False
// when the name is refused, the path does not fit, or (for a full image under
// a counter prefix) the name cannot be derived from the object.
bool KindPath(const CacheEntry* e, int kind, char* path) {
    path[0] = '\0';
    char stored[PTP_OBJECT_NAME_SIZE];
    if (!PtpCache_ObjectFileName(&e->record, stored)) return false;
    switch (kind) {
    case kFileImage: {
        // Counter names are handed out once; only the entry remembers them.
        if (g_cache.prefix[0] && !g_cache.keepNames) return false;
        char name[kImageNameSize];
        if (!PtpCache_ImageFileName(name, sizeof name, stored, e->record.fileName, g_cache.prefix,
                                    g_cache.keepNames, 0))
            return false;
        return PtpCache_BuildPath(path, ImageDirectory(), name, nullptr);
    }
    case kFileThumbnail:
        return PtpCache_BuildPath(path, g_cache.cacheDirectory, stored, kThumbnailSuffix);
    case kFileModified: return PtpCache_BuildPath(path, ImageDirectory(), stored, kModifiedSuffix);
    case kFileExtracted:
        return PtpCache_BuildPath(path, ImageDirectory(), stored, kExtractedSuffix);
    case kFileEdit: return PtpCache_BuildPath(path, g_cache.cacheDirectory, stored, kEditSuffix);
    case kFileSmall: return PtpCache_BuildPath(path, g_cache.cacheDirectory, stored, kSmallSuffix);
    default: return false;
    }
}

bool RecordPath(const PtpObjectInfo& record, char* path) {
    char stored[PTP_OBJECT_NAME_SIZE];
    if (!PtpCache_ObjectFileName(&record, stored)) return false;
    return PtpCache_BuildPath(path, g_cache.cacheDirectory, stored, kRecordSuffix);
}

// Finds the entry's file of one kind on disk and remembers its path (or
// forgets it when there is none). True when the file exists.
bool LookUpFile(CacheEntry* e, int kind) {
    char path[kCachePathSize];
    if (KindPath(e, kind, path) && PtpCache_IsRegularFile(path) && SetPath(e, kind, path))
        return true;
    ForgetPath(e, kind);
    return false;
}

// A remembered path whose file has gone is forgotten.
void CheckKnownPath(CacheEntry* e, int kind) {
    if (e->paths[kind] && !PtpCache_IsRegularFile(e->paths[kind])) ForgetPath(e, kind);
}

bool WriteRecordFile(const PtpObjectInfo& record) {
    char path[kCachePathSize];
    if (!g_cache.enabled || !RecordPath(record, path)) return false;
    return PtpCache_WriteFileAtomic(g_cache.cacheDirectory, path,
                                    reinterpret_cast<const uint8_t*>(&record), sizeof record);
}

// Removes the entry from the list and deletes its object record and every
// file of it, known or found on disk.
void DeleteEntry(CacheEntry* e) {
    for (int kind = 0; kind < kFileKindCount; ++kind)
        if (!e->paths[kind]) LookUpFile(e, kind);
    Unlink(e);
    char path[kCachePathSize];
    if (RecordPath(e->record, path)) PtpCache_RemoveFile(path);
    for (int kind = 0; kind < kFileKindCount; ++kind)
        if (e->paths[kind]) PtpCache_RemoveFile(e->paths[kind]);
    FreeEntry(e);
}

// Stores record into the entry and writes its object-record file. When the
// name under which the record is stored changes (an SD-card entry found by
// prefix), the record file under the old name is removed, so that no second
// record of the object is loaded later.
bool StoreRecord(CacheEntry* e, const PtpObjectInfo& record) {
    char oldPath[kCachePathSize];
    bool hadPath = RecordPath(e->record, oldPath);
    Unindex(e);
    e->record = record;
    e->record.fileName[PTP_OBJECT_NAME_SIZE - 1] = '\0';
    if (!Index(e)) {
        // Out of memory: the entry goes (its record file stays for the next
        // load) rather than sit in the list where no lookup finds it.
        Detach(e);
        FreeEntry(e);
        return false;
    }
    if (!WriteRecordFile(e->record)) return false;
    char newPath[kCachePathSize];
    if (hadPath && RecordPath(e->record, newPath) && strcmp(oldPath, newPath) != 0)
        PtpCache_RemoveFile(oldPath);
    return true;
}

// A new object replaces whatever was cached under the same name: entries of
// the same stored name (the object under an earlier handle) are deleted with
// their files, the new entry is appended and its record written, and any
// file of the six kinds left under the name is removed. Null when the name
// is refused, the cache is disabled or the record cannot be written.
CacheEntry* Create(const PtpObjectInfo* record) {
    char stored[PTP_OBJECT_NAME_SIZE];
    char path[kCachePathSize];
    if (!g_cache.enabled || !PtpCache_ObjectFileName(record, stored) || !RecordPath(*record, path))
        return nullptr;
    // Each deletion takes the entry off the bucket, and the last one the bucket.
    for (;;) {
        auto found = g_cache.index.byStoredName.find(KeyOf(stored, strlen(stored)));
        if (found == g_cache.index.byStoredName.end()) break;
        DeleteEntry(found->second.front());
    }
    CacheEntry* e = Append(*record);
    if (!e) return nullptr;
    if (!WriteRecordFile(e->record)) {
        Unlink(e);
        FreeEntry(e);
        return nullptr;
    }
    for (int kind = 0; kind < kFileKindCount; ++kind) {
        if (LookUpFile(e, kind)) PtpCache_RemoveFile(e->paths[kind]);
        ForgetPath(e, kind);
    }
    return e;
}

bool AddObjectInfo(const PtpObjectInfo* record) {
    char stored[PTP_OBJECT_NAME_SIZE];
    if (!PtpCache_ObjectFileName(record, stored)) return false; // empty or refused name
    CacheEntry* e = Find(record);
    // A camera handle that now names another file is another object (handles
    // are reused across sessions), whatever the dates say.
    bool sameObject = e && (record->handle == PTP_OBJECT_HANDLE_SD_CARD ||
                            strcmp(e->record.fileName, record->fileName) == 0);
    if (sameObject && (record->captureDate == 0 || record->captureDate == e->record.captureDate))
        return StoreRecord(e, *record);
    if (e) DeleteEntry(e);
    // Create has written the record.
    return Create(record) != nullptr;
}

CacheEntry* FindOrCreate(const PtpObjectInfo* record) {
    CacheEntry* e = Find(record);
    return e ? e : Create(record);
}

// Reads the whole file of one kind of the entry found by key into a new
// buffer; the entry, or null when nothing was read.
CacheEntry* ReadKind(const PtpObjectInfo* key, int kind, uint8_t** data, uint32_t* length) {
    CacheEntry* e = Find(key);
    if (!e) return nullptr;
    if (!e->paths[kind] && !LookUpFile(e, kind)) return nullptr;
    if (PtpCache_ReadWholeFile(e->paths[kind], data, length) && *length > 0) return e;
    // Nothing readable there: forget it, so that the next request fetches
    // the file again.
    free(*data);
    *data = nullptr;
    *length = 0;
    ForgetPath(e, kind);
    return nullptr;
}

bool ReadKindLocked(const PtpObjectInfo* key, int kind, uint8_t** data, uint32_t* length) {
    if (!data || !length) return false;
    *data = nullptr;
    *length = 0;
    if (!key) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    return ReadKind(key, kind, data, length) != nullptr;
}

// Writes data as the entry's file of one kind at path in directory and
// remembers it; a different file remembered before is removed.
bool StoreFile(CacheEntry* e, int kind, const char* directory, const char* path,
               const uint8_t* data, uint32_t length) {
    if (!PtpCache_WriteFileAtomic(directory, path, data, length)) return false;
    if (e->paths[kind] && strcmp(e->paths[kind], path) != 0) PtpCache_RemoveFile(e->paths[kind]);
    return SetPath(e, kind, path);
}

void RescanCounter() {
    if (g_cache.prefix[0] && !g_cache.keepNames)
        g_cache.imageCounter =
            PtpCache_ScanImageCounter(ImageDirectory(), g_cache.prefix, g_cache.imageCounter);
}

bool CopySetting(char* out, size_t outSize, const char* text) {
    if (!text) text = "";
    size_t n = strlen(text);
    if (n >= outSize) return false;
    memcpy(out, text, n + 1);
    return true;
}

} // namespace

bool PtpCache_SetCacheLocation(const char* cacheDirectory, const char* imageDirectory) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    FreeAllEntries();
    // A directory over its limit is not shortened into another one: the
    // cache is left without a directory, as with an empty one.
    if (!CopySetting(g_cache.imageDirectory, sizeof g_cache.imageDirectory, imageDirectory) ||
        !CopySetting(g_cache.cacheDirectory, sizeof g_cache.cacheDirectory, cacheDirectory)) {
        g_cache.imageDirectory[0] = g_cache.cacheDirectory[0] = '\0';
    }
    g_cache.enabled = g_cache.cacheDirectory[0] != '\0';
    if (!g_cache.enabled) return false;
    try {
        std::vector<PtpCacheLoadedRecord> loaded;
        PtpCache_LoadRecords(g_cache.cacheDirectory, &loaded);
        if (g_cache.imageDirectory[0]) PtpCache_RemoveTemporaries(g_cache.imageDirectory);
        std::vector<CacheEntry*> entries(loaded.size(), nullptr);
        for (size_t i = 0; i < loaded.size(); ++i)
            entries[i] = Append(loaded[i].record);
        for (size_t i : PtpCache_RecordsToTrim(loaded, kCacheKeepRecords)) {
            if (entries[i]) DeleteEntry(entries[i]);
        }
    } catch (const std::bad_alloc&) {
        // What was loaded stays; the rest is found again by the next load.
    }
    RescanCounter();
    return true;
}

void PtpCache_SetOptionalImageDirectory(const char* directory) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!CopySetting(g_cache.imageDirectory, sizeof g_cache.imageDirectory, directory)) return;
    RescanCounter();
}

void PtpCache_SetCacheCustomPrefix(const char* prefix, uint8_t keepNames) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!prefix || !prefix[0]) {
        g_cache.prefix[0] = '\0';
        g_cache.imageCounter = 0;
        return;
    }
    if (!CopySetting(g_cache.prefix, sizeof g_cache.prefix, prefix)) return;
    g_cache.keepNames = keepNames;
    if (!keepNames) {
        g_cache.imageCounter = 1;
        RescanCounter();
    }
}

void PtpCache_WipeCacheMemory(void) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    FreeAllEntries();
}

bool PtpCache_AddObjectInfoToCache(const PtpObjectInfo* record) {
    if (!record) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    return AddObjectInfo(record);
}

const char* PtpCache_AddImageToCache(const PtpObjectInfo* record, const uint8_t* data,
                                     uint32_t length) {
    if (!record || !data || length == 0) return nullptr;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!g_cache.enabled) return nullptr;
    CacheEntry* e = FindOrCreate(record);
    if (!e) return nullptr;
    char stored[PTP_OBJECT_NAME_SIZE];
    if (!PtpCache_ObjectFileName(&e->record, stored)) return nullptr;
    char name[kImageNameSize];
    char path[kCachePathSize];
    bool counterNames = g_cache.prefix[0] && !g_cache.keepNames;
    // A counter name already taken (by a file the scan did not count) is
    // skipped rather than overwritten.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (!PtpCache_ImageFileName(name, sizeof name, stored, e->record.fileName, g_cache.prefix,
                                    g_cache.keepNames, g_cache.imageCounter) ||
            !PtpCache_BuildPath(path, ImageDirectory(), name, nullptr))
            return nullptr;
        if (!counterNames || !PtpCache_IsRegularFile(path)) break;
        ++g_cache.imageCounter;
    }
    if (!StoreFile(e, kFileImage, ImageDirectory(), path, data, length)) return nullptr;
    if (g_cache.prefix[0]) ++g_cache.imageCounter;
    return HandOutPath(e->paths[kFileImage]);
}

const char* PtpCache_AddExtractedToCache(const PtpObjectInfo* record, const char* name,
                                         const uint8_t* data, uint32_t length) {
    if (!record || !data || length == 0) return nullptr;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!g_cache.enabled) return nullptr;
    CacheEntry* e = FindOrCreate(record);
    if (!e) return nullptr;
    char stored[PTP_OBJECT_NAME_SIZE];
    if (name && name[0]) {
        if (strlen(name) >= sizeof stored) return nullptr;
        snprintf(stored, sizeof stored, "%s", name);
    } else if (!PtpCache_ObjectFileName(&e->record, stored)) {
        return nullptr;
    }
    char path[kCachePathSize];
    if (!PtpCache_BuildPath(path, ImageDirectory(), stored, kExtractedSuffix)) return nullptr;
    if (!StoreFile(e, kFileExtracted, ImageDirectory(), path, data, length)) return nullptr;
    return HandOutPath(e->paths[kFileExtracted]);
}

bool PtpCache_AddThumbnailToCache(const PtpObjectInfo* record, const uint8_t* data,
                                  uint32_t length) {
    if (!record || !data || length == 0) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!g_cache.enabled) return false;
    CacheEntry* e = Find(record);
    if (e && OrientationByte(*record) >= 2 &&
        OrientationByte(*record) != OrientationByte(e->record)) {
        if (!AddObjectInfo(record)) return false;
        e = Find(record);
    }
    if (!e) e = Create(record);
    if (!e) return false;
    char path[kCachePathSize];
    if (!KindPath(e, kFileThumbnail, path)) return false;
    return StoreFile(e, kFileThumbnail, g_cache.cacheDirectory, path, data, length);
}

bool PtpCache_DeleteObject(const PtpObjectInfo* record) {
    if (!record) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!g_cache.enabled) return false;
    CacheEntry* e = FindForDelete(record);
    if (!e) return false;
    DeleteEntry(e);
    return true;
}

bool PtpCache_GetObjectInfo(const PtpObjectInfo* key, PtpObjectInfo* out) {
    if (!key || !out) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    CacheEntry* e = Find(key);
    if (!e) return false;
    *out = e->record;
    return true;
}

bool PtpCache_GetThumbnail(PtpObjectInfo* record, uint8_t** data, uint32_t* length) {
    if (!data || !length) return false;
    *data = nullptr;
    *length = 0;
    if (!record) return false;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    CacheEntry* e = ReadKind(record, kFileThumbnail, data, length);
    if (!e) return false;
    record->orientation = (record->orientation & ~0xFFu) | OrientationByte(e->record);
    return true;
}

bool PtpCache_LoadObjectInfoFromFile(const char* path, PtpObjectInfo* out) {
    return PtpCache_ReadRecordFile(path, out);
}

bool PtpCache_ReadImage(const PtpObjectInfo* key, uint8_t** data, uint32_t* length) {
    return ReadKindLocked(key, kFileImage, data, length);
}

bool PtpCache_ReadExtracted(const PtpObjectInfo* key, uint8_t** data, uint32_t* length) {
    return ReadKindLocked(key, kFileExtracted, data, length);
}

bool PtpCache_ReadModified(const PtpObjectInfo* key, uint8_t** data, uint32_t* length) {
    return ReadKindLocked(key, kFileModified, data, length);
}

const char* PtpCache_GetCachedImagePath(const PtpObjectInfo* key, bool preferExtracted) {
    if (!key) return nullptr;
    std::lock_guard<std::mutex> hold(g_cache.lock);
    CacheEntry* e = Find(key);
    if (!e) return nullptr;
    CheckKnownPath(e, kFileModified);
    CheckKnownPath(e, kFileImage);
    CheckKnownPath(e, kFileExtracted);
    if (!e->paths[kFileModified] && !e->paths[kFileImage] &&
        !(preferExtracted && e->paths[kFileExtracted])) {
        LookUpFile(e, kFileModified);
        if (preferExtracted) LookUpFile(e, kFileExtracted);
        LookUpFile(e, kFileImage);
    }
    if (e->paths[kFileModified]) return HandOutPath(e->paths[kFileModified]);
    if (preferExtracted && e->paths[kFileExtracted]) return HandOutPath(e->paths[kFileExtracted]);
    return HandOutPath(e->paths[kFileImage]);
}

void PtpCache_ResetForTest(void) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    FreeAllEntries();
    g_cache.cacheDirectory[0] = g_cache.imageDirectory[0] = g_cache.prefix[0] = '\0';
    g_cache.keepNames = 0;
    g_cache.imageCounter = 0;
    g_cache.enabled = false;
}
