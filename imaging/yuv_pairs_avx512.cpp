// The vector YUV conversion sixteen pairs at a time with AVX-512 (F and BW).
// The build compiles this file alone for AVX-512; the library calls it only on
// a CPU that has it.
#include "imaging/yuv_pixels.h"

#if defined(__AVX512F__) && defined(__AVX512BW__)
#include <immintrin.h>

// GCC's own AVX-512 headers fill unused operands from a self-initialised
// variable, which its uninitialised-use analysis reports inside them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "imaging/yuv_kernel.h"

namespace {

struct Avx512 {
    using T = __m512i;
    static constexpr uint32_t kPairs = 16;
    static T load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static T set1_32(int v) { return _mm512_set1_epi32(v); }
    static T set1_16(int v) { return _mm512_set1_epi16(short(v)); }
    template <int N> static T slli16(T a) { return _mm512_slli_epi16(a, N); }
    template <int N> static T srai16(T a) { return _mm512_srai_epi16(a, N); }
    template <int N> static T srli16(T a) { return _mm512_srli_epi16(a, N); }
    template <int N> static T srai32(T a) { return _mm512_srai_epi32(a, N); }
    static T add16(T a, T b) { return _mm512_add_epi16(a, b); }
    static T add32(T a, T b) { return _mm512_add_epi32(a, b); }
    static T and_(T a, T b) { return _mm512_and_si512(a, b); }
    static T madd(T a, T b) { return _mm512_madd_epi16(a, b); }
    static T dup16(T a) {
        const T lowHalves = _mm512_broadcast_i32x4(
            _mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13));
        return _mm512_shuffle_epi8(a, lowHalves);
    }
    static T packus16(T a, T b) { return _mm512_packus_epi16(a, b); }
    static T unpacklo8(T a, T b) { return _mm512_unpacklo_epi8(a, b); }
    static T unpackhi8(T a, T b) { return _mm512_unpackhi_epi8(a, b); }
    static uint32_t below(T a, int limit) {
        return _mm512_cmplt_epi32_mask(a, _mm512_set1_epi32(limit));
    }
    // Lane k of lo holds pixels 0-3 of pairs 4k..4k+3, lane k of hi pixels 4-7.
    static void store_pixels(uint8_t* d, T lo, T hi) {
        const T first = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
        const T second = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
        _mm512_storeu_si512(d, _mm512_permutex2var_epi64(lo, first, hi));
        _mm512_storeu_si512(d + 64, _mm512_permutex2var_epi64(lo, second, hi));
    }
};

} // namespace

uint32_t Yuv_ConvertPairsAvx512(const uint8_t* src, uint32_t pairs, uint8_t* dst) {
    return convert_pairs<Avx512>(src, pairs, dst);
}
#else
uint32_t Yuv_ConvertPairsAvx512(const uint8_t*, uint32_t, uint8_t*) { return 0; }
#endif
