#include "imaging/Blend.h"

#include <immintrin.h>

#include <cstring>

#include "imaging/PixelRows.h"
#include "imaging/Simd.h"

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

// 32 bytes of each input mixed: the bytes interleaved, one multiply-add per pair, then the shift
// or the division. Unpacking and packing both work within 128-bit halves, so the order comes
// back.
__attribute__((target("avx2"))) inline __m256i MixPairs256(__m256i s, __m256i d, __m256i weights,
                                                           __m256i mul, bool divide100) {
    __m256i lo = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(s, d), weights);
    __m256i hi = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(s, d), weights);
    if (divide100) {
        lo = _mm256_srli_epi16(_mm256_mulhi_epu16(lo, mul), DIV100_SHIFT - 16);
        hi = _mm256_srli_epi16(_mm256_mulhi_epu16(hi, mul), DIV100_SHIFT - 16);
    } else {
        lo = _mm256_srli_epi16(lo, 7);
        hi = _mm256_srli_epi16(hi, 7);
    }
    return _mm256_packus_epi16(lo, hi);
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
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            MixPairs256(s, d, weights, mul, divide100));
    }
    if (divide100) {
        Mix100Scalar(src + i, base + i, out + i, n - i, wDst);
        return;
    }
    for (; i < n; ++i) {
        out[i] = static_cast<uint8_t>((src[i] * wSrc + base[i] * wDst) >> 7);
    }
}

// A kernel that forms s * wSrc + d * wDst from signed-byte weights, then shifts by 7 or divides
// by 100.
using PairsKernel = void (*)(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n,
                             int wSrc, int wDst, bool divide100);

// Scale 128 through such a kernel. Its weights are signed bytes, so both must be below 128: the
// two end levels, where one weight is 128, are one input alone, copied as it is (or widened, for
// 32-bit output).
void Mix128ByPairs(PairsKernel kernel, const uint8_t* src, const uint8_t* base, uint8_t* out,
                   size_t n, int level) {
    const int a = level * 128 / 100;
    if (a == 0 || a == 128) {
        const uint8_t* from = a == 0 ? src : base;
        if (from != out) {
            std::memmove(out, from, n);
        }
        return;
    }
    kernel(src, base, out, n, 128 - a, a, false);
}

void Mix128To32ByPairs(PairsKernel kernel, const uint8_t* src, const uint8_t* base, uint8_t* out,
                       size_t n, int level) {
    const int a = level * 128 / 100;
    if (a == 0 || a == 128) {
        pixelrows::Bgr24ToBgrx32(a == 0 ? src : base, out, static_cast<int>(n));
        return;
    }
    kernel(src, base, out, n, 128 - a, a, false);
}

void Mix100Avx2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    MixPairsAvx2(src, base, out, n, 100 - level, level, true);
}

// ---- 24-bit pixels into 32-bit ones

template <bool kDivide100>
void MixTo32Scalar(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    for (size_t i = 0; i < n; ++i, src += 3, base += 3, out += 4) {
        for (int c = 0; c < 3; ++c) {
            out[c] = kDivide100 ? Reference100(src[c], base[c], level)
                                : Reference128(src[c], base[c], level);
        }
        out[3] = 0xFF;
    }
}

// SSE2 has no byte shuffle: mix a slice of the row with the 24-bit kernel into a buffer that
// stays in the first-level cache, then widen it.
template <bool kDivide100>
void MixTo32Sse2(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level) {
    constexpr size_t kSlice = 256;
    uint8_t mixed[kSlice * 3];
    for (size_t i = 0; i < n; i += kSlice) {
        const size_t count = n - i < kSlice ? n - i : kSlice;
        if (kDivide100) {
            Mix100Sse2(src + i * 3, base + i * 3, mixed, count * 3, level);
        } else {
            Mix128Sse2(src + i * 3, base + i * 3, mixed, count * 3, level);
        }
        pixelrows::Bgr24ToBgrx32(mixed, out + i * 4, static_cast<int>(count));
    }
}

// One pixel of the fused kernels' edges, with the weights as the vector loop has them.
void MixPixelTo32(const uint8_t* src, const uint8_t* base, uint8_t* out, unsigned wSrc,
                  unsigned wDst, bool divide100) {
    for (int c = 0; c < 3; ++c) {
        const unsigned sum = src[c] * wSrc + base[c] * wDst;
        out[c] = static_cast<uint8_t>(divide100 ? (sum * DIV100_MUL) >> DIV100_SHIFT : sum >> 7);
    }
    out[3] = 0xFF;
}

// Eight 24-bit pixels widened to 32 bits from one 32-byte load: the dwords holding each group of
// four pixels are moved into one 128-bit half, then the bytes into place. `dwords` says where the
// groups start in the load (0 and 3 from the pixels' start; 2 and 5 for a load that ends with
// them).
__attribute__((target("avx2"))) inline __m256i Widen8(const uint8_t* p, __m256i dwords,
                                                      __m256i bytes) {
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(in, dwords), bytes);
}

