#include "FuzzCommon.h"
#include "platform/QtPictureDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QtPictureDecoder decoder(96, 96);
    return fuzzing::RunLoader(data, size,
                              [](const char* path) { return LoadPictureFile(path, &decoder); });
}
