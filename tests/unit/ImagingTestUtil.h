#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

// Reading and writing surface pixels by (x, y) from the top-left corner, for the tests.
namespace testutil {

inline uint8_t* PixelAt(DibSurface& s, int x, int y) {
    const int bytes = s.GetBitCount() / 8;
    return s.Bits() + static_cast<size_t>(s.GetHeight() - 1 - y) * s.GetRowStride() +
           static_cast<size_t>(x) * bytes;
}

inline COLORREF Get(DibSurface& s, int x, int y) {
    const uint8_t* p = PixelAt(s, x, y);
    return RGB(p[2], p[1], p[0]);
}

inline void Set(DibSurface& s, int x, int y, COLORREF c) {
    uint8_t* p = PixelAt(s, x, y);
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
}

inline void Fill(DibSurface& s, COLORREF c) {
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            Set(s, x, y, c);
        }
    }
}

// A colour that tells each pixel of a picture up to 256 x 256 apart.
inline COLORREF Coded(int x, int y) {
    return RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77);
}

inline void FillCoded(DibSurface& s) {
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            Set(s, x, y, Coded(x, y));
        }
    }
}

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool operator==(const Box&) const = default;
};

// The smallest rectangle holding every pixel of colour c; empty when there is none.
inline Box BoundingBox(DibSurface& s, COLORREF c) {
    Box box{s.GetWidth(), s.GetHeight(), 0, 0};
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            if (Get(s, x, y) == c) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    }
    return box.right == 0 ? Box{} : box;
}

inline int Count(DibSurface& s, COLORREF c) {
    int n = 0;
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            n += Get(s, x, y) == c ? 1 : 0;
        }
    }
    return n;
}

// A platform picture of one colour (0xAARRGGBB).
inline PlatformImage SolidImage(int w, int h, uint32_t argb) {
    PlatformImage image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), argb);
    return image;
}

}  // namespace testutil
