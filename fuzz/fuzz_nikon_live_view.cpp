// Fuzzes the Nikon live-view frame parse in every header layout. The first
// byte picks the layout (its top bit: the extended one) and the camera model
// of the others; the rest is the frame, in a heap buffer of its exact size.
// Beyond the sanitizers it checks that a parsed buffer is the frame plus the
// record, that the JPEG the record names lies inside it and that a failure
// hands out nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "nikon/nikon_live_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    // A body of each fixed header length, one with the (A, B) header, one unknown.
    static const uint8_t kModels[] = {195, 192, 196, 212, 221, 206, 0};
    const bool extended = data[0] & 0x80;
    const uint8_t model = kModels[(data[0] & 0x7F) % sizeof kModels];
    const uint32_t length = uint32_t(size - 1);
    uint8_t* frame = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (!frame) return 0;
    if (length) std::memcpy(frame, data + 1, length);

    uint8_t* out = nullptr;
    uint32_t outLength = 0;
    PtpNikonLiveViewInfo info;
    const bool ok = extended
                        ? PtpNikon_NormaliseLiveViewEx(frame, length, &out, &outLength, &info)
                        : PtpNikon_NormaliseLiveView(frame, length, model, &out, &outLength, &info);
    if (ok) {
        fuzz_check(out != nullptr, "success without a buffer");
        fuzz_check(outLength == uint64_t(length) + sizeof info, "length");
        fuzz_check(uint64_t(info.jpegOffset) + info.jpegSize <= outLength,
                   "JPEG outside the buffer");
        fuzz_check(std::memcmp(out, &info, 8) == 0, "offset and size");
        std::free(out);
    } else {
        fuzz_check(out == nullptr && outLength == 0, "failure with a buffer");
    }
    std::free(frame);
    return 0;
}
