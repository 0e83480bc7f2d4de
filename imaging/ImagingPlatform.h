#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A picture handed over by the platform: top-down rows of 0xAARRGGBB pixels, no padding.
struct PlatformImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool IsValid() const {
        return width > 0 && height > 0 &&
               pixels.size() == static_cast<size_t>(width) * static_cast<size_t>(height);
    }
};

// What the imaging code needs from the desktop it runs on.
class DesktopSource {
public:
    virtual ~DesktopSource() = default;
    // The desktop's contents from (x, y), width x height pixels, in the coordinates of the
    // whole desktop (every monitor); parts beyond the monitors are black. Nothing when the
    // screen cannot be read.
    virtual std::optional<PlatformImage> CaptureScreen(int x, int y, int width, int height) = 0;
    // The desktop background (wallpaper) at this size, without windows. Nothing when there is
    // no readable wallpaper.
    virtual std::optional<PlatformImage> DesktopPicture(int width, int height) = 0;
};

// The program's embedded pictures, by numeric id.
class BitmapResources {
public:
    virtual ~BitmapResources() = default;
    virtual std::optional<PlatformImage> LoadBitmap(unsigned id) = 0;
};

// Decodes picture files of any format the platform knows (GIF, PNG, ...).
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;
    // The first frame of the picture in the bytes, in its own pixels; nothing when the bytes
    // are not a picture this decoder reads or the picture is too large.
    virtual std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) = 0;
    // The name suffixes of the formats it reads, lower case, without the dot ("png", "webp").
    virtual std::vector<std::string> FileSuffixes() = 0;
    // The screen's logical pixels per inch.
    virtual int LogicalDpiX() = 0;
    virtual int LogicalDpiY() = 0;
};
