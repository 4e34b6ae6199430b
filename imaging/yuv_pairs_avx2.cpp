// The vector YUV conversion eight pairs at a time with AVX2. The build
// compiles this file alone for AVX2; the library calls it only on a CPU that
// has it.
#include "imaging/yuv_pixels.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "imaging/yuv_kernel.h"

namespace {

struct Avx2 {
    using T = __m256i;
    static constexpr uint32_t kPairs = 8;
    static T load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const T*>(p)); }
    static T set1_32(int v) { return _mm256_set1_epi32(v); }
    static T set1_16(int v) { return _mm256_set1_epi16(short(v)); }
    template <int N> static T slli16(T a) { return _mm256_slli_epi16(a, N); }
    template <int N> static T srai16(T a) { return _mm256_srai_epi16(a, N); }
    template <int N> static T srli16(T a) { return _mm256_srli_epi16(a, N); }
    template <int N> static T srai32(T a) { return _mm256_srai_epi32(a, N); }
    static T add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T add32(T a, T b) { return _mm256_add_epi32(a, b); }
    static T and_(T a, T b) { return _mm256_and_si256(a, b); }
    static T madd(T a, T b) { return _mm256_madd_epi16(a, b); }
    static T dup16(T a) {
        const T lowHalves = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,
                                             0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
        return _mm256_shuffle_epi8(a, lowHalves);
    }
    static T packus16(T a, T b) { return _mm256_packus_epi16(a, b); }
    static T unpacklo8(T a, T b) { return _mm256_unpacklo_epi8(a, b); }
    static T unpackhi8(T a, T b) { return _mm256_unpackhi_epi8(a, b); }
    static uint32_t below(T a, int limit) {
        const T less = _mm256_cmpgt_epi32(_mm256_set1_epi32(limit), a);
        return uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(less)));
    }
    static void store_pixels(uint8_t* d, T lo, T hi) {
        _mm256_storeu_si256(reinterpret_cast<T*>(d), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<T*>(d + 32), _mm256_permute2x128_si256(lo, hi, 0x31));
    }
};

} // namespace

uint32_t Yuv_ConvertPairsAvx2(const uint8_t* src, uint32_t pairs, uint8_t* dst) {
    return convert_pairs<Avx2>(src, pairs, dst);
}
#else
uint32_t Yuv_ConvertPairsAvx2(const uint8_t*, uint32_t, uint8_t*) { return 0; }
#endif
