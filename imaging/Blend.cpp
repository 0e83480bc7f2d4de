#include "Blend.h"

#include <immintrin.h>

#include <cstring>

namespace blend {
namespace {

// x / 100 for 0 <= x <= 25500 as (x * 41944) >> 22: the error of the rounded-up reciprocal stays
// below 0.006, too little to reach the next integer (tested for every x).
constexpr unsigned DIV100_MUL = 41944;
constexpr int DIV100_SHIFT = 22;

// Every kernel reads the source and the base and writes the output; the output may be the
// base (the usual in-place mix) or the source.
void Mix128Scalar(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    const unsigned a = static_cast<unsigned>(level) * 128 / 100;
    const unsigned b = 128 - a;
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<uint8_t>((src[i] * b + base[i] * a) >> 7);
    }
}

void Mix100Scalar(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    const unsigned a = static_cast<unsigned>(level);
    const unsigned b = 100 - a;
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<uint8_t>(((src[i] * b + base[i] * a) * DIV100_MUL) >> DIV100_SHIFT);
    }
}

// SSE2: widen to 16-bit lanes, s * b + d * a (at most 32640), then shift or divide, narrow.
void Mix128Sse2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    const int a = level * 128 / 100;
    const __m128i wa = _mm_set1_epi16(static_cast<short>(a));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(128 - a));
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i lo =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), wb),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wa)),
                           7);
        const __m128i hi =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), wb),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wa)),
                           7);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    Mix128Scalar(src + i, base + i, out + i, n - i, level);
}

void Mix100Sse2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    const __m128i wa = _mm_set1_epi16(static_cast<short>(level));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(100 - level));
    const __m128i mul = _mm_set1_epi16(static_cast<short>(DIV100_MUL));
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i sumLo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), wb),
                                            _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wa));
        const __m128i sumHi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), wb),
                                            _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wa));
        const __m128i lo = _mm_srli_epi16(_mm_mulhi_epu16(sumLo, mul), DIV100_SHIFT - 16);
        const __m128i hi = _mm_srli_epi16(_mm_mulhi_epu16(sumHi, mul), DIV100_SHIFT - 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    Mix100Scalar(src + i, base + i, out + i, n - i, level);
}

// AVX2: interleave source and destination bytes and let one multiply-add per lane pair form
// s * b + d * a. The weights are signed bytes, so both must be below 128; the two end levels,
// where one weight is 128, are a plain copy and nothing at all.
__attribute__((target("avx2"))) void MixPairsAvx2(const uint8_t* src, const uint8_t* base,
                                                  uint8_t* out, size_t n, int wSrc, int wDst,
                                                  bool divide100) {
    const __m256i weights = _mm256_set1_epi16(static_cast<short>((wDst << 8) | wSrc));
    const __m256i mul = _mm256_set1_epi16(static_cast<short>(DIV100_MUL));
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i));
        __m256i lo = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(s, d), weights);
        __m256i hi = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(s, d), weights);
        if (divide100) {
            lo = _mm256_srli_epi16(_mm256_mulhi_epu16(lo, mul), DIV100_SHIFT - 16);
            hi = _mm256_srli_epi16(_mm256_mulhi_epu16(hi, mul), DIV100_SHIFT - 16);
        } else {
            lo = _mm256_srli_epi16(lo, 7);
            hi = _mm256_srli_epi16(hi, 7);
        }
        // Unpacking and packing both work within 128-bit halves, so the order comes back.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
    }
    if (divide100) {
        Mix100Scalar(src + i, base + i, out + i, n - i, wDst);
        return;
    }
    for (; i < n; ++i) {
        out[i] = static_cast<uint8_t>((src[i] * wSrc + base[i] * wDst) >> 7);
    }
}

void Mix128Avx2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    const int a = level * 128 / 100;
    if (a == 0 || a == 128) {
        const uint8_t* from = a == 0 ? src : base;
        if (from != out) {
            std::memmove(out, from, n);
        }
        return;
    }
    MixPairsAvx2(src, base, out, n, 128 - a, a, false);
}

void Mix100Avx2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    MixPairsAvx2(src, base, out, n, 100 - level, level, true);
}

int Clamp(int level) {
    return level < 0 ? 0 : (level > 100 ? 100 : level);
}

}  // namespace

bool IsaAvailable(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
        case Isa::Sse2:
            return true;  // part of every x86-64 processor
        case Isa::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
    }
    return false;
}

Isa BestIsa() {
    static const Isa best = IsaAvailable(Isa::Avx2) ? Isa::Avx2 : Isa::Sse2;
    return best;
}

const char* IsaName(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
            return "scalar";
        case Isa::Sse2:
            return "SSE2";
        case Isa::Avx2:
            return "AVX2";
    }
    return "?";
}

void Mix128(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level, Isa isa) {
    level = Clamp(level);
    switch (isa) {
        case Isa::Scalar:
            return Mix128Scalar(src, base, out, n, level);
        case Isa::Sse2:
            return Mix128Sse2(src, base, out, n, level);
        case Isa::Avx2:
            return Mix128Avx2(src, base, out, n, level);
    }
}

void Mix100(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level, Isa isa) {
    level = Clamp(level);
    switch (isa) {
        case Isa::Scalar:
            return Mix100Scalar(src, base, out, n, level);
        case Isa::Sse2:
            return Mix100Sse2(src, base, out, n, level);
        case Isa::Avx2:
            return Mix100Avx2(src, base, out, n, level);
    }
}

}  // namespace blend
