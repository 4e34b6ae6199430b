// ptpctl liveview: switches live view on, fetches frames, writes each image
// (JPEG, or BMP for an uncompressed frame) and prints the frame rate.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "ptp_comms.h"
#include "ptp_eos.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptp_nikon.h"
#include "ptp_sony.h"
#include "ptpctl.h"

namespace {

constexpr uint32_t kDefaultFrames = 10;
constexpr uint32_t kFrameHeader = 1364; // the info block before the image

bool write_file(const std::string& path, const uint8_t* data, size_t length) {
    PartialFile f;
    if (!PartialFile_Open(f, path)) return false;
    return PartialFile_Finish(f, PartialFile_Write(f, data, length));
}

} // namespace

// A Nikon frame: the 385-byte record, which says where the JPEG lies.
static bool write_nikon_frame(const std::string& base, const uint8_t* buffer, uint32_t length,
                              std::string* path) {
    PtpNikonLiveViewInfo info;
    bool ok = length >= sizeof info;
    if (ok) {
        std::memcpy(&info, buffer, sizeof info);
        ok = info.jpegOffset <= length && info.jpegSize <= length - info.jpegOffset;
    }
    if (!ok) {
        std::fprintf(stderr, "live-view frame: unexpected layout (%u bytes)\n", length);
        return false;
    }
    *path = base + ".jpg";
    return write_file(*path, buffer + info.jpegOffset, info.jpegSize);  // says why on failure
}

bool WriteLiveViewFrame(const std::string& base, std::string* path) {
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpGenericInterface_GetLiveViewImage(&buffer, &length);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "live-view frame: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        return false;
    }
    if (PtpGenericInterface_CameraManufacturer() == PtpVendor_Nikon) {
        bool ok = write_nikon_frame(base, buffer, length, path);
        FreeMemory(buffer);
        return ok;
    }
    if (PtpGenericInterface_CameraManufacturer() == PtpVendor_Sony) {
        // The camera's header, then the JPEG where the library finds its start.
        const uint32_t at = PtpSonyInterface_LiveViewOffset(buffer, length);
        *path = base + ".jpg";
        bool ok = at > 0 && write_file(*path, buffer + at, length - at);
        if (!ok) std::fprintf(stderr, "live-view frame: no JPEG in %u bytes\n", length);
        FreeMemory(buffer);
        return ok;
    }
    PtpEosLiveViewInfo info;
    bool ok = length >= kFrameHeader;
    if (ok) {
        std::memcpy(&info, buffer, sizeof info); // the buffer always holds the whole info
        ok = info.imageLength == length - kFrameHeader;
    }
    if (!ok) {
        std::fprintf(stderr, "live-view frame: unexpected layout (%u bytes)\n", length);
        FreeMemory(buffer);
        return false;
    }
    *path = base + (info.kind == 2 ? ".bmp" : ".jpg");
    ok = write_file(*path, buffer + kFrameHeader, info.imageLength);
    FreeMemory(buffer);
    return ok;
}

int Command_LiveView(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    uint32_t frames = kDefaultFrames;
    std::string directory = ".";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-n" && i + 1 < args.size() && ParseNumber(args[i + 1], &frames) &&
            frames > 0) {
            ++i;
        } else if (args[i] == "-o" && i + 1 < args.size()) {
            directory = args[++i];
        } else {
            std::fprintf(stderr, "usage: ptpctl liveview [-n FRAMES] [-o DIR]\n");
            return 2;
        }
    }
    if (!MakeDirectories(directory)) return 1;
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;

    PtpResult rc = PtpGenericInterface_ToggleLiveView(1);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "live view on: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        CloseHub(hub);
        return 1;
    }
    uint32_t written = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint32_t n = 1; n <= frames; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%03u", n);
        std::string path;
        if (!WriteLiveViewFrame(directory + name, &path)) break;
        ++written;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (written > 0)
        std::printf("%u frames in %.2f s: %.1f frames per second, written to %s\n", written,
                    seconds, seconds > 0 ? written / seconds : 0.0, directory.c_str());

    rc = PtpGenericInterface_ToggleLiveView(0);
    if (rc != PtpResult_Ok)
        std::fprintf(stderr, "live view off: %s (0x%04X)\n", PtpResult_Name(rc), rc);
    CloseHub(hub);
    return written == frames && rc == PtpResult_Ok ? 0 : 1;
}
