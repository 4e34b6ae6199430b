// The vector form of the fixed-point YUV conversion, written once over a
// register type. Each file that includes this compiles it for one instruction
// set, with the register operations in a traits struct V:
//
//   T                     the register type; kPairs pairs (4 bytes each) fill one
//   load, set1_32, set1_16
//   slli16<N>, srai16<N>, srli16<N>, srai32<N>, add16, add32, and_, madd
//   dup16                 each 32-bit lane's low half into both halves
//   packus16, unpacklo8, unpackhi8   as the 128-bit forms, within 128-bit lanes
//   below(T, limit)       a bit per 32-bit lane (bit k: lane k) holding a value < limit
//   store_pixels(dst, lo, hi)  the 128-bit lanes of lo (pixels 0-3 of each lane)
//                         and hi (pixels 4-7) stored in pixel order
//
// Only for the instruction-set files: everything here has internal linkage, so
// no copy compiled for a wider set can stand in for another file's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/yuv_pixels.h"

namespace {

// The coefficients do not fit the 16-bit multiply-add, so each is split into
// high x 64 + low, applied to (u, v) x 64 and to (u, v); both products are
// exact in 32 bits.
constexpr int kRedVHigh = 22986, kRedVLow = 49;
constexpr int kBlueUHigh = 28999, kBlueULow = 44;
constexpr int kGreenUHigh = -5636, kGreenULow = -6;
constexpr int kGreenVHigh = -11698, kGreenVLow = -11;
static_assert(kYuvRedV == kRedVHigh * 64 + kRedVLow && kYuvBlueU == kBlueUHigh * 64 + kBlueULow &&
                  kYuvGreenU == kGreenUHigh * 64 + kGreenULow &&
                  kYuvGreenV == kGreenVHigh * 64 + kGreenVLow,
              "the split coefficients are the fixed-point ones");

// A (u, v) coefficient pair as one 32-bit lane for the multiply-add.
constexpr int coefficient_pair(int cu, int cv) {
    return int(uint32_t(uint16_t(cu)) | uint32_t(uint16_t(cv)) << 16);
}

template <class V>
uint32_t convert_pairs(const uint8_t* src, uint32_t pairs, uint8_t* dst) {
    using T = typename V::T;
    const T redHigh = V::set1_32(coefficient_pair(0, kRedVHigh));
    const T redLow = V::set1_32(coefficient_pair(0, kRedVLow));
    const T blueHigh = V::set1_32(coefficient_pair(kBlueUHigh, 0));
    const T blueLow = V::set1_32(coefficient_pair(kBlueULow, 0));
    const T greenHigh = V::set1_32(coefficient_pair(kGreenUHigh, kGreenVHigh));
    const T greenLow = V::set1_32(coefficient_pair(kGreenULow, kGreenVLow));
    const T rounding = V::set1_32(kYuvRounding);
    const T window = V::set1_32(kYuvWholeWindow);
    const T fraction = V::set1_32(int(kYuvFractionMask));
    const T alpha = V::set1_16(255);

    uint32_t done = 0;
    for (; pairs - done >= V::kPairs; done += V::kPairs) {
        const uint8_t* s = src + size_t(done) * 4;
        uint8_t* d = dst + size_t(done) * 8;
        const T x = V::load(s);
        // Per pair's 32-bit lane: (u, v) sign-extended into the two 16-bit
        // halves, the same times 64, and (y0, y1).
        const T uv = V::template srai16<8>(V::template slli16<8>(x));
        const T uv64 = V::template slli16<6>(uv);
        const T y = V::template srli16<8>(x);

        const T red = V::add32(V::add32(V::madd(uv64, redHigh), V::madd(uv, redLow)), rounding);
        const T blue = V::add32(V::add32(V::madd(uv64, blueHigh), V::madd(uv, blueLow)), rounding);
        const T green = V::add32(V::madd(uv64, greenHigh), V::madd(uv, greenLow));
        uint32_t redo = V::below(V::and_(V::add32(green, window), fraction), 2 * kYuvWholeWindow);

        // Each channel as 16-bit y + d per pixel; the unsigned saturating pack
        // clamps to 0..255, giving per 128-bit lane B0-7 G0-7 and R0-7 A0-7,
        // which two rounds of byte unpacks turn into B G R A per pixel.
        const T b = V::add16(y, V::dup16(V::template srai32<kYuvFractionBits>(blue)));
        const T g = V::add16(y, V::dup16(V::template srai32<kYuvFractionBits>(green)));
        const T r = V::add16(y, V::dup16(V::template srai32<kYuvFractionBits>(red)));
        const T bg = V::packus16(b, g), ra = V::packus16(r, alpha);
        const T brPairs = V::unpacklo8(bg, ra), gaPairs = V::unpackhi8(bg, ra);
        V::store_pixels(d, V::unpacklo8(brPairs, gaPairs), V::unpackhi8(brPairs, gaPairs));

        for (; redo; redo &= redo - 1) {
            const unsigned k = unsigned(__builtin_ctz(redo));
            Yuv_ConvertPair(s + 4 * k, 2, d + 8 * k);
        }
    }
    return done;
}

} // namespace
