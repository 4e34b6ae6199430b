// Scalar YUV pair conversion and the choice of vector converter.
#include "imaging/yuv_pixels.h"

#include "comms/bytes.h"

namespace {

uint8_t clamp_channel(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

uint32_t fixed_pixel(int y, int dr, int dg, int db) {
    return uint32_t(clamp_channel(y + db)) | uint32_t(clamp_channel(y + dg)) << 8 |
           uint32_t(clamp_channel(y + dr)) << 16 | 0xFF000000u;
}

bool near_whole(int green) {
    return (uint32_t(green + kYuvWholeWindow) & kYuvFractionMask) < 2 * kYuvWholeWindow;
}

// Picked once: the CPU does not change under a running process.
const YuvConverter* pick_converters(size_t* count) {
    static const YuvConverter kAll[] = {
        {"avx512", Yuv_ConvertPairsAvx512},
        {"avx2", Yuv_ConvertPairsAvx2},
        {"sse2", Yuv_ConvertPairsSse2},
        {"scalar", nullptr},
    };
    size_t first = 3;
#if defined(__x86_64__)
    first = 2; // SSE2 is part of the architecture
    if (__builtin_cpu_supports("avx2")) first = 1;
    if (__builtin_cpu_supports("avx512bw")) first = 0;
#endif
    *count = sizeof kAll / sizeof kAll[0] - first;
    return kAll + first;
}

} // namespace

// The coefficients and their precision (red in single, green and blue in
// double precision, each truncated toward zero) are the maker's; changing
// either shifts colours by one level.
uint32_t Yuv_ReferencePixel(int y, int u, int v) {
    int r = int(float(y) + 1.403f * float(v));
    int g = int(double(y) - 0.344 * u - 0.714 * v);
    int b = int(double(y) + 1.77 * u);
    return uint32_t(clamp_channel(b)) | uint32_t(clamp_channel(g)) << 8 |
           uint32_t(clamp_channel(r)) << 16 | 0xFF000000u;
}

void Yuv_ConvertPair(const uint8_t* src, uint32_t pixels, uint8_t* dst) {
    const int u = int8_t(src[0]), v = int8_t(src[2]);
    const int green = kYuvGreenU * u + kYuvGreenV * v;
    const int dr = (kYuvRedV * v + kYuvRounding) >> kYuvFractionBits;
    const int dg = green >> kYuvFractionBits;
    const int db = (kYuvBlueU * u + kYuvRounding) >> kYuvFractionBits;
    const bool exact = !near_whole(green);
    for (uint32_t k = 0; k < pixels; ++k) {
        const int y = src[1 + 2 * k];
        put_u32(dst + 4 * k, exact ? fixed_pixel(y, dr, dg, db) : Yuv_ReferencePixel(y, u, v));
    }
}

const YuvConverter* Yuv_Converters(size_t* count) {
    static size_t n = 0;
    static const YuvConverter* list = pick_converters(&n);
    *count = n;
    return list;
}

void Yuv_ConvertRow(const YuvConverter& converter, const uint8_t* src, uint32_t width,
                    uint8_t* dst) {
    const uint32_t pairs = width / 2;
    uint32_t i = converter.pairs ? converter.pairs(src, pairs, dst) : 0;
    for (; i < pairs; ++i)
        Yuv_ConvertPair(src + size_t(i) * 4, 2, dst + size_t(i) * 8);
    if (width % 2) Yuv_ConvertPair(src + size_t(pairs) * 4, 1, dst + size_t(pairs) * 8);
}
