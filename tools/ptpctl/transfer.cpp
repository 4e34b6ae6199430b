// Downloading one object to a file, shared by get and capture.
#include <cstdio>
#include <string>

#include "ptp_comms.h"
#include "ptp_objects.h"
#include "progress.h"
#include "ptpctl.h"

namespace {

// Objects larger than this are fetched in parts, with a progress bar.
constexpr uint32_t kWholeObjectLimit = 4u << 20;
constexpr uint32_t kPartSize = 1u << 20;

}  // namespace

std::string SafeFileName(const char* cameraName) {
    // The camera's name is only a default file name: keep its last part.
    std::string name = cameraName ? cameraName : "";
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") name = "object.bin";
    return name;
}

bool DownloadObject(const PtpObjectInfo& info, const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = true;
    if (info.compressedSize <= kWholeObjectLimit) {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpGenericInterface_GetObject(info.handle, &data, &length);
        ok = rc == PtpResult_Ok && std::fwrite(data, 1, length, out) == length;
        if (rc != PtpResult_Ok)
            std::fprintf(stderr, "download failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        FreeMemory(data);
    } else {
        Progress progress = Progress_Start(info.compressedSize);
        for (uint32_t offset = 0; ok && offset < info.compressedSize;) {
            uint32_t want = info.compressedSize - offset < kPartSize ? info.compressedSize - offset
                                                                     : kPartSize;
            uint8_t* data = nullptr;
            uint32_t length = 0;
            PtpResult rc =
                PtpGenericInterface_GetPartialObject(info.handle, offset, want, &data, &length);
            if (rc != PtpResult_Ok || length == 0 || length > want) {
                std::fprintf(stderr, "\ndownload failed at %u: %s (0x%04X)\n", offset,
                             PtpResult_Name(rc), rc);
                ok = false;
            } else {
                ok = std::fwrite(data, 1, length, out) == length;
                offset += length;
                Progress_Update(progress, offset);
            }
            FreeMemory(data);
        }
        Progress_Finish(progress);
    }
    if (std::fclose(out) != 0) ok = false;
    if (!ok) std::remove(path.c_str());  // never leave a partial file behind
    return ok;
}

