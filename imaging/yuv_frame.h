// Conversion of Canon uncompressed YUV 4:2:2 live-view frames to BMP images.
// The export PtpLiveView_ConvertYuvFrame (include/ptp_liveview.h) reads the
// session's model number and calls the pure conversion below.
#pragma once

#include <cstdint>

// Canon model number whose frames are always 425 rows high.
constexpr uint8_t kYuvFixedRowsModel = 225;
constexpr uint32_t kYuvFixedRows = 425;
// Frames shorter than this are never YUV frames (the live-view code looks for a
// JPEG marker in the first 256 bytes before it calls the conversion).
constexpr uint32_t kYuvMinFrameLength = 256;
constexpr uint32_t kBmpHeaderSize = 54;

// The BMP length for a frame of width x rows pixels with dataAfterStart bytes from
// the start of its pixel data to the frame's end. False when the frame does not
// hold the pixel data (each row as whole 4-byte pairs), when width or rows do not
// fit the BMP's signed fields, or when the BMP length does not fit in 32 bits.
bool PtpLiveView_YuvBmpSize(uint32_t width, uint32_t rows, uint32_t dataAfterStart,
                            uint32_t* bmpSize);

// The conversion for an explicit camera model number; touches no session state.
// Same result and ownership as PtpLiveView_ConvertYuvFrame: the BMP length, or 0
// with *image null; on success *image is malloc'd and the caller frees it with
// FreeMemory.
uint32_t PtpLiveView_ConvertYuvFrameForModel(const uint8_t* frame, uint32_t length, uint8_t model,
                                             uint8_t** image);
