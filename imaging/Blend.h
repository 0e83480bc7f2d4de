#pragma once

#include <cstddef>
#include <cstdint>

// The cross-fade's inner loops. For every byte, with s from the source and d from the
// destination and the level already clamped to 0..100:
//   scale 128: a = level * 128 / 100, d := (s * (128 - a) + d * a) >> 7
//   scale 100: d := (s * (100 - level) + d * level) / 100
// Every instruction-set variant gives exactly these bytes; src and dst may be the same buffer.
namespace blend {

// Avx512 needs the byte-permute extension (AVX512BW and AVX512VBMI) besides AVX-512 itself.
enum class Isa { Scalar, Sse2, Avx2, Avx512 };

// The fastest variant this processor runs, as simd::Best allows.
Isa BestIsa();
bool IsaAvailable(Isa isa);
const char* IsaName(Isa isa);

// out := src mixed into base; out may be base or src.
void Mix128(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level, Isa isa);
void Mix100(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level, Isa isa);

// dst := src mixed into dst.
inline void Mix128(const uint8_t* src, uint8_t* dst, size_t n, int level, Isa isa) {
    Mix128(src, dst, dst, n, level, isa);
}
inline void Mix100(const uint8_t* src, uint8_t* dst, size_t n, int level, Isa isa) {
    Mix100(src, dst, dst, n, level, isa);
}

// The same mixes from 24-bit pixels (blue, green, red) straight into 32-bit ones (blue, green,
// red, 0xFF): the frame the display reads, made in one pass. n counts pixels; out may not overlap
// the inputs. Every byte is the one the 24-bit mix gives.
void Mix128To32(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level,
                Isa isa);
void Mix100To32(const uint8_t* src, const uint8_t* base, uint8_t* out, size_t n, int level,
                Isa isa);
// The 32-bit mixes may write around the cache; call this once after the last row, before anyone
// else (the display server) reads the output.
void StoreFence();

// The formulas, one byte at a time: the reference every variant is tested against.
inline uint8_t Reference128(uint8_t s, uint8_t d, int level) {
    const unsigned a = static_cast<unsigned>(level) * 128 / 100;
    return static_cast<uint8_t>((s * (128 - a) + d * a) >> 7);
}
inline uint8_t Reference100(uint8_t s, uint8_t d, int level) {
    const unsigned v =
        (s * (100u - static_cast<unsigned>(level)) + d * static_cast<unsigned>(level)) / 100;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
}

}  // namespace blend
