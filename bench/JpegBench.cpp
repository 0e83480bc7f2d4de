// Decoding a 6000 x 4000 JPEG: LoadJpegFile in this process, against libjpeg-turbo's own djpeg
// run as a whole process writing to /dev/null; and a folder of pictures opened. Wall-clock time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "Fixtures.h"
#include "imaging/PictureFile.h"
#include "imaging/PictureList.h"

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

namespace {

// A folder of 10,000 pictures (empty files named as cameras name them) in the picture list:
// what the saver's start spends opening it, against one JPEG's decoding above.
void PictureFolder(benchmark::State& state) {
    static fixtures::TempDir dir;
    static const std::string folder = [] {
        std::string path;
        for (int i = 0; i < 10000; ++i) {
            path = dir.Write("folder/IMG_" + std::to_string(i) + ".jpg", {});
        }
        return path.substr(0, path.rfind('/') + 1);
    }();
    for (auto _ : state) {
        const std::vector<PictureEntry> pictures = ExpandPictureList({folder}, {"bmp", "jpg"});
        if (pictures.size() != 10000) {
            state.SkipWithError("the folder did not give its pictures");
            break;
        }
        benchmark::DoNotOptimize(pictures.data());
    }
}

}  // namespace

BENCHMARK(PictureFolder)->Name("PictureFolder/10000")->UseRealTime()->Unit(benchmark::kMillisecond);
