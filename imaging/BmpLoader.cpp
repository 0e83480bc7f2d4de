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
    uint8_t raw[124] = {};    // the info header as it lies in the file
    // Derived once the header is read.
    bool topDown = false;
    bool rle = false;
    int64_t rows = 0;
    uint32_t paletteEntries = 0, fullPalette = 0;
    uint64_t pixelOffset = 0;  // where the rows begin
};

// One file being read, and what the user is to be told about it.
struct BmpReader {
    InputFile file;
    const char* pszPath;
    std::vector<PictureMessage>& messages;

    // Exactly n bytes, or false (with the reason when the system gave one).
    bool Read(void* pBuffer, size_t n) {
        return ReadBlock(file, pBuffer, n, pszPath, messages) == 1;
    }
};

// Writes the pixels an RLE stream describes into bottom-up 8- or 4-bit rows.
struct RleWriter {
    uint8_t* pBits;
    int nWidth, nHeight;
    size_t stride;
    bool bNibbles;
    int x = 0, y = 0;  // y counts rows from the bottom, as they are stored

    void Put(int index) {
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
    }
    // The kth pixel of a byte: RLE4 holds two, the high nibble first.
    int Pixel(uint8_t b, int k) const { return bNibbles ? ((k & 1) ? b & 0x0F : b >> 4) : b; }
};

// Decodes RLE8 (nibbles = false) or RLE4 data into bottom-up 8- or 4-bit rows. False when the
// data ends before the end-of-bitmap code.
bool DecodeRle(const uint8_t* pData, size_t nData, RleWriter out) {
    size_t i = 0;
    while (i + 1 < nData) {
        const uint8_t count = pData[i], value = pData[i + 1];
        i += 2;
        if (count > 0) {  // a run: count pixels of value (RLE4: the two nibbles alternate)
            for (int k = 0; k < count; ++k) {
                out.Put(out.Pixel(value, k));
            }
        } else if (value == 0) {  // end of line
            out.x = 0;
            ++out.y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (i + 1 >= nData) {
                return false;
            }
            out.x += pData[i];
            out.y += pData[i + 1];
            i += 2;
        } else {  // absolute: value literal pixels, padded to a 16-bit boundary
            const size_t bytes = out.bNibbles ? (value + 1u) / 2 : value;
            if (i + bytes > nData) {
                return false;
            }
            for (int k = 0; k < value; ++k) {
                out.Put(out.Pixel(pData[i + (out.bNibbles ? k / 2 : k)], k));
            }
            i += (bytes + 1) & ~size_t{1};
        }
        if (out.y >= out.nHeight) {
            return true;  // everything past the top row is outside the picture
        }
    }
    return false;
}

// The 14-byte file header: "BM" and where it says the rows are.
bool ReadFileHeader(BmpReader& reader, uint32_t& dwPixelOffset) {
    uint8_t fileHeader[14];
    if (!reader.Read(fileHeader, sizeof(fileHeader)) || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M') {
        return false;
    }
    dwPixelOffset = U32(fileHeader + 10);
    return true;
}

