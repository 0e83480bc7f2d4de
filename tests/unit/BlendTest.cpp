#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/Blend.h"
#include "imaging/DibSurface.h"
#include "imaging/Simd.h"

namespace {

using blend::Isa;

std::vector<Isa> AvailableIsas() {
    std::vector<Isa> isas;
    for (Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2, Isa::Avx512}) {
        if (blend::IsaAvailable(isa)) {
            isas.push_back(isa);
        }
    }
    return isas;
}

// An output buffer whose start is `offset` bytes past a 64-byte boundary, so that both the
// aligned (streaming) and the unaligned stores of the 32-bit mixes are reached.
struct Output {
    std::vector<uint8_t> storage;
    uint8_t* p;
    Output(size_t n, size_t offset, uint8_t fill) : storage(n + offset + 128, fill) {
        const auto start = reinterpret_cast<uintptr_t>(storage.data());
        p = storage.data() + ((64 - start % 64) % 64) + offset;
    }
};

// VELVETFADE_SIMD holds the dispatch at the level it names, or the highest below it that the
// processor has; without it, the processor's best is used.
TEST(BlendDispatch, TheEnvironmentCapsTheLevel) {
    const char* pszCap = std::getenv("VELVETFADE_SIMD");
    simd::Level expected = simd::LevelNamed(pszCap);
    while (!simd::Has(expected)) {
        expected = static_cast<simd::Level>(static_cast<int>(expected) - 1);
    }
    EXPECT_EQ(simd::Best(), expected) << (pszCap != nullptr ? pszCap : "no cap");
    EXPECT_EQ(simd::LevelNamed("scalar"), simd::Level::Scalar);
    EXPECT_EQ(simd::LevelNamed("ssse3"), simd::Level::Ssse3);
    EXPECT_EQ(simd::LevelNamed("nonsense"), simd::Level::Avx512);
    EXPECT_EQ(blend::BestIsa() == Isa::Scalar, simd::Best() == simd::Level::Scalar);
}

TEST(BlendExactness, EveryPathEqualsTheFormulaForEveryLevelAndBytePairInBothWidths) {
    // Every (source, destination) byte pair lands once in some channel: source = the low byte
    // of its number, destination = the high byte. The last pixel is padded.
    const size_t nPixels = (65536 + 2) / 3;
    std::vector<uint8_t> src(nPixels * 3), dst(nPixels * 3);
    for (size_t i = 0; i < 65536; ++i) {
        src[i] = static_cast<uint8_t>(i);
        dst[i] = static_cast<uint8_t>(i >> 8);
    }
    for (Isa isa : AvailableIsas()) {
        for (int level = -5; level <= 105; ++level) {
            const int clamped = std::clamp(level, 0, 100);
            std::vector<uint8_t> d128 = dst, d100 = dst;
            blend::Mix128(src.data(), d128.data(), d128.size(), level, isa);
            blend::Mix100(src.data(), d100.data(), d100.size(), level, isa);
            Output o128(nPixels * 4, 0, 0), o100(nPixels * 4, 0, 0);
            blend::Mix128To32(src.data(), dst.data(), o128.p, nPixels, level, isa);
            blend::Mix100To32(src.data(), dst.data(), o100.p, nPixels, level, isa);
            blend::StoreFence();
            for (size_t i = 0; i < nPixels * 4; ++i) {
                const size_t pixel = i / 4, channel = i % 4, at = pixel * 3 + channel;
                if (channel == 3) {
                    ASSERT_TRUE(o128.p[i] == 0xFF && o100.p[i] == 0xFF) << blend::IsaName(isa);
                    continue;
                }
                const uint8_t r128 = blend::Reference128(src[at], dst[at], clamped);
                const uint8_t r100 = blend::Reference100(src[at], dst[at], clamped);
                ASSERT_TRUE(d128[at] == r128 && o128.p[i] == r128 && d100[at] == r100 &&
                            o100.p[i] == r100)
                    << blend::IsaName(isa) << ", level " << level << ", s " << int{src[at]}
                    << ", d " << int{dst[at]};
            }
        }
    }
}

