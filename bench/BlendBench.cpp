// The cross-fade against the memory-bandwidth floor and against what cairo (pixman) and Qt
// programs use for the same job. Run: build/release/bench/velvetfade_bench
#include <benchmark/benchmark.h>

#include <pixman.h>
#include <QApplication>

#include <QImage>
#include <QPainter>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSizes.h"
#include "imaging/Blend.h"
#include "imaging/DibSurface.h"

namespace {

using Size = BenchSize;

void FillPattern(uint8_t* p, size_t n, uint8_t seed) {
    for (size_t i = 0; i < n; ++i) {
        p[i] = static_cast<uint8_t>(i * 31 + seed);
    }
}

void BlendSurfaces(benchmark::State& state, Size size, int useMmx) {
    DibSurface src = DibSurface::Make(size.width, size.height, 24).value();
    DibSurface dst = DibSurface::Make(size.width, size.height, 24).value();
    src.SetUseMmx(useMmx != 0);
    FillPattern(src.Bits(), static_cast<size_t>(src.GetImageSize()), 1);
    FillPattern(dst.Bits(), static_cast<size_t>(dst.GetImageSize()), 2);
    int level = 0;
    for (auto _ : state) {
        src.BlendInto(dst, level);
        level = (level + 7) % 101;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{src.GetImageSize()});
}

void BlendIsa(benchmark::State& state, Size size, bool scale128, blend::Isa isa) {
    const size_t n = static_cast<size_t>(size.width) * size.height * 3;
    std::vector<uint8_t> src(n), dst(n);
    FillPattern(src.data(), n, 1);
    FillPattern(dst.data(), n, 2);
    int level = 0;
    for (auto _ : state) {
        if (scale128) {
            blend::Mix128(src.data(), dst.data(), n, level, isa);
        } else {
            blend::Mix100(src.data(), dst.data(), n, level, isa);
        }
        level = (level + 7) % 101;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n));
}

void Memcpy(benchmark::State& state, Size size) {
    const size_t n = static_cast<size_t>(size.width) * size.height * 3;
    std::vector<uint8_t> src(n), dst(n);
    FillPattern(src.data(), n, 1);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n));
}

void Pixman(benchmark::State& state, Size size) {
    const int stride = size.width * 4;
    std::vector<uint32_t> srcBits(static_cast<size_t>(size.width) * size.height);
    std::vector<uint32_t> dstBits(srcBits.size());
    FillPattern(reinterpret_cast<uint8_t*>(srcBits.data()), srcBits.size() * 4, 1);
    FillPattern(reinterpret_cast<uint8_t*>(dstBits.data()), dstBits.size() * 4, 2);
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, size.width, size.height, srcBits.data(), stride);
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, size.width, size.height, dstBits.data(), stride);
    const pixman_color_t opacity{0, 0, 0, 0x8000};
    pixman_image_t* mask = pixman_image_create_solid_fill(&opacity);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, size.width,
                                 size.height);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(dst);
    pixman_image_unref(src);
    state.SetBytesProcessed(state.iterations() * int64_t{stride} * size.height);
}

void QPainterOpacity(benchmark::State& state, Size size) {
    QImage src(size.width, size.height, QImage::Format_RGB32);
    QImage dst(size.width, size.height, QImage::Format_RGB32);
    FillPattern(src.bits(), static_cast<size_t>(src.sizeInBytes()), 1);
    FillPattern(dst.bits(), static_cast<size_t>(dst.sizeInBytes()), 2);
    for (auto _ : state) {
        QPainter painter(&dst);
        painter.setOpacity(0.5);
        painter.drawImage(0, 0, src);
        painter.end();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(dst.sizeInBytes()));
}

void RegisterAll() {
    for (const Size& size : kBenchSizes) {
        const auto name = [&](const std::string& base) { return size.Named(base); };
        benchmark::RegisterBenchmark(name("Blend128").c_str(), BlendSurfaces, size, 1);
        benchmark::RegisterBenchmark(name("Blend100").c_str(), BlendSurfaces, size, 0);
        for (blend::Isa isa :
             {blend::Isa::Scalar, blend::Isa::Sse2, blend::Isa::Avx2, blend::Isa::Avx512}) {
            if (!blend::IsaAvailable(isa)) {
                continue;
            }
            const std::string isaName = blend::IsaName(isa);
            benchmark::RegisterBenchmark(name("Blend128_" + isaName).c_str(), BlendIsa, size, true,
                                         isa);
            benchmark::RegisterBenchmark(name("Blend100_" + isaName).c_str(), BlendIsa, size, false,
                                         isa);
        }
        benchmark::RegisterBenchmark(name("Memcpy").c_str(), Memcpy, size);
        benchmark::RegisterBenchmark(name("Pixman").c_str(), Pixman, size);
        benchmark::RegisterBenchmark(name("QPainter").c_str(), QPainterOpacity, size);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The sheet's benchmarks need widgets, on a platform that shows nothing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
