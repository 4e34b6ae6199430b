// The vector YUV conversion four pairs at a time, with the SSE2 that every
// x86-64 processor has.
#include "imaging/yuv_pixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "imaging/yuv_kernel.h"

namespace {

struct Sse2 {
    using T = __m128i;
    static constexpr uint32_t kPairs = 4;
    static T load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const T*>(p)); }
    static T set1_32(int v) { return _mm_set1_epi32(v); }
    static T set1_16(int v) { return _mm_set1_epi16(short(v)); }
    template <int N> static T slli16(T a) { return _mm_slli_epi16(a, N); }
    template <int N> static T srai16(T a) { return _mm_srai_epi16(a, N); }
    template <int N> static T srli16(T a) { return _mm_srli_epi16(a, N); }
    template <int N> static T srai32(T a) { return _mm_srai_epi32(a, N); }
    static T add16(T a, T b) { return _mm_add_epi16(a, b); }
    static T add32(T a, T b) { return _mm_add_epi32(a, b); }
    static T and_(T a, T b) { return _mm_and_si128(a, b); }
    static T madd(T a, T b) { return _mm_madd_epi16(a, b); }
    static T dup16(T a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xA0), 0xA0); }
    static T packus16(T a, T b) { return _mm_packus_epi16(a, b); }
    static T unpacklo8(T a, T b) { return _mm_unpacklo_epi8(a, b); }
    static T unpackhi8(T a, T b) { return _mm_unpackhi_epi8(a, b); }
    static uint32_t below(T a, int limit) {
        return uint32_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(a, _mm_set1_epi32(limit)))));
    }
    static void store_pixels(uint8_t* d, T lo, T hi) {
        _mm_storeu_si128(reinterpret_cast<T*>(d), lo);
        _mm_storeu_si128(reinterpret_cast<T*>(d + 16), hi);
    }
};

} // namespace

uint32_t Yuv_ConvertPairsSse2(const uint8_t* src, uint32_t pairs, uint8_t* dst) {
    return convert_pairs<Sse2>(src, pairs, dst);
}
#else
uint32_t Yuv_ConvertPairsSse2(const uint8_t*, uint32_t, uint8_t*) { return 0; }
#endif
