// Firmware updates of the Tetherhub: the whole file in one control request.
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "comms/control_codes.h"
#include "comms/relay_link.h"

namespace {

// The control message's length field counts the 10 header bytes too.
constexpr long kMaxFirmwareSize = long(kMaxRelayMessage) - 10;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

PtpResult Comms_UpdateFirmware(const char* path) {
    if (!path) return PtpResult_InvalidArgument;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) return PtpResult_InvalidArgument;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return PtpResult_Failed;
    long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return PtpResult_Failed;
    // An empty file is no firmware, and one beyond a message is none the hub takes.
    if (size == 0 || size > kMaxFirmwareSize) return PtpResult_InvalidArgument;
    try {
        std::vector<uint8_t> image(static_cast<size_t>(size));
        if (std::fread(image.data(), 1, image.size(), file.get()) != image.size())
            return PtpResult_Failed;
        file.reset();
        return Comms_ControlExchange(kControlUpdateFirmware, image.data(), uint32_t(image.size()));
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}
