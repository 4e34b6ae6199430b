// The object cache's files: record files read alone and by loading a cache
// directory, and the image counter read from the names of stored images. The
// input becomes files in a scratch directory.
//
// Input: one selector byte, then either the content of one record file (even
// selector) or names of stored images separated by "/" (odd selector; the
// selector's upper bits are the counter to continue from).
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cache/cache_internal.h"
#include "fuzz/hub_stream.h"

namespace {

constexpr char kPrefix[] = "IMG";
constexpr size_t kNameMax = 200;
std::string g_dir;

void write_file(const std::string& name, const uint8_t* p, size_t n) {
    std::string path = g_dir + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    fuzz_check(fd >= 0, "cannot create a scratch file");
    fuzz_check(n == 0 || ::write(fd, p, n) == ssize_t(n), "cannot write a scratch file");
    ::close(fd);
}

void empty_dir() {
    DIR* dir = ::opendir(g_dir.c_str());
    while (struct dirent* item = ::readdir(dir))
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0)
            ::unlinkat(::dirfd(dir), item->d_name, 0);
    ::closedir(dir);
}

bool exists(const std::string& name) { return ::access((g_dir + "/" + name).c_str(), F_OK) == 0; }

void records(const uint8_t* p, size_t n) {
    // Stored under the name its own record gives, when it has one, so that
    // loading gets past the name check.
    std::string name = "IMG_0001.JPG";
    if (n >= PTP_OBJECT_INFO_SIZE) {
        PtpObjectInfo record;
        std::memcpy(&record, p, sizeof record);
        char stored[PTP_OBJECT_NAME_SIZE];
        if (PtpCache_ObjectFileName(&record, stored) && std::strlen(stored) <= kNameMax)
            name = stored;
    }
    name += ".obj";
    write_file(name, p, n);
    const std::string temporary = std::string(kCacheTemporaryPrefix) + "1";
    write_file(temporary, p, n < 8 ? n : 8);

    PtpObjectInfo one;
    bool read = PtpCache_ReadRecordFile((g_dir + "/" + name).c_str(), &one);
    fuzz_check(read == (n == PTP_OBJECT_INFO_SIZE), "record file: read a file of the wrong size");
    if (read) fuzz_check(one.fileName[PTP_OBJECT_NAME_SIZE - 1] == 0, "record: name not ended");

    std::vector<PtpCacheLoadedRecord> loaded;
    fuzz_check(PtpCache_LoadRecords(g_dir.c_str(), &loaded), "load: directory not read");
    fuzz_check(loaded.size() <= (read ? 1u : 0u), "load: a record that does not read alone");
    fuzz_check(!exists(temporary), "load: a temporary left behind");
}

void counter(uint32_t start, const uint8_t* p, size_t n) {
    size_t at = 0;
    while (at < n) {
        const void* slash = std::memchr(p + at, '/', n - at);
        size_t end = slash ? size_t(static_cast<const uint8_t*>(slash) - p) : n;
        std::string name(reinterpret_cast<const char*>(p + at), end - at);
        at = end + 1;
        if (name.size() > kNameMax || name.find('\0') != std::string::npos) continue;
        name = kPrefix + name;
        if (!exists(name)) write_file(name, nullptr, 0);
    }
    uint32_t next = PtpCache_ScanImageCounter(g_dir.c_str(), kPrefix, start);
    fuzz_check(next >= start, "image counter went back");
}

} // namespace

static void remove_dir() {
    empty_dir();
    ::rmdir(g_dir.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/ptp-fuzz-cache.XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    fuzz_check(::mkdtemp(path.data()) != nullptr, "cannot create the scratch directory");
    g_dir = path.data();
    std::atexit(remove_dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    empty_dir();
    if (data[0] & 1)
        counter(uint32_t(data[0] >> 1) * 0x02000000u, data + 1, size - 1);
    else
        records(data + 1, size - 1);
    return 0;
}