// The info header, its size first, then the bit-field masks (inside a header of 52 bytes or
// more, else right after it). False for a layout this loader does not read.
bool ReadInfoHeader(BmpReader& reader, BmpInfo& info) {
    uint8_t* header = info.raw;
    if (!reader.Read(header, 4)) {
        return false;
    }
    info.headerSize = U32(header);
    if (info.headerSize != 12 && (info.headerSize < 40 || info.headerSize > sizeof(info.raw))) {
        return false;
    }
    if (!reader.Read(header + 4, info.headerSize - 4)) {
        return false;
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
    info.topDown = info.height < 0;
    info.rows = info.topDown ? -int64_t{info.height} : info.height;
    const uint32_t c = info.compression;
    info.rle = c == BI_RLE8 || c == BI_RLE4;
    const bool bValid = (c == BI_RGB) || (c == BI_RLE8 && info.bitCount == 8) ||
                        (c == BI_RLE4 && info.bitCount == 4) ||
                        ((c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) &&
                         (info.bitCount == 16 || info.bitCount == 32));
    if (!bValid || (info.rle && info.topDown) ||
        !IsSupportedSurfaceSize(info.width, info.rows, info.bitCount)) {
        return false;
    }
    info.pixelOffset = 14 + uint64_t{info.headerSize};
    if (c != BI_BITFIELDS && c != BI_ALPHABITFIELDS) {
        return true;
    }
    info.hasMasks = true;
    const uint8_t* masks = header + 40;
    uint8_t following[16];
    if (info.headerSize < 52) {
        const size_t nMaskBytes = c == BI_ALPHABITFIELDS ? 16 : 12;
        if (!reader.Read(following, nMaskBytes)) {
            return false;
        }
        masks = following;
        info.pixelOffset += nMaskBytes;
    }
    for (int k = 0; k < 3; ++k) {
        info.masks[k] = U32(masks + 4 * k);
    }
    return true;
}

// The palette: as many entries as the header says are used, at most the depth's full set, of
// 3 bytes (12-byte header) or 4.
bool ReadColorTable(BmpReader& reader, BmpInfo& info, std::vector<uint8_t>& palette) {
    info.fullPalette = info.bitCount <= 8 ? (1u << info.bitCount) : 0;
    info.paletteEntries = info.colorsUsed > 0 && info.colorsUsed < info.fullPalette
                              ? info.colorsUsed
                              : info.fullPalette;
    palette.resize(static_cast<size_t>(info.paletteEntries) * (info.coreHeader ? 3 : 4));
    if (!palette.empty() && !reader.Read(palette.data(), palette.size())) {
        return false;
    }
    info.pixelOffset += palette.size();
    return true;
}

// The surface's header and colour table from the file's; the classic layout's 40 bytes are
// taken as they are.
void DescribeSurface(DibSurface& surface, const BmpInfo& info, bool bClassic,
                     const std::vector<uint8_t>& palette) {
    BITMAPINFOHEADER& h = surface.Info()->bmiHeader;
    if (bClassic) {
        std::memcpy(&h, info.raw, sizeof(BITMAPINFOHEADER));
    } else {
        h.biXPelsPerMeter = info.xPelsPerMeter;
        h.biYPelsPerMeter = info.yPelsPerMeter;
        h.biClrUsed = info.rle ? 0 : info.colorsUsed;
    }
    std::memset(surface.Info()->bmiColors, 0, sizeof(surface.Info()->bmiColors));
    const size_t nEntrySize = info.coreHeader ? 3 : 4;
    for (uint32_t k = 0; k < info.paletteEntries; ++k) {
        const uint8_t* p = palette.data() + static_cast<size_t>(k) * nEntrySize;
        surface.Info()->bmiColors[k] = RGBQUAD{p[0], p[1], p[2], 0};
    }
    if (info.hasMasks) {
        h.biCompression = BI_BITFIELDS;
        std::memcpy(surface.Info()->bmiColors, info.masks, sizeof(info.masks));
    }
}

// The rows, as they lie (turned bottom-up) or decompressed.
bool ReadPixelData(BmpReader& reader, DibSurface& surface, const BmpInfo& info) {
    if (!reader.file.Seek(info.pixelOffset)) {
        return false;
    }
    const size_t nImage = static_cast<size_t>(surface.GetImageSize());
    if (!info.rle) {
        if (!reader.Read(surface.Bits(), nImage)) {
            return false;
        }
        if (info.topDown) {
            surface.FlipRows();
        }
        return true;
    }
    // Compressed rows: the rest of the file, within what a picture of this size could need.
    const uint64_t nLength = reader.file.Length();
    const uint64_t nAvailable = nLength - std::min<uint64_t>(info.pixelOffset, nLength);
    const size_t nData = static_cast<size_t>(std::min<uint64_t>(
        nAvailable, std::min<uint64_t>(2 * uint64_t{nImage} + 4096, MAX_SURFACE_BYTES)));
    std::vector<uint8_t> data(nData);
    if (nData > 0 && !reader.Read(data.data(), nData)) {
        return false;
    }
    BITMAPINFOHEADER& h = surface.Info()->bmiHeader;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<uint32_t>(nImage);
    return DecodeRle(
        data.data(), nData,
        RleWriter{surface.Bits(), info.width, static_cast<int>(info.rows),
                  static_cast<size_t>(surface.GetRowStride()), info.compression == BI_RLE4});
}

}  // namespace

LoadedPicture LoadBmpFile(const char* pszPath) {
    LoadedPicture result;
    BmpReader reader{InputFile(pszPath), pszPath, result.messages};
    BmpInfo info;
    std::vector<uint8_t> palette;
    uint32_t dwPixelOffset = 0;
    if (!reader.file.IsOpen() || !ReadFileHeader(reader, dwPixelOffset) ||
        !ReadInfoHeader(reader, info) || !ReadColorTable(reader, info, palette)) {
        return Failed(std::move(result));
    }
    // The classic layout is read where counting puts the rows; other layouts where the file
    // header says they are, when that is a sensible place.
    const bool bClassic = info.headerSize == 40 && info.compression == BI_RGB && !info.topDown &&
                          (info.bitCount > 8 || info.paletteEntries == info.fullPalette);
    if (!bClassic && dwPixelOffset >= info.pixelOffset && dwPixelOffset < reader.file.Length()) {
        info.pixelOffset = dwPixelOffset;
    }
    // A file that holds fewer rows than its header promises is not loaded; this is known
    // before any memory is taken for the picture.
    const uint64_t nImageBytes = static_cast<uint64_t>(DibRowStride(info.width, info.bitCount)) *
                                 static_cast<uint64_t>(info.rows);
    if (!info.rle && info.pixelOffset + nImageBytes > reader.file.Length()) {
        return Failed(std::move(result));
    }
    if (!result.surface.Create(info.width, static_cast<int>(info.rows), info.bitCount)) {
        return Failed(std::move(result));
    }
    DescribeSurface(result.surface, info, bClassic, palette);
    if (!ReadPixelData(reader, result.surface, info)) {
        return Failed(std::move(result));
    }
    return result;
}
