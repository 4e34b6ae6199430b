// Names, paths and files of the object cache: the checks that keep untrusted
// object names inside the cache's directories, whole-file reads, and writes
// that never leave a torn file under a final name.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cache/cache_internal.h"
#include "comms/bytes.h"

namespace {

// Large files are written in chunks, so an interrupted write is visible as a
// short temporary (and the test seam can stop a writer half-way).
constexpr size_t kWriteChunk = 1u << 20;

struct CacheFilesState {
    std::atomic<uint32_t> temporarySerial{0}; // makes temporary names unique in the process
    std::atomic<PtpCacheWriteHook> writeHook{nullptr};
};

CacheFilesState g_files;

bool IsDotComponent(const char* p, size_t n) {
    return (n == 1 && p[0] == '.') || (n == 2 && p[0] == '.' && p[1] == '.');
}

bool WriteAll(int fd, const uint8_t* data, size_t length, const char* temporaryPath) {
    size_t done = 0;
    while (length - done > 0) {
        size_t chunk = length - done < kWriteChunk ? length - done : kWriteChunk;
        size_t chunkDone = 0;
        while (chunkDone < chunk) {
            ssize_t n = write(fd, data + done + chunkDone, chunk - chunkDone);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            chunkDone += size_t(n);
        }
        done += chunk;
        PtpCacheWriteHook hook = g_files.writeHook.load();
        if (hook) hook(temporaryPath, done);
    }
    return true;
}

} // namespace

bool PtpCache_IsSafeFileName(const char* name) {
    if (!name || !name[0]) return false;
    if (IsDotComponent(name, strlen(name))) return false;
    return !strchr(name, '/') && !strchr(name, '\\');
}

bool PtpCache_ObjectFileName(const PtpObjectInfo* record, char* out) {
    out[0] = '\0';
    if (!record) return false;
    const char* name = record->fileName;
    const char* end = static_cast<const char*>(memchr(name, '\0', PTP_OBJECT_NAME_SIZE));
    if (!end) return false; // unterminated: the field holds no name we can trust
    size_t n = size_t(end - name);
    if (n == 0 || name[0] == '/') return false;
    bool sdCard = record->handle == PTP_OBJECT_HANDLE_SD_CARD;
    size_t componentStart = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && name[i] == '\\') return false;
        if (i < n && name[i] != '/') continue;
        if (i < n && !sdCard) return false; // camera objects never name folders
        size_t componentLength = i - componentStart;
        if (componentLength == 0) return false; // "a//b" or a trailing "/"
        if (IsDotComponent(name + componentStart, componentLength)) return false;
        componentStart = i + 1;
    }
    for (size_t i = 0; i <= n; ++i)
        out[i] = name[i] == '/' ? '_' : name[i];
    return true;
}

bool PtpCache_BuildPath(char* out, const char* directory, const char* name, const char* suffix) {
    out[0] = '\0';
    if (!directory || !directory[0] || !PtpCache_IsSafeFileName(name)) return false;
    int n = snprintf(out, kCachePathSize, "%s//%s%s", directory, name, suffix ? suffix : "");
    if (n < 0 || size_t(n) >= kCachePathSize) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool PtpCache_IsRegularFile(const char* path) {
    struct stat st;
    return path && path[0] && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool PtpCache_RemoveFile(const char* path) {
    if (!path || !path[0]) return false;
    return unlink(path) == 0 || errno == ENOENT;
}

bool PtpCache_ReadWholeFile(const char* path, uint8_t** data, uint32_t* length) {
    *data = nullptr;
    *length = 0;
    if (!path || !path[0]) return false;
    // Non-blocking so that a FIFO planted under a cache name cannot stall the
    // caller; it is then refused as not regular.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        uint64_t(st.st_size) > UINT32_MAX) {
        close(fd);
        return false;
    }
    size_t size = size_t(st.st_size);
    if (size == 0) {
        close(fd);
        return true;
    }
    uint8_t* buffer = static_cast<uint8_t*>(malloc(size));
    if (!buffer) {
        close(fd);
        return false;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the file shrank under us: refuse a partial read
        done += size_t(n);
    }
    close(fd);
    if (done != size) {
        free(buffer);
        return false;
    }
    *data = buffer;
    *length = uint32_t(size);
    return true;
}

bool PtpCache_WriteFileAtomic(const char* directory, const char* path, const uint8_t* data,
                              uint32_t length) {
    if (!path || !path[0] || (!data && length > 0)) return false;
    char temporaryName[64];
    char temporaryPath[kCachePathSize];
    int fd = -1;
    // A leftover temporary of another writer with the same name is never
    // reused: O_EXCL makes us pick the next serial instead.
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        snprintf(temporaryName, sizeof temporaryName, "%s%ld-%u", kCacheTemporaryPrefix,
                 long(getpid()), unsigned(g_files.temporarySerial.fetch_add(1)));
        if (!PtpCache_BuildPath(temporaryPath, directory, temporaryName, nullptr)) return false;
        fd = open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data, length, temporaryPath);
    // Flushed before the rename, so that after a power loss the final name
    // never refers to a file whose data did not reach the disk.
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporaryPath, path) == 0;
    if (!ok) unlink(temporaryPath);
    return ok;
}

void PtpCache_SetWriteHookForTest(PtpCacheWriteHook hook) { g_files.writeHook.store(hook); }

bool PtpCache_ReadRecordFile(const char* path, PtpObjectInfo* out) {
    if (!path || !path[0] || !out) return false;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    // One byte more than a record, so that an oversized file shows as such
    // whatever its size claims.
    uint8_t buffer[PTP_OBJECT_INFO_SIZE + 1];
    size_t done = 0;
    while (done < sizeof buffer) {
        ssize_t n = read(fd, buffer + done, sizeof buffer - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    close(fd);
    ByteReader r = make_reader(buffer, done);
    PtpObjectInfo record = {};
    if (!read_bytes(r, &record, sizeof record) || bytes_left(r) != 0) return false;
    record.fileName[PTP_OBJECT_NAME_SIZE - 1] = '\0';
    *out = record;
    return true;
}
