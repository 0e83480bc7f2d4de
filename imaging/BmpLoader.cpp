// Reading BMP files into a surface. The classic layout (14-byte file header, 40-byte info
// header, full palette, bottom-up rows right after it) is read exactly as it lies; the other
// layouts that common tools write are read as well: top-down rows, the 12-, 108- and 124-byte
// headers, bit-field masks, short palettes, RLE4 and RLE8. Every read is bounded by the file.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/FileInput.h"
#include "imaging/PictureFile.h"
#include "imaging/SurfaceLimits.h"

namespace {

constexpr uint32_t BI_ALPHABITFIELDS = 6;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// A file that exists but cannot be read: the reason, for a message box.
PictureMessage ReadError(const char* pszPath, int nError) {
    std::string strText = "An error occurred while reading ";
    strText += pszPath;
    if (nError != 0) {
        strText += ": ";
        strText += std::strerror(nError);
    }
    strText += '.';
    return {"Velvetfade", strText};
}

// Reads exactly n bytes at the current position: 1 done, 0 short (no message), -1 read error
// (its reason added to messages).
int ReadBlock(InputFile& file, void* pBuffer, size_t n, const char* pszPath,
              std::vector<PictureMessage>& messages) {
    if (file.ReadExactly(pBuffer, n)) {
        return 1;
    }
    if (errno != 0) {
        messages.push_back(ReadError(pszPath, errno));
        return -1;
    }
    return 0;
}

LoadedPicture Failed(LoadedPicture&& result) {
    result.surface.Release();
    return std::move(result);
}

struct BmpInfo {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    uint32_t masks[3] = {};
    bool hasMasks = false;
    bool coreHeader = false;  // the 12-byte header of OS/2 and Windows 2
};

// Decodes RLE8 (nibbles = false) or RLE4 data into bottom-up 8- or 4-bit rows. False when the
// data ends before the end-of-bitmap code.
bool DecodeRle(const uint8_t* pData, size_t nData, bool bNibbles, uint8_t* pBits, int nWidth,
               int nHeight, size_t stride) {
    size_t i = 0;
    int x = 0, y = 0;  // y counts rows from the bottom, as they are stored
    auto put = [&](int index) {
        if (x < nWidth && y < nHeight) {
            uint8_t* pRow = pBits + static_cast<size_t>(y) * stride;
            if (bNibbles) {
                uint8_t& b = pRow[x >> 1];
                b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                            : static_cast<uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
            } else {
                pRow[x] = static_cast<uint8_t>(index);
            }
        }
        ++x;
    };
    while (i + 1 < nData) {
        const uint8_t count = pData[i], value = pData[i + 1];
        i += 2;
        if (count > 0) {
            // A run: count pixels of value (RLE4: the two nibbles alternate).
            for (int k = 0; k < count; ++k) {
                put(bNibbles ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta
                if (i + 1 >= nData) {
                    return false;
                }
                x += pData[i];
                y += pData[i + 1];
                i += 2;
                break;
            default: {  // absolute: value literal pixels, padded to a 16-bit boundary
                const size_t bytes = bNibbles ? (value + 1u) / 2 : value;
                if (i + bytes > nData) {
                    return false;
                }
                for (int k = 0; k < value; ++k) {
                    const uint8_t b = pData[i + (bNibbles ? k / 2 : k)];
                    put(bNibbles ? ((k & 1) ? b & 0x0F : b >> 4) : b);
                }
                i += (bytes + 1) & ~size_t{1};
                break;
            }
        }
        if (y >= nHeight) {
            return true;  // everything past the top row is outside the picture
        }
    }
    return false;
}

}  // namespace

LoadedPicture LoadBmpFile(const char* pszPath) {
    LoadedPicture result;
    DibSurface& surface = result.surface;
    InputFile file(pszPath);
    if (!file.IsOpen()) {
        return Failed(std::move(result));
    }
    uint8_t fileHeader[14];
    if (ReadBlock(file, fileHeader, sizeof(fileHeader), pszPath, result.messages) != 1 ||
        fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        return Failed(std::move(result));
    }
    const uint32_t dwPixelOffset = U32(fileHeader + 10);

    // The info header: its size first, then the rest of it.
    uint8_t header[124] = {};
    if (ReadBlock(file, header, 4, pszPath, result.messages) != 1) {
        return Failed(std::move(result));
    }
    BmpInfo info;
    info.headerSize = U32(header);
    if (info.headerSize != 12 && (info.headerSize < 40 || info.headerSize > sizeof(header))) {
        return Failed(std::move(result));
    }
    if (ReadBlock(file, header + 4, info.headerSize - 4, pszPath, result.messages) != 1) {
        return Failed(std::move(result));
    }
    if (info.headerSize == 12) {
        info.coreHeader = true;
        info.width = U16(header + 4);
        info.height = static_cast<int16_t>(U16(header + 6));
        info.bitCount = U16(header + 10);
    } else {
        info.width = static_cast<int32_t>(U32(header + 4));
        info.height = static_cast<int32_t>(U32(header + 8));
        info.bitCount = U16(header + 14);
        info.compression = U32(header + 16);
        info.xPelsPerMeter = static_cast<int32_t>(U32(header + 24));
        info.yPelsPerMeter = static_cast<int32_t>(U32(header + 28));
        info.colorsUsed = U32(header + 32);
    }

    const bool bTopDown = info.height < 0;
    const int64_t nRows = bTopDown ? -int64_t{info.height} : info.height;
    const uint32_t c = info.compression;
    const bool bRle = c == BI_RLE8 || c == BI_RLE4;
    const bool bValid = (c == BI_RGB) || (c == BI_RLE8 && info.bitCount == 8) ||
                        (c == BI_RLE4 && info.bitCount == 4) ||
                        ((c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) &&
                         (info.bitCount == 16 || info.bitCount == 32));
    if (!bValid || (bRle && bTopDown) ||
        !IsSupportedSurfaceSize(info.width, nRows, info.bitCount)) {
        return Failed(std::move(result));
    }

    // Bit-field masks: inside a header of 52 bytes or more, else right after it.
    uint64_t offset = 14 + uint64_t{info.headerSize};
    if (c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) {
        info.hasMasks = true;
        if (info.headerSize >= 52) {
            for (int k = 0; k < 3; ++k) {
                info.masks[k] = U32(header + 40 + 4 * k);
            }
        } else {
            const size_t nMaskBytes = c == BI_ALPHABITFIELDS ? 16 : 12;
            uint8_t masks[16];
            if (ReadBlock(file, masks, nMaskBytes, pszPath, result.messages) != 1) {
                return Failed(std::move(result));
            }
            for (int k = 0; k < 3; ++k) {
                info.masks[k] = U32(masks + 4 * k);
            }
            offset += nMaskBytes;
        }
    }

    // The palette: as many entries as the header says are used, at most the depth's full set.
    const uint32_t nFullPalette = info.bitCount <= 8 ? (1u << info.bitCount) : 0;
    const uint32_t nEntries =
        info.colorsUsed > 0 && info.colorsUsed < nFullPalette ? info.colorsUsed : nFullPalette;
    const uint32_t nEntrySize = info.coreHeader ? 3 : 4;
    std::vector<uint8_t> palette(static_cast<size_t>(nEntries) * nEntrySize);
    if (!palette.empty() &&
        ReadBlock(file, palette.data(), palette.size(), pszPath, result.messages) != 1) {
        return Failed(std::move(result));
    }
    offset += palette.size();

    // The classic layout is read where counting puts the rows; other layouts where the file
    // header says they are, when that is a sensible place.
    const bool bClassic = info.headerSize == 40 && c == BI_RGB && !bTopDown &&
                          (info.bitCount > 8 || nEntries == nFullPalette);
    if (!bClassic && dwPixelOffset >= offset && dwPixelOffset < file.Length()) {
        offset = dwPixelOffset;
    }

    // A file that holds fewer rows than its header promises is not loaded; this is known
    // before any memory is taken for the picture.
    const uint64_t nImageBytes = static_cast<uint64_t>(DibRowStride(info.width, info.bitCount)) *
                                 static_cast<uint64_t>(nRows);
    if (!bRle && offset + nImageBytes > file.Length()) {
        return Failed(std::move(result));
    }
    if (!surface.Create(info.width, static_cast<int>(nRows), info.bitCount)) {
        return Failed(std::move(result));
    }
    BITMAPINFOHEADER& h = surface.Info()->bmiHeader;
    if (bClassic) {
        // The file's own 40 bytes become the surface's header.
        std::memcpy(&h, header, sizeof(BITMAPINFOHEADER));
    } else {
        h.biXPelsPerMeter = info.xPelsPerMeter;
        h.biYPelsPerMeter = info.yPelsPerMeter;
        h.biClrUsed = bRle ? 0 : info.colorsUsed;
    }
    std::memset(surface.Info()->bmiColors, 0, sizeof(surface.Info()->bmiColors));
    for (uint32_t k = 0; k < nEntries; ++k) {
        const uint8_t* p = palette.data() + static_cast<size_t>(k) * nEntrySize;
        surface.Info()->bmiColors[k] = RGBQUAD{p[0], p[1], p[2], 0};
    }
    if (info.hasMasks) {
        h.biCompression = BI_BITFIELDS;
        std::memcpy(surface.Info()->bmiColors, info.masks, sizeof(info.masks));
    }

    if (!file.Seek(offset)) {
        return Failed(std::move(result));
    }
    const size_t nImage = static_cast<size_t>(surface.GetImageSize());
    if (!bRle) {
        if (ReadBlock(file, surface.Bits(), nImage, pszPath, result.messages) != 1) {
            return Failed(std::move(result));
        }
        if (bTopDown) {
            surface.FlipRows();
        }
        return result;
    }

    // Compressed rows: the rest of the file, within what a picture of this size could need.
    const uint64_t nAvailable = file.Length() - std::min<uint64_t>(offset, file.Length());
    const size_t nData = static_cast<size_t>(std::min<uint64_t>(
        nAvailable, std::min<uint64_t>(2 * uint64_t{nImage} + 4096, MAX_SURFACE_BYTES)));
    std::vector<uint8_t> data(nData);
    if (nData > 0 && ReadBlock(file, data.data(), nData, pszPath, result.messages) != 1) {
        return Failed(std::move(result));
    }
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<uint32_t>(nImage);
    if (!DecodeRle(data.data(), nData, c == BI_RLE4, surface.Bits(), info.width,
                   static_cast<int>(nRows), static_cast<size_t>(surface.GetRowStride()))) {
        return Failed(std::move(result));
    }
    return result;
}
