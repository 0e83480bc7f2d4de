// Decoding a 6000 x 4000 JPEG: LoadJpegFile in this process, against libjpeg-turbo's own djpeg
// run as a whole process writing to /dev/null. Wall-clock time for both.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "Fixtures.h"
#include "imaging/PictureFile.h"

namespace {

const std::string& PhotoPath() {
    static fixtures::TempDir dir;
    static const std::string path = [] {
        fixtures::JpegOptions o;
        o.width = 6000;
        o.height = 4000;
        o.quality = 90;
        o.subsampled = true;
        return dir.Write("photo.jpg", fixtures::MakeJpeg(o, [](int x, int y) {
                             // Smooth areas and fine detail, as in a photograph.
                             return RGB(static_cast<uint8_t>(x / 24 + (y % 7) * 3),
                                        static_cast<uint8_t>(y / 16 + (x % 5) * 5),
                                        static_cast<uint8_t>((x + y) / 40 + ((x * y) % 11)));
                         }));
    }();
    return path;
}

void JpegLoad(benchmark::State& state) {
    const std::string& path = PhotoPath();
    for (auto _ : state) {
        LoadedPicture loaded = LoadJpegFile(path.c_str());
        if (!loaded.Loaded()) {
            state.SkipWithError("the JPEG did not load");
            break;
        }
        benchmark::DoNotOptimize(loaded.surface.Bits());
    }
}

void Djpeg(benchmark::State& state) {
    const std::string command = "djpeg -outfile /dev/null '" + PhotoPath() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("djpeg failed (package libjpeg-turbo-progs)");
            break;
        }
    }
}

}  // namespace

BENCHMARK(JpegLoad)->Name("JpegLoad/6000x4000")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Djpeg)->Name("Djpeg/6000x4000")->UseRealTime()->Unit(benchmark::kMillisecond);
