// The Tetherhub's SD-card replies (file exists, file size, card info, file
// names, thumbnail, extracted image) and the part loop of a whole-file
// download, read from a scripted hub.
//
// Input: four selector bytes, then the stream the hub sends. Each selector
// byte picks one request (low three bits) and its share mode (next two bits:
// none, others only, others and me); the calls run in turn on the one stream.
#include <cstdlib>
#include <cstring>

#include "comms/sd_card.h"
#include "fuzz/hub_stream.h"
#include "ptp_sdcard.h"

namespace {

constexpr size_t kSelectors = 4;
constexpr char kName[] = "DCIM/IMG_0001.JPG";
constexpr uint8_t kModes[4] = {0, kSdShareOthersOnly, kSdShareOthersAndMe, 0};

// Data comes only with success, and a length only with data.
void check_handed_out(PtpResult rc, uint8_t* data, uint32_t length, const char* what) {
    fuzz_check((data != nullptr) == (length != 0), what);
    fuzz_check(!data || rc == PtpResult_Ok, what);
    fuzz_touch(data, length);
    std::free(data);
}

void call_sd(uint8_t selector) {
    uint8_t mode = kModes[(selector >> 3) & 3];
    uint8_t* data = nullptr;
    uint32_t length = 0;
    switch (selector & 7) {
    case 0: {
        uint8_t exists = 0;
        (void)Comms_SD_DoesFileExist(kName, &exists);
        break;
    }
    case 1: {
        uint64_t size = 0;
        (void)Comms_SD_GetFileSize(kName, &size);
        break;
    }
    case 2: {
        uint64_t first = 0, second = 0;
        (void)Comms_SD_GetInfo(&first, &second);
        break;
    }
    case 3: {
        PtpResult rc = Comms_SD_GetAllFilenames(&data, &length);
        check_handed_out(rc, data, length, "file names: data and result disagree");
        break;
    }
    case 4: {
        uint8_t first = 0;
        PtpResult rc = Comms_SD_GetThumbnail(kName, &data, &length, &first, mode);
        check_handed_out(rc, data, length, "thumbnail: data and result disagree");
        break;
    }
    case 5: {
        PtpResult rc = Comms_SD_GetExtractedFile(kName, &data, &length, mode);
        check_handed_out(rc, data, length, "extracted image: data and result disagree");
        break;
    }
    default: {
        PtpObjectInfo record;
        std::memset(&record, 0, sizeof record);
        PtpResult rc = Comms_SD_GetFile(kName, &data, &length, mode, selector & 1 ? &record : nullptr);
        // A kept download is the whole file or nothing; under "others only"
        // nothing comes back.
        fuzz_check(!data || (rc == PtpResult_Ok && mode != kSdShareOthersOnly),
                   "file: data handed out with a failure or to the wrong client");
        fuzz_check(data || length == 0, "file: length without data");
        fuzz_touch(data, length);
        std::free(data);
        break;
    }
    }
}

} // namespace

HUB_STREAM_ASAN_OPTIONS

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSelectors) return 0;
    HubStream hub;
    HubStream_Open(&hub, data + kSelectors, size - kSelectors);
    for (size_t i = 0; i < kSelectors; ++i)
        call_sd(data[i]);
    HubStream_Close(&hub);
    return 0;
}
