// ptpctl liveview: switches live view on, fetches frames, writes each image
// (JPEG, or BMP for an uncompressed frame) and prints the frame rate. With
// -o - the frames go to standard output as an MJPEG stream (uncompressed
// frames skipped). Ctrl-C switches live view off before the tool exits.
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "interrupt.h"
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
// The part boundary of the MJPEG stream (multipart/x-mixed-replace).
constexpr const char* kBoundary = "ptpctlframe";

PtpResult live_view_off() { return PtpGenericInterface_ToggleLiveView(0); }

bool write_file(const std::string& path, const uint8_t* data, size_t length) {
    PartialFile f;
    if (!PartialFile_Open(f, path)) return false;
    return PartialFile_Finish(f, PartialFile_Write(f, data, length));
}

} // namespace

// Where the image lies in a frame of the camera's vendor: [*from, *from +
// *size) of the buffer; *bitmap for an uncompressed frame. False with one line
// on stderr when the frame's layout is not the expected one.
static bool frame_image(const uint8_t* buffer, uint32_t length, uint32_t* from, uint32_t* size,
                        bool* bitmap) {
    *bitmap = false;
    const uint16_t vendor = PtpGenericInterface_CameraManufacturer();
    bool ok = false;
    if (vendor == PtpVendor_Nikon) {
        // The 385-byte record says where the JPEG lies.
        PtpNikonLiveViewInfo info;
        if (length >= sizeof info) {
            std::memcpy(&info, buffer, sizeof info);
            ok = info.jpegOffset <= length && info.jpegSize <= length - info.jpegOffset;
            *from = info.jpegOffset;
            *size = info.jpegSize;
        }
    } else if (vendor == PtpVendor_Sony) {
        // The camera's header, then the JPEG where the library finds its start.
        *from = PtpSonyInterface_LiveViewOffset(buffer, length);
        *size = length - *from;
        ok = *from > 0;
    } else if (length >= kFrameHeader) {
        PtpEosLiveViewInfo info;
        std::memcpy(&info, buffer, sizeof info); // the buffer always holds the whole info
        ok = info.imageLength == length - kFrameHeader;
        *from = kFrameHeader;
        *size = info.imageLength;
        *bitmap = info.kind == 2;
    }
    if (!ok) std::fprintf(stderr, "live-view frame: unexpected layout (%u bytes)\n", length);
    return ok;
}

// Fetches one frame; *buffer is the library's, released with FreeMemory.
static bool fetch_frame(uint8_t** buffer, uint32_t* from, uint32_t* size, bool* bitmap) {
    uint32_t length = 0;
    PtpResult rc = PtpGenericInterface_GetLiveViewImage(buffer, &length);
    if (rc == PtpResult_NotSupportedForCamera) {
        // Live view still runs on the camera's own screen (or its output device).
        std::fprintf(stderr, "live-view frame: the library fetches no live-view frames from this "
                             "camera (PtpResult_NotSupportedForCamera)\n");
        return false;
    }
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "live-view frame: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        return false;
    }
    return frame_image(*buffer, length, from, size, bitmap);
}

bool WriteLiveViewFrame(const std::string& base, std::string* path) {
    uint8_t* buffer = nullptr;
    uint32_t from = 0, size = 0;
    bool bitmap = false;
    bool ok = fetch_frame(&buffer, &from, &size, &bitmap);
    if (ok) {
        *path = base + (bitmap ? ".bmp" : ".jpg");
        ok = write_file(*path, buffer + from, size); // says why on failure
    }
    FreeMemory(buffer);
    return ok;
}

enum StreamStep { kSent, kSkipped, kNoFrame, kReaderGone };

// One frame as a part of the MJPEG stream on stdout; uncompressed frames are
// skipped.
static StreamStep stream_frame() {
    uint8_t* buffer = nullptr;
    uint32_t from = 0, size = 0;
    bool bitmap = false;
    StreamStep step = kNoFrame;
    if (fetch_frame(&buffer, &from, &size, &bitmap)) {
        step = kSkipped;
        if (!bitmap) {
            std::printf("--%s\r\nContent-Type: image/jpeg\r\nContent-Length: %u\r\n\r\n", kBoundary,
                        size);
            std::fwrite(buffer + from, 1, size, stdout);
            std::fputs("\r\n", stdout);
            step = std::fflush(stdout) != 0 || std::ferror(stdout) ? kReaderGone : kSent;
        }
    }
    FreeMemory(buffer);
    return step;
}

int Command_LiveView(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    uint32_t frames = kDefaultFrames;
    bool counted = false;
    std::string directory = ".";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-n" && i + 1 < args.size() && ParseNumber(args[i + 1], &frames) &&
            frames > 0) {
            counted = true;
            ++i;
        } else if (args[i] == "-o" && i + 1 < args.size()) {
            directory = args[++i];
        } else {
            std::fprintf(stderr, "usage: ptpctl liveview [-n FRAMES] [-o DIR]\n");
            return 2;
        }
    }
    // A stream runs until Ctrl-C or until its reader goes, unless counted.
    const bool stream = directory == "-";
    if (stream && !counted) frames = 0;
    if (stream) ::signal(SIGPIPE, SIG_IGN); // a closed pipe is seen as a failed write
    if (!stream && !MakeDirectories(directory)) return 1;
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    Interrupt_Handle(nullptr);
    Interrupt_RestoreSettings(); // live view on may change the viewfinder's mode

    PtpResult rc = PtpGenericInterface_ToggleLiveView(1);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "live view on: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        CloseHub(hub);
        return 1;
    }
    Interrupt_RestoreBy(live_view_off, "live view off");
    uint32_t written = 0, skipped = 0;
    bool closed = false;
    auto start = std::chrono::steady_clock::now();
    for (uint32_t n = 1; (frames == 0 || n <= frames) && !Interrupt_Requested(); ++n) {
        if (stream) {
            StreamStep step = stream_frame();
            closed = step == kReaderGone;
            if (step == kNoFrame || closed) break;
            (step == kSent ? written : skipped) += 1;
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%03u", n);
        std::string path;
        if (!WriteLiveViewFrame(directory + name, &path)) break;
        ++written;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (written > 0)
        std::fprintf(stream ? stderr : stdout,
                     "%u frame%s in %.2f s: %.1f frames per second, written to %s\n", written,
                     written == 1 ? "" : "s", seconds, seconds > 0 ? written / seconds : 0.0,
                     stream ? "standard output" : directory.c_str());
    if (skipped)
        std::fprintf(stderr, "%u uncompressed frame%s skipped\n", skipped, skipped == 1 ? "" : "s");
    // A reader that closed the stream ends it normally.
    const bool whole = closed || written + skipped == frames || (stream && frames == 0);
    int status = Interrupt_Unwind(whole && written > 0 ? 0 : 1);
    CloseHub(hub);
    return status;
}
