// ptpctl download --all DIR: every picture on the camera into DIR through the
// library's object cache (records and thumbnails in DIR/.cache), so a second
// run fetches only what is new.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "progress.h"
#include "ptp_cache.h"
#include "ptp_comms.h"
#include "ptp_native.h"
#include "ptp_objects.h"
#include "ptpctl.h"

namespace {

constexpr uint16_t kFormatAssociation = 0x3001; // a folder, nothing to download

bool make_directory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    return false;
}

// The camera's objects, their records read through the cache.
bool list_objects(std::vector<PtpObjectInfo>* objects) {
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    PtpResult rc = PtpGenericInterface_GetObjectHandles2(&handles, &count);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "listing the objects failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        PtpObjectInfo info = {};
        info.handle = handles[i];
        rc = Native_GetObjectInfo(&info, 0);
        if (rc == PtpResult_Ok)
            objects->push_back(info);
        else
            std::fprintf(stderr, "object 0x%08X: %s (0x%04X)\n", handles[i], PtpResult_Name(rc),
                         rc);
    }
    FreeMemory(handles);
    return true;
}

} // namespace

int Command_Download(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    bool all = false;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--all")
            all = true;
        else
            rest.push_back(a);
    }
    if (!all || rest.size() != 1) {
        std::fprintf(stderr, "usage: ptpctl download --all DIR\n");
        return 2;
    }
    const std::string directory = rest[0];
    const std::string cacheDirectory = directory + "/.cache";
    if (!make_directory(directory) || !make_directory(cacheDirectory)) return 1;
    if (!PtpCache_SetCacheLocation(cacheDirectory.c_str(), directory.c_str())) {
        std::fprintf(stderr, "cannot use %s as the cache\n", cacheDirectory.c_str());
        return 1;
    }

    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    std::vector<PtpObjectInfo> objects;
    if (!list_objects(&objects)) {
        CloseHub(hub);
        return 1;
    }

    uint32_t fetched = 0, cached = 0, failed = 0;
    uint64_t fetchedBytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const PtpObjectInfo& object : objects) {
        if (object.objectFormat == kFormatAssociation) continue;
        // The image API answers a file whole, so the bar moves once per file; a
        // quick file leaves no bar, only its line.
        Progress progress = Progress_Start(object.compressedSize);
        PtpResult rc = 0;
        uint8_t fetchedNow = 0;
        const char* path = Native_GetImageCachePath(&object, 0, 0, &rc, &fetchedNow);
        Progress_Update(progress, object.compressedSize);
        Progress_Finish(progress);
        if (!path) {
            std::fprintf(stderr, "%s: %s (0x%04X)\n", object.fileName, PtpResult_Name(rc), rc);
            ++failed;
            continue;
        }
        std::printf("%-24s %10u  %s\n", object.fileName, object.compressedSize,
                    fetchedNow ? "downloaded" : "already cached");
        if (fetchedNow) {
            ++fetched;
            fetchedBytes += object.compressedSize;
        } else {
            ++cached;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = double(fetchedBytes) / 1e6;
    std::printf("%u file%s, %llu bytes in %.2f s (%.2f MB/s); %u already cached", fetched,
                fetched == 1 ? "" : "s", static_cast<unsigned long long>(fetchedBytes), seconds,
                seconds > 0 ? megabytes / seconds : 0.0, cached);
    if (failed) std::printf("; %u failed", failed);
    std::printf("\n");
    CloseHub(hub);
    return failed ? 1 : 0;
}
