// Fuzzes the conversion of Canon YUV live-view frames to BMP images. The first
// byte picks the camera model number (prefix bodies and the fixed-row body
// included); the rest is the frame, in a heap buffer of its exact size. Beyond
// the sanitizers it checks that an image is handed out only with a length that
// matches its header, and that a failure hands out nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "fuzz_support.h"
#include "imaging/yuv_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    static const uint8_t kModels[] = {0, 225, 226, 235, 240, 244, 250};
    const uint8_t model = kModels[data[0] % sizeof kModels];
    const uint32_t length = uint32_t(size - 1);
    uint8_t* frame = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (!frame) return 0;
    if (length) std::memcpy(frame, data + 1, length);

    uint8_t* image = reinterpret_cast<uint8_t*>(uintptr_t(1)); // must be overwritten
    const uint32_t n = PtpLiveView_ConvertYuvFrameForModel(frame, length, model, &image);
    std::free(frame);
    fuzz_check((n == 0) == (image == nullptr), "length and image disagree");
    if (image) {
        fuzz_check(n >= 54, "image shorter than its header");
        fuzz_check(peek_u16(image, n, 0) == 0x4D42, "no BMP signature");
        fuzz_check(peek_u32(image, n, 2) == n, "file size differs from the length");
        const uint64_t w = peek_u32(image, n, 18), h = peek_u32(image, n, 22);
        fuzz_check(54 + w * h * 4 == n, "pixel area differs from width x height");
        fuzz_check(length >= 256, "an image from a short frame");
        std::free(image);
    }
    return 0;
}
