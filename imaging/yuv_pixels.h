// The colour arithmetic of the live-view YUV conversion: the camera maker's
// formula, the exact fixed-point form of it, and the converters that run the
// fixed-point form on whole rows, scalar and with the CPU's vector units.
//
// A pair is 4 bytes, U (signed), Y0, V (signed), Y1; it becomes two pixels of
// 4 bytes, B, G, R, 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>

// Fixed point: each channel is clamp(y + d), with d = floor(coefficient x u
// or v) from 20-bit fractions of the coefficients. Truncation (the maker's)
// and flooring differ only below 0, where both clamp to 0. The fractions are
// close enough that the result can only differ from the maker's where green's
// 0.344 u + 0.714 v is a whole number (344 u + 714 v a multiple of 1000):
// there the maker's double rounding decides, depending on y, which side of it
// the value lands. Those pairs, about one in 500, are converted again with
// the maker's formula. A test compares the two for every input.
constexpr int kYuvFractionBits = 20;
constexpr int kYuvRedV = 1471153;   // 1.403 x 2^20
constexpr int kYuvGreenU = -360710; // -0.344 x 2^20
constexpr int kYuvGreenV = -748683; // -0.714 x 2^20
constexpr int kYuvBlueU = 1855980;  // 1.77 x 2^20
// Added before flooring red and blue: where 1.403 v or 1.77 u is a whole
// number (u = -100, 100) the maker's double lands on it exactly, and this
// lifts the fraction's error (below 0.5 x 128 / 2^20) back onto it. Elsewhere
// those values are at least 0.001 from a whole number, far beyond it.
constexpr int kYuvRounding = 64;
// Green's fixed-point value lies within this of a whole number exactly where
// the real value is one: the fractions' error stays below 128, while any other
// value is at least 0.001 (1048 units) from a whole number.
constexpr int kYuvWholeWindow = 256;
constexpr uint32_t kYuvFractionMask = (1u << kYuvFractionBits) - 1;

// One pixel by the maker's formula, B, G, R, 0xFF packed little-endian.
uint32_t Yuv_ReferencePixel(int y, int u, int v);

// One pair into `pixels` (1 or 2) pixels in scalar fixed point, the pairs near
// a whole green value by the maker's formula.
void Yuv_ConvertPair(const uint8_t* src, uint32_t pixels, uint8_t* dst);

// A vector converter: converts the leading whole blocks of `pairs` pairs (a
// block is one register's worth) from src into dst, 8 bytes per pair, and
// returns how many pairs it converted. It converts none when the library was
// built without its instruction set; only call it when the CPU has that set.
using YuvPairsFunction = uint32_t (*)(const uint8_t* src, uint32_t pairs, uint8_t* dst);
uint32_t Yuv_ConvertPairsSse2(const uint8_t* src, uint32_t pairs, uint8_t* dst);
uint32_t Yuv_ConvertPairsAvx2(const uint8_t* src, uint32_t pairs, uint8_t* dst);
uint32_t Yuv_ConvertPairsAvx512(const uint8_t* src, uint32_t pairs, uint8_t* dst);

struct YuvConverter {
    const char* name;
    YuvPairsFunction pairs; // null: scalar only
};

// The converters this CPU can run, the fastest first, ending with the scalar
// one; *count receives their number.
const YuvConverter* Yuv_Converters(size_t* count);

// One row of `width` pixels from (width + 1) / 2 pairs: the converter's blocks,
// then scalar pairs; an odd width drops the last pair's second pixel.
void Yuv_ConvertRow(const YuvConverter& converter, const uint8_t* src, uint32_t width,
                    uint8_t* dst);