// AVX2, fused: eight pixels of each input widened in registers, mixed as in MixPairsAvx2 and
// stored at once. A load takes 32 bytes for 24, so the loop stops while 11 pixels remain; the
// rest is done by loads that end with their pixels (recomputing a few pixels already done).
// Where the output is aligned the stores bypass the cache: the frame goes to the display server,
// not back to us (StoreFence after the last row).
__attribute__((target("avx2"))) void MixTo32Avx2(const uint8_t* src, const uint8_t* base,
                                                 uint8_t* out, size_t n, int wSrc, int wDst,
                                                 bool divide100) {
    if (n < 11) {
        for (size_t i = 0; i < n; ++i) {
            MixPixelTo32(src + i * 3, base + i * 3, out + i * 4, static_cast<unsigned>(wSrc),
                         static_cast<unsigned>(wDst), divide100);
        }
        return;
    }
    const __m256i bytes = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                           1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i ahead = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    const __m256i behind = _mm256_setr_epi32(2, 3, 4, 5, 5, 6, 7, 7);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i weights = _mm256_set1_epi16(static_cast<short>((wDst << 8) | wSrc));
    const __m256i mul = _mm256_set1_epi16(static_cast<short>(DIV100_MUL));
    const auto mix = [&](__m256i s, __m256i d) __attribute__((target("avx2"))) {
        return _mm256_or_si256(MixPairs256(s, d, weights, mul, divide100), alpha);
    };
    size_t i = 0;
    if ((reinterpret_cast<uintptr_t>(out) & 31) == 0) {
        for (; i + 11 <= n; i += 8) {
            _mm256_stream_si256(
                reinterpret_cast<__m256i*>(out + i * 4),
                mix(Widen8(src + i * 3, ahead, bytes), Widen8(base + i * 3, ahead, bytes)));
        }
    } else {
        for (; i + 11 <= n; i += 8) {
            _mm256_storeu_si256(
                reinterpret_cast<__m256i*>(out + i * 4),
                mix(Widen8(src + i * 3, ahead, bytes), Widen8(base + i * 3, ahead, bytes)));
        }
    }
    // The loop stopped with 3 to 10 pixels left: whole groups by loads that end with them, then
    // the last eight.
    const auto storeBehind = [&](size_t at) __attribute__((target("avx2"))) {
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + at * 4),
            mix(Widen8(src + at * 3 - 8, behind, bytes), Widen8(base + at * 3 - 8, behind, bytes)));
    };
    for (; i + 8 <= n; i += 8) {
        storeBehind(i);
    }
    if (i < n) {
        storeBehind(n - 8);
    }
}

// ---- AVX-512: 64 bytes a step

#define VF_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

VF_AVX512 inline __m512i MixPairs512(__m512i s, __m512i d, __m512i weights, __m512i mul,
                                     bool divide100) {
    __m512i lo = _mm512_maddubs_epi16(_mm512_unpacklo_epi8(s, d), weights);
    __m512i hi = _mm512_maddubs_epi16(_mm512_unpackhi_epi8(s, d), weights);
    if (divide100) {
        lo = _mm512_srli_epi16(_mm512_mulhi_epu16(lo, mul), DIV100_SHIFT - 16);
        hi = _mm512_srli_epi16(_mm512_mulhi_epu16(hi, mul), DIV100_SHIFT - 16);
    } else {
        lo = _mm512_srli_epi16(lo, 7);
        hi = _mm512_srli_epi16(hi, 7);
    }
    return _mm512_packus_epi16(lo, hi);
}

VF_AVX512 void MixPairsAvx512(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n,
                              int wSrc, int wDst, bool divide100) {
    const __m512i weights = _mm512_set1_epi16(static_cast<short>((wDst << 8) | wSrc));
    const __m512i mul = _mm512_set1_epi16(static_cast<short>(DIV100_MUL));
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        _mm512_storeu_si512(
            out + i, MixPairs512(_mm512_loadu_si512(src + i), _mm512_loadu_si512(base + i), weights,
                                 mul, divide100));
    }
    MixPairsAvx2(src + i, base + i, out + i, n - i, wSrc, wDst, divide100);
}

// Byte indices that widen 48 bytes of 24-bit pixels, starting at byte `from` of a pair of
// registers (0-127), into 16 32-bit pixels; the fourth byte of each is filled in later.
struct WidenIndex {
    alignas(64) uint8_t bytes[64];
    constexpr explicit WidenIndex(int from) : bytes{} {
        for (int p = 0; p < 16; ++p) {
            for (int c = 0; c < 4; ++c) {
                bytes[p * 4 + c] = static_cast<uint8_t>(c < 3 ? from + p * 3 + c : 0);
            }
        }
    }
};
constexpr WidenIndex kWiden0(0), kWiden1(48), kWiden2(96 - 64), kWiden3(144 - 128);

