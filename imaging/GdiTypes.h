#pragma once

#include <cstdint>

// The few Windows bitmap types and constants the imaging code is written against. The layouts
// are those of the BMP file format, so headers can be read from and compared with files as
// they are.

using COLORREF = uint32_t;  // 0x00BBGGRR: red in the low byte

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) {
    return static_cast<uint8_t>(c);
}
constexpr uint8_t GetGValue(COLORREF c) {
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t GetBValue(COLORREF c) {
    return static_cast<uint8_t>(c >> 16);
}

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: rows stored bottom-up; negative: top-down
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

// A header followed by a full 256-entry colour table: the surface's header block. With
// BI_BITFIELDS the first three table entries hold the red, green and blue masks.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};
static_assert(sizeof(BITMAPINFO) == 1064);

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

// Stretch modes. Every transfer samples the nearest pixel whatever the mode; the mode is kept
// so that callers' settings can be seen.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Directions of FillGradation.
constexpr int GRADATION_TOP_TO_BOTTOM = 0;
constexpr int GRADATION_LEFT_TO_RIGHT = 1;
