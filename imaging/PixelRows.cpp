#include "imaging/PixelRows.h"

#include <immintrin.h>

#include "imaging/Simd.h"

namespace pixelrows {
namespace {

void Scalar(const uint8_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0xFF;
    }
}

// Four pixels per 16-byte load; a load reads 4 bytes past the 12 it uses, so the vector loop
// stops while at least 6 pixels (18 bytes) remain.
__attribute__((target("ssse3"))) void Ssse3(const uint8_t* src, uint8_t* dst, int count) {
    const __m128i shuffle = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 6 <= count; i += 4, src += 12, dst += 16) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                         _mm_or_si128(_mm_shuffle_epi8(in, shuffle), alpha));
    }
    Scalar(src, dst, count - i);
}

// Eight pixels per step: two 12-byte groups placed in the two halves of a 256-bit register.
__attribute__((target("avx2"))) void Avx2(const uint8_t* src, uint8_t* dst, int count) {
    const __m256i shuffle = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                             0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 10 <= count; i += 8, src += 24, dst += 32) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12));
        const __m256i in = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst),
                            _mm256_or_si256(_mm256_shuffle_epi8(in, shuffle), alpha));
    }
    Scalar(src, dst, count - i);
}

using RowFn = void (*)(const uint8_t*, uint8_t*, int);

RowFn Choose() {
    const simd::Level level = simd::Best();
    if (level >= simd::Level::Avx2) {
        return Avx2;
    }
    if (level >= simd::Level::Ssse3) {
        return Ssse3;
    }
    return Scalar;
}

}  // namespace

void Bgr24ToBgrx32(const uint8_t* src, uint8_t* dst, int count) {
    static const RowFn convert = Choose();
    convert(src, dst, count);
}

}  // namespace pixelrows
