#include "FuzzCommon.h"
#include "ImagingPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::CountingSink sink;
    ImagingPlatform platform;
    platform.messages = &sink;
    ScopedImagingPlatform scope(platform);
    fuzzing::MemoryFile file(data, size);
    if (!file.IsOpen()) {
        return 0;
    }
    DibSurface surface;
    if (surface.LoadBmpFile(file.Path()) == 1) {
        fuzzing::Exercise(surface);
    }
    return 0;
}
