// What the sim needs to know about a JPEG file to describe it: its size in
// pixels, its EXIF orientation and where its EXIF thumbnail lies. Only the
// marker segments before the image data are read, so a file of any size costs
// the same. Also the sim's own small picture, used when no sample pictures are
// at hand, and the encoder the sim's pictures are made with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct SimJpegFacts {
    bool is_jpeg = false; // starts with SOI
    uint32_t width = 0;   // from the first frame header; 0 when none was found
    uint32_t height = 0;
    uint32_t bit_depth = 0;   // precision x components
    size_t thumb_offset = 0;  // the EXIF (IFD1) thumbnail, absolute in the file
    size_t thumb_len = 0;     // 0: none
    uint32_t orientation = 0; // EXIF Orientation (IFD0); 0 when absent
};

SimJpegFacts SimJpeg_Inspect(const uint8_t* data, size_t len);

// A small valid baseline JPEG (16 x 16 pixels, colour), shared and immutable.
std::shared_ptr<const std::vector<uint8_t>> SimJpeg_SmallPicture();
constexpr uint32_t kSimSmallPictureWidth = 16;
constexpr uint32_t kSimSmallPictureHeight = 16;

// Baseline RGB encode with the standard tables and no JFIF segment.
struct SimJpegEncode {
    uint32_t width = 0;
    uint32_t height = 0;
    int quality = 90;
    bool restart_each_row = false; // a restart marker after each row of MCUs
    const uint8_t* app1 = nullptr; // written as the first APP1 segment when set
    size_t app1_len = 0;
};
// Returns row y (0-based) of the picture, width * 3 bytes, valid until the next call.
using SimJpegRow = const uint8_t* (*)(void* ctx, uint32_t y);
// False when libjpeg fails; *out is then unchanged.
bool SimJpeg_Encode(const SimJpegEncode& e, SimJpegRow row, void* ctx, std::vector<uint8_t>* out);
