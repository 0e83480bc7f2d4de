// Every picture that is neither .bmp nor .jpg goes to the platform's picture decoder (GIF,
// PNG and whatever else it reads), and is sized by the HIMETRIC rule at the screen's DPI.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/FileInput.h"
#include "imaging/PictureFile.h"
#include "imaging/SurfaceLimits.h"

namespace {

// No picture file of sensible size comes near this; larger ones are not read at all.
constexpr uint64_t MAX_PICTURE_FILE_BYTES = uint64_t{256} << 20;

// Picture services measure pixel pictures in HIMETRIC (0.01 mm) at 96 pixels per inch.
constexpr int64_t HIMETRIC_PER_INCH = 2540;
constexpr int64_t PICTURE_DPI = 96;

int64_t PixelsToHimetric(int64_t pixels) {
    return (pixels * HIMETRIC_PER_INCH + PICTURE_DPI / 2) / PICTURE_DPI;
}

// Transparent and translucent parts are shown over black.
void CompositeOverBlack(PlatformImage& image) {
    for (uint32_t& pixel : image.pixels) {
        const uint32_t alpha = pixel >> 24;
        if (alpha == 255) {
            continue;
        }
        auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
        pixel = 0xFF000000u | (scale((pixel >> 16) & 0xFF) << 16) |
                (scale((pixel >> 8) & 0xFF) << 8) | scale(pixel & 0xFF);
    }
}

}  // namespace

int PictureSizeAtDpi(int64_t nPixels, int nDpi) {
    const int64_t himetric = PixelsToHimetric(nPixels);
    const int64_t size = (nDpi * himetric + HIMETRIC_PER_INCH / 2) / HIMETRIC_PER_INCH;
    return size > 0 && size <= MAX_SURFACE_SIDE ? static_cast<int>(size) : 0;
}

LoadedPicture LoadPictureFile(const char* pszPath, PictureDecoder* pDecoder) {
    LoadedPicture result;
    DibSurface& surface = result.surface;
    InputFile file(pszPath);
    if (pDecoder == nullptr || !file.IsOpen() || file.Length() == 0 ||
        file.Length() > MAX_PICTURE_FILE_BYTES) {
        return result;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.Length()));
    if (!file.ReadExactly(bytes.data(), bytes.size())) {
        return result;
    }
    std::optional<PlatformImage> image = pDecoder->Decode(bytes);
    if (!image || !image->IsValid() || int64_t{image->width} * image->height > MAX_PICTURE_PIXELS) {
        return result;
    }
    const int nWidth = PictureSizeAtDpi(image->width, pDecoder->LogicalDpiX());
    const int nHeight = PictureSizeAtDpi(image->height, pDecoder->LogicalDpiY());
    if (!surface.Create(nWidth, nHeight, 24)) {
        surface.Release();
        return result;
    }
    CompositeOverBlack(*image);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image->width;
    info.bmiHeader.biHeight = -image->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    surface.MemDC()->SetViewportOrg(0, 0);
    surface.MemDC()->SetStretchBltMode(COLORONCOLOR);
    surface.MemDC()->StretchDIBits(0, 0, nWidth, nHeight, 0, 0, image->width, image->height,
                                   reinterpret_cast<const uint8_t*>(image->pixels.data()), info);
    return result;
}

std::vector<std::string> ReadablePictureSuffixes(PictureDecoder* pDecoder) {
    // A .dib is a BMP too; the decoder reads it by its content.
    std::vector<std::string> suffixes{"bmp", "jpg"};
    if (pDecoder != nullptr) {
        suffixes.emplace_back("dib");
        for (std::string& suffix : pDecoder->FileSuffixes()) {
            if (std::find(suffixes.begin(), suffixes.end(), suffix) == suffixes.end()) {
                suffixes.push_back(std::move(suffix));
            }
        }
    }
    return suffixes;
}

LoadedPicture LoadImageFile(const char* pszPath, PictureDecoder* pDecoder) {
    if (pszPath == nullptr) {
        return {};
    }
    // The loader follows the last four characters, in any case. A shorter path has no
    // extension to go by: the picture decoder, which looks at the content, takes it.
    const size_t nLength = std::strlen(pszPath);
    if (nLength >= 4) {
        char szExtension[5] = {};
        for (int i = 0; i < 4; ++i) {
            const char ch = pszPath[nLength - 4 + i];
            szExtension[i] = (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
        }
        if (std::strcmp(szExtension, ".bmp") == 0) {
            return LoadBmpFile(pszPath);
        }
        if (std::strcmp(szExtension, ".jpg") == 0) {
            return LoadJpegFile(pszPath);
        }
    }
    return LoadPictureFile(pszPath, pDecoder);
}