TEST(BlendExactness, ThirtyTwoBitRowsOfAnyLengthAndPlaceWriteTheirPixelsAndNoOther) {
    for (Isa isa : AvailableIsas()) {
        for (size_t offset : {0u, 4u, 1u}) {
            for (size_t n : {0u, 1u, 7u, 10u, 11u, 12u, 19u, 63u, 64u, 65u, 127u, 200u}) {
                // Inputs exactly as long as the row, so that a read past it is an error under
                // AddressSanitizer.
                std::vector<uint8_t> src(n * 3, 200), base(n * 3, 10);
                // Every byte of the buffer: inside the row what the mix makes of it (by its
                // place in a pixel of `size` bytes), outside it the fill.
                const auto expectRow = [&](const Output& o, size_t size, int fill,
                                           const uint8_t(&pixel)[4]) {
                    for (const uint8_t& q : o.storage) {
                        const bool inside = &q >= o.p && &q < o.p + n * size;
                        ASSERT_EQ(q, inside ? pixel[static_cast<size_t>(&q - o.p) % size] : fill)
                            << blend::IsaName(isa) << " n " << n << " offset " << offset;
                    }
                };
                // In place, 24-bit, both scales in turn.
                Output inPlace(n * 3, offset, 10);
                blend::Mix100(src.data(), inPlace.p, n * 3, 50, isa);
                blend::Mix128(src.data(), inPlace.p, n * 3, 50, isa);
                const uint8_t mixed =
                    blend::Reference128(200, blend::Reference100(200, 10, 50), 50);
                expectRow(inPlace, 3, 10, {mixed, mixed, mixed, 0});
                for (bool scale128 : {false, true}) {
                    Output out(n * 4, offset, 7);
                    (scale128 ? blend::Mix128To32 : blend::Mix100To32)(src.data(), base.data(),
                                                                       out.p, n, 50, isa);
                    blend::StoreFence();
                    expectRow(out, 4, 7, {105, 105, 105, 0xFF});
                }
            }
        }
    }
}

// The source's switch is forced, so that both mixes are reached whatever the processor. 7
// pixels = 21 bytes a row, padded to 24: padding and last pixels are mixed too.
TEST(BlendOver, EqualsTheFormulaOnEveryByteOfARaggedSurfaceAndLeavesTheBase) {
    for (bool useMmx : {false, true}) {
        DibSurface src = DibSurface::Make(7, 5, 24).value(),
                   base = DibSurface::Make(7, 5, 24).value(),
                   out = DibSurface::Make(7, 5, 24).value();
        src.SetUseMmx(useMmx);
        for (int i = 0; i < src.GetImageSize(); ++i) {
            src.Bits()[i] = static_cast<uint8_t>(i * 13);
            base.Bits()[i] = static_cast<uint8_t>(255 - i * 3);
        }
        for (int level : {-5, 0, 37, 100, 250}) {
            ASSERT_TRUE(src.BlendOver(base, out, level));
            const int clamped = std::clamp(level, 0, 100);
            for (int i = 0; i < src.GetImageSize(); ++i) {
                const uint8_t s = src.Bits()[i], b = static_cast<uint8_t>(255 - i * 3);
                ASSERT_EQ(out.Bits()[i], useMmx ? blend::Reference128(s, b, clamped)
                                                : blend::Reference100(s, b, clamped))
                    << "byte " << i << ", level " << level << ", mmx " << useMmx;
                ASSERT_EQ(base.Bits()[i], b);
            }
        }
        DibSurface other = DibSurface::Make(7, 6, 24).value(), empty;
        EXPECT_FALSE(src.BlendOver(base, other, 50) || empty.BlendInto(base, 50) ||
                     src.BlendInto(empty, 50));
    }
}

}  // namespace
