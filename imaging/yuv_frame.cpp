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

#include "comms/bytes.h"
#include "imaging/yuv_pixels.h"
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
    size_t converterCount = 0;
    const YuvConverter& converter = Yuv_Converters(&converterCount)[0];
    // A frame of width 0 has no pixels however many rows it claims: no pass.
    for (uint32_t r = 0; width != 0 && r < rows; ++r, src += srcRowBytes)
        Yuv_ConvertRow(converter, src, width, out + kBmpHeaderSize + size_t(rows - 1 - r) * rowBytes);
    *image = out;
    return fileSize;
}

uint32_t PtpLiveView_ConvertYuvFrame(const uint8_t* frame, uint32_t length, uint8_t** image) {
    return PtpLiveView_ConvertYuvFrameForModel(frame, length, PtpGenericInterface_CameraModel(),
                                               image);
}
