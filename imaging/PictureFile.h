#pragma once

#include <optional>
#include <string>

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

// What a picture file gave: the picture, and what the user is to be told about the file. A
// file can fail without a word (not a picture of that kind), fail with a reason (a read error,
// a JPEG the library gives up on), or load with a warning (a JPEG cut short). The loaders show
// nothing themselves: whoever loads decides whether and how to show the message.
struct PictureMessage {
    std::string title;
    std::string text;
};

struct LoadedPicture {
    DibSurface surface;  // without pixels when the file could not be loaded
    std::optional<PictureMessage> message;

    bool Loaded() const { return surface.HasBits(); }
};

// Chooses the loader by the last four characters: ".bmp", ".jpg" (any case), else the picture
// decoder (none: such files fail quietly).
LoadedPicture LoadImageFile(const char* pszPath, PictureDecoder* pDecoder);
LoadedPicture LoadBmpFile(const char* pszPath);
LoadedPicture LoadJpegFile(const char* pszPath);
LoadedPicture LoadPictureFile(const char* pszPath, PictureDecoder* pDecoder);
