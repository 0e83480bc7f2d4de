#include "imaging/ImagingPlatform.h"

ImagingPlatform& ImagingPlatform::Current() {
    static ImagingPlatform platform;
    return platform;
}
