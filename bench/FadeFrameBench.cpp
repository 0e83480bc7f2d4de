// One fade frame as the saver makes it: the scene copied into the frame, the captured screen
// blended in, the frame put into the window's paint image.
#include <benchmark/benchmark.h>

#include <QImage>

#include "BenchSizes.h"
#include "FadeShow.h"
#include "QtPaintTarget.h"
#include "SettingsStore.h"

namespace {

enum class Part { Whole, Build, Present };

void FadeFrame(benchmark::State& state, BenchSize size, Part part) {
    SettingsStore settings;
    StdRandom random;
    FadeShow show(
        settings, [] { return 0u; }, random, size.width, size.height);
    for (int role = 0; role < FadeShow::SURFACE_COUNT; ++role) {
        DibSurface& surface = show.Surface(role);
        for (int i = 0; i < surface.GetImageSize(); ++i) {
            surface.m_pBits[i] = static_cast<uint8_t>(i * (role + 3));
        }
    }
    QImage window = MakePaintImage(QSize(size.width, size.height));
    DeviceContext dc(PixelTargetFor(window));
    int level = 0;
    for (auto _ : state) {
        if (part != Part::Present) {
            show.BuildFrame(level);
        }
        if (part != Part::Build) {
            show.PresentFrame(dc, {0, 0, size.width, size.height});
        }
        level = (level + 7) % 101;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() *
                            int64_t{show.Surface(FadeShow::SURFACE_FRAME).GetImageSize()});
}

const bool registered = [] {
    for (const BenchSize& size : kBenchSizes) {
        benchmark::RegisterBenchmark(size.Named("FadeFrame").c_str(), FadeFrame, size, Part::Whole);
        // The two halves, to see where the time goes.
        benchmark::RegisterBenchmark(size.Named("FadeFrameBuild").c_str(), FadeFrame, size,
                                     Part::Build);
        benchmark::RegisterBenchmark(size.Named("FadeFramePresent").c_str(), FadeFrame, size,
                                     Part::Present);
    }
    return true;
}();

}  // namespace
