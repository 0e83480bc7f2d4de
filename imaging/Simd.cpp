#include "imaging/Simd.h"

#include <cstdlib>
#include <cstring>

namespace simd {

bool Has(Level level) {
    switch (level) {
        case Level::Scalar:
        case Level::Sse2:
            return true;  // part of every x86-64 processor
        case Level::Ssse3:
            return __builtin_cpu_supports("ssse3") != 0;
        case Level::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
        case Level::Avx512:
            return __builtin_cpu_supports("avx512f") != 0 &&
                   __builtin_cpu_supports("avx512bw") != 0 &&
                   __builtin_cpu_supports("avx512vbmi") != 0;
    }
    return false;
}

Level LevelNamed(const char* pszName) {
    if (pszName == nullptr) {
        return Level::Avx512;
    }
    const struct {
        const char* name;
        Level level;
    } names[] = {{"scalar", Level::Scalar},
                 {"sse2", Level::Sse2},
                 {"ssse3", Level::Ssse3},
                 {"avx2", Level::Avx2},
                 {"avx512", Level::Avx512}};
    for (const auto& entry : names) {
        if (std::strcmp(pszName, entry.name) == 0) {
            return entry.level;
        }
    }
    return Level::Avx512;
}

Level Best() {
    static const Level best = [] {
        Level level = LevelNamed(std::getenv("VELVETFADE_SIMD"));
        while (level != Level::Scalar && !Has(level)) {
            level = static_cast<Level>(static_cast<int>(level) - 1);
        }
        return level;
    }();
    return best;
}

}  // namespace simd
