#include "FuzzCommon.h"
#include "ImagingPlatform.h"
#include "QtPictureDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QtPictureDecoder decoder(96, 96);
    ImagingPlatform platform;
    platform.pictures = &decoder;
    ScopedImagingPlatform scope(platform);
    fuzzing::MemoryFile file(data, size);
    if (!file.IsOpen()) {
        return 0;
    }
    DibSurface surface;
    if (surface.LoadPictureFile(file.Path()) == 1) {
        fuzzing::Exercise(surface);
    }
    return 0;
}
