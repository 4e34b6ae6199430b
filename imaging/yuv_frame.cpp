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

// The same conversion in fixed point, which the compiler vectorises: each
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

// Pairs are converted in chunks so the flags of one chunk stay on the stack.
constexpr uint32_t kChunkPairs = 256;

// Converts one row of pairs (4 bytes each: U, Y0, V, Y1) into width pixels.
void convert_row(const uint8_t* src, uint32_t width, uint8_t* dst) {
    const uint32_t pairs = (width + 1) / 2;
    for (uint32_t first = 0; first < pairs; first += kChunkPairs) {
        const uint32_t n = pairs - first < kChunkPairs ? pairs - first : kChunkPairs;
        const uint8_t* in = src + size_t(first) * 4;
        uint32_t pixels[2 * kChunkPairs];
        uint8_t redo[kChunkPairs];
        for (uint32_t i = 0; i < n; ++i) {
            const int u = int8_t(in[4 * i]), y0 = in[4 * i + 1];
            const int v = int8_t(in[4 * i + 2]), y1 = in[4 * i + 3];
            const int dr = (kRedV * v + kRounding) >> kFractionBits;
            const int green = kGreenU * u + kGreenV * v;
            const int dg = green >> kFractionBits;
            const int db = (kBlueU * u + kRounding) >> kFractionBits;
            pixels[2 * i] = fixed_pixel(y0, dr, dg, db);
            pixels[2 * i + 1] = fixed_pixel(y1, dr, dg, db);
            // Green lands within kWholeWindow of a whole number only where
            // 0.344 u + 0.714 v is one: elsewhere it is at least 0.001 away.
            redo[i] = uint32_t(green + kWholeWindow) % kFractionOne < 2 * kWholeWindow;
        }
        for (uint32_t i = 0; i < n; ++i) {
            if (!redo[i]) continue;
            const int u = int8_t(in[4 * i]), v = int8_t(in[4 * i + 2]);
            pixels[2 * i] = reference_pixel(in[4 * i + 1], u, v);
            pixels[2 * i + 1] = reference_pixel(in[4 * i + 3], u, v);
        }
        // An odd width drops the last pair's second pixel.
        const uint32_t count = first + n == pairs && width % 2 ? 2 * n - 1 : 2 * n;
        std::memcpy(dst + size_t(first) * 8, pixels, size_t(count) * 4);
    }
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
    uint8_t pair[4] = {uint8_t(u), uint8_t(y), uint8_t(v), uint8_t(y)};
    uint8_t out[4];
    convert_row(pair, 1, out);
    return peek_u32(out, 4, 0);
}

uint32_t PtpLiveView_YuvPixelReference(int y, int u, int v) { return reference_pixel(y, u, v); }

uint32_t PtpLiveView_ConvertYuvFrame(const uint8_t* frame, uint32_t length, uint8_t** image) {
    return PtpLiveView_ConvertYuvFrameForModel(frame, length, PtpGenericInterface_CameraModel(),
                                               image);
}
