#pragma once

// The one place that decides which vector instructions the imaging code uses. Each level
// includes the ones before it; Avx512 means AVX-512 with the byte-permute extensions (BW and
// VBMI) the kernels use.
namespace simd {

enum class Level { Scalar, Sse2, Ssse3, Avx2, Avx512 };

// Whether the processor runs the level.
bool Has(Level level);

// The highest level the processor runs, held at or below the level VELVETFADE_SIMD names
// ("scalar", "sse2", "ssse3", "avx2", "avx512") when it is set, so that the tests run every
// path the machine has. Chosen once, at the first call.
Level Best();

// The level a VELVETFADE_SIMD value names; Avx512 (no cap) for anything else.
Level LevelNamed(const char* pszName);

}  // namespace simd
