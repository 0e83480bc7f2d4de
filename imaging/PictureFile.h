#pragma once

#include <string>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

// What a picture file gave: the picture, and what the user is to be told about the file, in
// order. A file can fail without a word (not a picture of that kind), fail with a reason (a
// read error, a JPEG the library gives up on), load with a warning (a JPEG cut short), or
// warn and then fail. The loaders show nothing themselves: whoever loads decides whether and
// how to show the messages.
struct PictureMessage {
    std::string title;
    std::string text;
};

struct [[nodiscard]] LoadedPicture {
    DibSurface surface;  // without pixels when the file could not be loaded
    std::vector<PictureMessage> messages;

    bool Loaded() const { return surface.HasBits(); }
};

// Chooses the loader by the last four characters: ".bmp", ".jpg" (any case), else the picture
// decoder (none: such files fail quietly).
LoadedPicture LoadImageFile(const char* pszPath, PictureDecoder* pDecoder);
// The name suffixes of every picture file LoadImageFile reads: its own loaders' and the
// decoder's (lower case, without the dot).
std::vector<std::string> ReadablePictureSuffixes(PictureDecoder* pDecoder);
LoadedPicture LoadBmpFile(const char* pszPath);
LoadedPicture LoadJpegFile(const char* pszPath);
LoadedPicture LoadPictureFile(const char* pszPath, PictureDecoder* pDecoder);