// Fused, 64 pixels a step: three 64-byte loads of each input are mixed as 24-bit bytes, and
// two-register byte permutes (GCC 12's one-register form warns falsely) widen the 192 mixed bytes
// into four 64-byte stores of 32-bit pixels. Nothing is read past the pixels. The rest of a row
// goes to the AVX2 kernel. Aligned output is stored around the cache (StoreFence after the last
// row).
VF_AVX512 void MixTo32Avx512(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n,
                             int wSrc, int wDst, bool divide100) {
    const __m512i weights = _mm512_set1_epi16(static_cast<short>((wDst << 8) | wSrc));
    const __m512i mul = _mm512_set1_epi16(static_cast<short>(DIV100_MUL));
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    const __m512i widen0 = _mm512_load_si512(kWiden0.bytes);
    const __m512i widen1 = _mm512_load_si512(kWiden1.bytes);
    const __m512i widen2 = _mm512_load_si512(kWiden2.bytes);
    const __m512i widen3 = _mm512_load_si512(kWiden3.bytes);
    const bool aligned = (reinterpret_cast<uintptr_t>(out) & 63) == 0;
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* s = src + i * 3;
        const uint8_t* d = base + i * 3;
        const __m512i m0 =
            MixPairs512(_mm512_loadu_si512(s), _mm512_loadu_si512(d), weights, mul, divide100);
        const __m512i m1 = MixPairs512(_mm512_loadu_si512(s + 64), _mm512_loadu_si512(d + 64),
                                       weights, mul, divide100);
        const __m512i m2 = MixPairs512(_mm512_loadu_si512(s + 128), _mm512_loadu_si512(d + 128),
                                       weights, mul, divide100);
        const __m512i pixels[4] = {
            _mm512_or_si512(_mm512_permutex2var_epi8(m0, widen0, m0), alpha),
            _mm512_or_si512(_mm512_permutex2var_epi8(m0, widen1, m1), alpha),
            _mm512_or_si512(_mm512_permutex2var_epi8(m1, widen2, m2), alpha),
            _mm512_or_si512(_mm512_permutex2var_epi8(m2, widen3, m2), alpha),
        };
        uint8_t* o = out + i * 4;
        for (int k = 0; k < 4; ++k) {
            if (aligned) {
                _mm512_stream_si512(reinterpret_cast<__m512i*>(o + k * 64), pixels[k]);
            } else {
                _mm512_storeu_si512(o + k * 64, pixels[k]);
            }
        }
    }
    if (i < n) {
        MixTo32Avx2(src + i * 3, base + i * 3, out + i * 4, n - i, wSrc, wDst, divide100);
    }
}

int Clamp(int level) {
    return level < 0 ? 0 : (level > 100 ? 100 : level);
}

template <bool kDivide100>
void MixTo32(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level, Isa isa) {
    level = Clamp(level);
    PairsKernel pairs = nullptr;
    switch (isa) {
        case Isa::Scalar:
            return MixTo32Scalar<kDivide100>(src, base, out, n, level);
        case Isa::Sse2:
            return MixTo32Sse2<kDivide100>(src, base, out, n, level);
        case Isa::Avx2:
            pairs = MixTo32Avx2;
            break;
        case Isa::Avx512:
            pairs = MixTo32Avx512;
            break;
    }
    if (kDivide100) {
        pairs(src, base, out, n, 100 - level, level, true);
    } else {
        Mix128To32ByPairs(pairs, src, base, out, n, level);
    }
}

}  // namespace

void Mix128To32(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level,
                Isa isa) {
    MixTo32<false>(src, base, out, n, level, isa);
}

void Mix100To32(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level,
                Isa isa) {
    MixTo32<true>(src, base, out, n, level, isa);
}

void StoreFence() {
    _mm_sfence();
}

namespace {
simd::Level LevelOf(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
            return simd::Level::Scalar;
        case Isa::Sse2:
            return simd::Level::Sse2;
        case Isa::Avx2:
            return simd::Level::Avx2;
        case Isa::Avx512:
            return simd::Level::Avx512;
    }
    return simd::Level::Scalar;
}
}  // namespace

bool IsaAvailable(Isa isa) {
    return simd::Has(LevelOf(isa));
}

Isa BestIsa() {
    switch (simd::Best()) {
        case simd::Level::Scalar:
            return Isa::Scalar;
        case simd::Level::Sse2:
        case simd::Level::Ssse3:
            return Isa::Sse2;
        case simd::Level::Avx2:
            return Isa::Avx2;
        case simd::Level::Avx512:
            return Isa::Avx512;
    }
    return Isa::Scalar;
}

const char* IsaName(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
            return "scalar";
        case Isa::Sse2:
            return "SSE2";
        case Isa::Avx2:
            return "AVX2";
        case Isa::Avx512:
            return "AVX-512";
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
            return Mix128ByPairs(MixPairsAvx2, src, base, out, n, level);
        case Isa::Avx512:
            return Mix128ByPairs(MixPairsAvx512, src, base, out, n, level);
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
        case Isa::Avx512:
            return MixPairsAvx512(src, base, out, n, 100 - level, level, true);
    }
}

}  // namespace blend
