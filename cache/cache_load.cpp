// Loading a cache directory: every valid object record with its last-access
// time, the removal of temporaries left by interrupted writes, and the choice
// of the records that trimming drops.
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cache/cache_internal.h"

namespace {

constexpr char kRecordSuffix[] = ".obj";
constexpr size_t kRecordSuffixLength = sizeof kRecordSuffix - 1;

bool IsTemporaryName(const char* name) {
    return strncmp(name, kCacheTemporaryPrefix, sizeof kCacheTemporaryPrefix - 1) == 0;
}

// A record is trusted only when its own name maps to the file it was read
// from: a record copied or renamed by hand, or one with a hostile name, would
// otherwise make the cache act on files it never wrote.
bool RecordMatchesFile(const PtpObjectInfo& record, const char* fileName) {
    char stored[PTP_OBJECT_NAME_SIZE];
    if (!PtpCache_ObjectFileName(&record, stored)) return false;
    size_t n = strlen(stored);
    return strncmp(fileName, stored, n) == 0 && strcmp(fileName + n, kRecordSuffix) == 0;
}

} // namespace

void PtpCache_RemoveTemporaries(const char* directory) {
    if (!directory || !directory[0]) return;
    DIR* dir = opendir(directory);
    if (!dir) return;
    while (struct dirent* item = readdir(dir)) {
        if (IsTemporaryName(item->d_name)) unlinkat(dirfd(dir), item->d_name, 0);
    }
    closedir(dir);
}

bool PtpCache_LoadRecords(const char* directory, std::vector<PtpCacheLoadedRecord>* out) {
    out->clear();
    if (!directory || !directory[0]) return false;
    DIR* dir = opendir(directory);
    if (!dir) return false;
    while (struct dirent* item = readdir(dir)) {
        const char* name = item->d_name;
        size_t n = strlen(name);
        if (IsTemporaryName(name)) {
            unlinkat(dirfd(dir), name, 0);
            continue;
        }
        if (n < kRecordSuffixLength || strcmp(name + n - kRecordSuffixLength, kRecordSuffix) != 0)
            continue;
        // The access time is taken before reading: the read itself may
        // update it.
        struct stat st;
        if (fstatat(dirfd(dir), name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        char path[kCachePathSize];
        if (!PtpCache_BuildPath(path, directory, name, nullptr)) continue;
        PtpCacheLoadedRecord loaded = {};
        if (!PtpCache_ReadRecordFile(path, &loaded.record)) continue;
        if (!RecordMatchesFile(loaded.record, name)) continue;
        loaded.accessTime = uint32_t(uint64_t(st.st_atime));
        out->push_back(loaded);
    }
    closedir(dir);
    return true;
}

std::vector<size_t> PtpCache_RecordsToTrim(const std::vector<PtpCacheLoadedRecord>& records,
                                           size_t keep) {
    std::vector<size_t> drop;
    if (records.size() <= keep) return drop;
    std::vector<size_t> order(records.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&records](size_t a, size_t b) {
        return records[a].accessTime > records[b].accessTime;
    });
    drop.assign(order.begin() + ptrdiff_t(keep), order.end());
    std::sort(drop.begin(), drop.end());
    return drop;
}
