// Canon uncompressed live-view frames (YUV 4:2:2) to 32-bit bottom-up BMP images.
//
// Frame layout, little-endian: at p the header length h (the pixel data starts at
// (p + h) mod 256), at p + 12 the width, at p + 16 the height; p is 0 except on
// the bodies in kYuvPrefixModels, where the frame's first byte gives it. Pixel
// pairs are 4 bytes: U (signed), Y0, V (signed), Y1; rows run from the top.
#include "imaging/yuv_frame.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "comms/bytes.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"

namespace {

// Canon bodies whose frames carry a prefix of frame[0] bytes before the header.
const uint8_t kYuvPrefixModels[] = {235, 237, 239, 240, 241, 242, 243, 244};

// Offsets inside the frame header, counted from p.
constexpr uint32_t kHeaderWidthAt = 12;
constexpr uint32_t kHeaderHeightAt = 16;
constexpr uint32_t kHeaderEnd = 20;

constexpr uint32_t kBmpInfoHeaderSize = 40;
constexpr uint32_t kBmpPixelsPerMetre = 3780; // 96 dpi
constexpr uint16_t kBmpBitsPerPixel = 32;

bool has_prefix(uint8_t model) {
    for (uint8_t m : kYuvPrefixModels)
        if (m == model) return true;
    return false;
}

uint8_t clamp_channel(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// The camera maker's conversion of one pixel, B, G, R and 0xFF packed
// little-endian. The coefficients and their precision (red in single, green and
// blue in double precision, each truncated toward zero) are theirs; changing
// either shifts colours by one level.
uint32_t reference_pixel(int y, int u, int v) {
    int r = int(float(y) + 1.403f * float(v));
    int g = int(double(y) - 0.344 * u - 0.714 * v);
    int b = int(double(y) + 1.77 * u);
    return uint32_t(clamp_channel(b)) | uint32_t(clamp_channel(g)) << 8 |
           uint32_t(clamp_channel(r)) << 16 | 0xFF000000u;
}

// The same conversion in fixed point (with SSE2 four pairs at a time): each
// channel is clamp(y + d), with d = floor(coefficient x u or v) from 20-bit
// fractions of the coefficients. Truncation and flooring differ only below 0,
// where both clamp to 0. The fractions are close enough that the result can
// only differ from the reference where green's 0.344 u + 0.714 v is a whole
// number (344 u + 714 v a multiple of 1000): there the reference's double
// rounding decides, depending on y, which side of it the value lands. Those
// pairs, about one in 500, are converted again by the reference formula. A
// test compares the two for every input.
constexpr int kFractionBits = 20;
constexpr int kRedV = 1471153;   // 1.403 x 2^20
constexpr int kGreenU = -360710; // -0.344 x 2^20
constexpr int kGreenV = -748683; // -0.714 x 2^20
constexpr int kBlueU = 1855980;  // 1.77 x 2^20
// Added before flooring red and blue: where 1.403 v or 1.77 u is a whole
// number (u = -100, 100) the reference's double lands on it exactly, and this
// lifts the fraction's error (below 0.5 x 128 / 2^20) back onto it. Elsewhere
// those values are at least 0.001 from a whole number, far beyond it.
constexpr int kRounding = 64;
// Green's fixed-point value lies within this of a whole number exactly where
// the real value is one: the fractions' error stays below 128, while any other
// value is at least 0.001 (1048 units) from a whole number.
constexpr int kWholeWindow = 256;
constexpr uint32_t kFractionOne = 1u << kFractionBits;

inline uint32_t fixed_pixel(int y, int dr, int dg, int db) {
    return uint32_t(clamp_channel(y + db)) | uint32_t(clamp_channel(y + dg)) << 8 |
           uint32_t(clamp_channel(y + dr)) << 16 | 0xFF000000u;
}

// Green's fixed-point value is near a whole number: the pair takes the
// reference formula.
inline bool near_whole(int green) {
    return uint32_t(green + kWholeWindow) % kFractionOne < 2 * kWholeWindow;
}

// One pair (U, Y0, V, Y1) into `pixels` (1 or 2) pixels.
void convert_pair(const uint8_t* src, uint32_t pixels, uint8_t* dst) {
    const int u = int8_t(src[0]), v = int8_t(src[2]);
    const int green = kGreenU * u + kGreenV * v;
    const int dr = (kRedV * v + kRounding) >> kFractionBits;
    const int dg = green >> kFractionBits;
    const int db = (kBlueU * u + kRounding) >> kFractionBits;
    const bool exact = !near_whole(green);
    for (uint32_t k = 0; k < pixels; ++k) {
        const int y = src[1 + 2 * k];
        put_u32(dst + 4 * k, exact ? fixed_pixel(y, dr, dg, db) : reference_pixel(y, u, v));
    }
}

#if defined(__SSE2__)
// Four pairs into eight pixels with the same fixed-point arithmetic. The
// coefficients do not fit the 16-bit multiply-add, so each is split into
// high x 64 + low; both products are exact in 32 bits. Returns a bit per
// pair whose green value is near a whole number (bit k: pair k), for the
// caller to convert again with the reference formula.
uint32_t convert_four_pairs(const uint8_t* src, uint8_t* dst) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i u = _mm_srai_epi32(_mm_slli_epi32(x, 24), 24);
    const __m128i v = _mm_srai_epi32(_mm_slli_epi32(x, 8), 24);
    const __m128i y0 = _mm_and_si128(_mm_srli_epi32(x, 8), _mm_set1_epi32(0xFF));
    const __m128i y1 = _mm_srli_epi32(x, 24);
    // u in the low and v in the high 16 bits of each lane, for _mm_madd_epi16.
    const __m128i uv = _mm_or_si128(_mm_and_si128(u, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(v, 16));
    auto times = [uv](int high, int low) { // (cu, cv) packed as the lane's two halves
        return _mm_add_epi32(_mm_slli_epi32(_mm_madd_epi16(uv, _mm_set1_epi32(high)), 6),
                             _mm_madd_epi16(uv, _mm_set1_epi32(low)));
    };
    auto pack = [](int cu, int cv) { return int(uint32_t(uint16_t(cu)) | uint32_t(uint16_t(cv)) << 16); };
    static_assert(kRedV == 22986 * 64 + 49 && kBlueU == 28999 * 64 + 44 &&
                      kGreenU == -5636 * 64 - 6 && kGreenV == -11698 * 64 - 11,
                  "the coefficients split as the multiply-adds below use them");
    const __m128i rounding = _mm_set1_epi32(kRounding);
    const __m128i dr = _mm_srai_epi32(_mm_add_epi32(times(pack(0, 22986), pack(0, 49)), rounding), kFractionBits);
    const __m128i db = _mm_srai_epi32(_mm_add_epi32(times(pack(28999, 0), pack(44, 0)), rounding), kFractionBits);
    const __m128i green = times(pack(-5636, -11698), pack(-6, -11));
    const __m128i dg = _mm_srai_epi32(green, kFractionBits);
    const __m128i near = _mm_and_si128(_mm_add_epi32(green, _mm_set1_epi32(kWholeWindow)),
                                       _mm_set1_epi32(int(kFractionOne - 1)));
    const uint32_t redo = uint32_t(_mm_movemask_ps(
        _mm_castsi128_ps(_mm_cmplt_epi32(near, _mm_set1_epi32(2 * kWholeWindow)))));

    // Four pixels of one luma lane: saturating packs clamp to 0..255, giving
    // B0-3 G0-3 R0-3 A0-3, which the unpacks turn into B G R A per pixel.
    const __m128i alpha = _mm_set1_epi32(255);
    auto pixels = [&](__m128i y) {
        const __m128i bg = _mm_packs_epi32(_mm_add_epi32(y, db), _mm_add_epi32(y, dg));
        const __m128i ra = _mm_packs_epi32(_mm_add_epi32(y, dr), alpha);
        const __m128i planes = _mm_packus_epi16(bg, ra);
        const __m128i bgPairs = _mm_unpacklo_epi8(planes, _mm_srli_si128(planes, 4));
        const __m128i raPairs = _mm_unpacklo_epi8(_mm_srli_si128(planes, 8), _mm_srli_si128(planes, 12));
        return _mm_unpacklo_epi16(bgPairs, raPairs);
    };
    const __m128i first = pixels(y0), second = pixels(y1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi32(first, second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), _mm_unpackhi_epi32(first, second));
    return redo;
}
#endif

// Converts one row of pairs (4 bytes each: U, Y0, V, Y1) into width pixels.
void convert_row(const uint8_t* src, uint32_t width, uint8_t* dst) {
    const uint32_t pairs = width / 2;
    uint32_t i = 0;
#if defined(__SSE2__)
    for (; pairs - i >= 4; i += 4) {
        const uint32_t redo = convert_four_pairs(src + size_t(i) * 4, dst + size_t(i) * 8);
        for (uint32_t k = 0; redo >> k; ++k)
            if (redo >> k & 1) convert_pair(src + size_t(i + k) * 4, 2, dst + size_t(i + k) * 8);
    }
#endif
    for (; i < pairs; ++i)
        convert_pair(src + size_t(i) * 4, 2, dst + size_t(i) * 8);
    // An odd width drops the last pair's second pixel.
    if (width % 2) convert_pair(src + size_t(pairs) * 4, 1, dst + size_t(pairs) * 8);
}

void put_bmp_header(uint8_t* out, uint32_t fileSize, uint32_t width, uint32_t rows) {
    put_u16(out + 0, 0x4D42); // "BM"
    put_u32(out + 2, fileSize);
    put_u32(out + 6, 0);
    put_u32(out + 10, kBmpHeaderSize);
    put_u32(out + 14, kBmpInfoHeaderSize);
    put_u32(out + 18, width);
    put_u32(out + 22, rows); // positive: bottom row first
    put_u16(out + 26, 1);
    put_u16(out + 28, kBmpBitsPerPixel);
    put_u32(out + 30, 0);
    put_u32(out + 34, fileSize - kBmpHeaderSize);
    put_u32(out + 38, kBmpPixelsPerMetre);
    put_u32(out + 42, kBmpPixelsPerMetre);
    put_u32(out + 46, 0);
    put_u32(out + 50, 0);
}

} // namespace

bool PtpLiveView_YuvBmpSize(uint32_t width, uint32_t rows, uint32_t dataAfterStart,
                            uint32_t* bmpSize) {
    // BMP width and height are signed 32-bit fields.
    if (width > INT32_MAX || rows > INT32_MAX) return false;
    // Each row is read as whole 4-byte pairs, so an odd width still takes a full
    // last pair (its second pixel is dropped). Sizes in 64 bits: device values
    // must not wrap past the checks.
    const uint64_t pairsPerRow = (uint64_t(width) + 1) / 2;
    const uint64_t pixelBytes = uint64_t(rows) * pairsPerRow * 4;
    if (pixelBytes > dataAfterStart) return false;
    const uint64_t fileSize = kBmpHeaderSize + uint64_t(rows) * width * 4;
    if (fileSize > UINT32_MAX) return false;
    *bmpSize = uint32_t(fileSize);
    return true;
}

uint32_t PtpLiveView_ConvertYuvFrameForModel(const uint8_t* frame, uint32_t length, uint8_t model,
                                             uint8_t** image) {
    if (!image) return 0;
    *image = nullptr;
    if (!frame || length < kYuvMinFrameLength) return 0;

    const uint32_t p = has_prefix(model) ? frame[0] : 0;
    // The header must lie inside the frame: with a prefix near 255 it would not.
    if (length - p < kHeaderEnd) return 0;
    ByteReader hr = make_reader(frame, length);
    skip(hr, p);
    const uint8_t h = read_u8(hr);
    const uint32_t width = peek_u32(frame, length, p + kHeaderWidthAt);
    const uint32_t height = peek_u32(frame, length, p + kHeaderHeightAt);
    if (!hr.ok) return 0;
    const uint32_t rows = model == kYuvFixedRowsModel ? kYuvFixedRows : height;
    const uint32_t start = (p + h) % 256;

    uint32_t fileSize = 0;
    if (!PtpLiveView_YuvBmpSize(width, rows, length - start, &fileSize)) return 0;

    uint8_t* out = static_cast<uint8_t*>(std::malloc(fileSize));
    if (!out) return 0;
    put_bmp_header(out, fileSize, width, rows);

    // One pass over the frame: frame row r (from the top) is BMP row rows-1-r.
    // The size check above proved that rows x pairs-per-row pairs lie inside
    // the frame after start, so the rows are read without a cursor.
    const uint8_t* src = frame + start;
    const size_t srcRowBytes = (size_t(width) + 1) / 2 * 4;
    const size_t rowBytes = size_t(width) * 4;
    // A frame of width 0 has no pixels however many rows it claims: no pass.
    for (uint32_t r = 0; width != 0 && r < rows; ++r, src += srcRowBytes)
        convert_row(src, width, out + kBmpHeaderSize + size_t(rows - 1 - r) * rowBytes);
    *image = out;
    return fileSize;
}

uint32_t PtpLiveView_YuvPixel(int y, int u, int v) {
    // Four equal pairs, so the wide path converts them; all eight pixels and
    // the scalar path's single pixel must agree, else 0 (never a pixel: its
    // alpha byte is 0xFF).
    uint8_t pairs[16];
    for (int k = 0; k < 4; ++k) {
        pairs[4 * k] = uint8_t(u);
        pairs[4 * k + 1] = uint8_t(y);
        pairs[4 * k + 2] = uint8_t(v);
        pairs[4 * k + 3] = uint8_t(y);
    }
    uint8_t wide[32], single[4];
    convert_row(pairs, 8, wide);
    convert_row(pairs, 1, single);
    const uint32_t pixel = peek_u32(single, 4, 0);
    for (uint32_t k = 0; k < 8; ++k)
        if (peek_u32(wide, 32, 4 * k) != pixel) return 0;
    return pixel;
}

uint32_t PtpLiveView_YuvPixelReference(int y, int u, int v) { return reference_pixel(y, u, v); }

uint32_t PtpLiveView_ConvertYuvFrame(const uint8_t* frame, uint32_t length, uint8_t** image) {
    return PtpLiveView_ConvertYuvFrameForModel(frame, length, PtpGenericInterface_CameraModel(),
                                               image);
}
