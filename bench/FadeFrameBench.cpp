// One fade frame as the saver presents it at full screen: the captured screen mixed into the
// scene at the frame's level, written as the 32-bit pixels the display server copies from.
#include <benchmark/benchmark.h>

#include "BenchSizes.h"
#include "app/SettingsStore.h"
#include "imaging/DeviceContext.h"
#include "saver/FadeShow.h"

namespace {

void FadeFrame(benchmark::State& state, BenchSize size) {
    SettingsStore settings;
    StdRandom random;
    const std::unique_ptr<FadeShow> pShow = FadeShow::Create(
        settings, ShowServices{}, [] { return 0u; }, random, size.width, size.height);
    if (!pShow) {
        state.SkipWithError("the show's surfaces could not be made");
        return;
    }
    FadeShow& show = *pShow;
    for (int role = 0; role < FadeShow::SURFACE_COUNT; ++role) {
        DibSurface& surface = show.Surface(role);
        for (int i = 0; i < surface.GetImageSize(); ++i) {
            surface.Bits()[i] = static_cast<uint8_t>(i * (role + 3));
        }
    }
    // The window's image, in the same kind of memory as the program's (page-aligned).
    const auto stride = static_cast<size_t>(size.width) * 4;
    PixelBuffer window = AllocatePixels(stride * static_cast<size_t>(size.height));
    PixelTarget target;
    target.bits = window.get();
    target.width = size.width;
    target.height = size.height;
    target.stride = static_cast<int>(stride);
    target.bitCount = 32;
    target.bottomUp = false;
    int level = 1;
    for (auto _ : state) {
        show.BuildFrame(level);
        show.RenderFrame(target);
        level = level % 99 + 1;  // every level strictly between the ends, where work is done
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() *
                            int64_t{show.Surface(FadeShow::SURFACE_CAPTURE).GetImageSize()});
}

const bool registered = [] {
    for (const BenchSize& size : kBenchSizes) {
        benchmark::RegisterBenchmark(size.Named("FadeFrame").c_str(), FadeFrame, size);
    }
    return true;
}();

}  // namespace
