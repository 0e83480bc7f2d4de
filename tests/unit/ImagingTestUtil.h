#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

// Surface pixels by (x, y) from the top-left corner, for the tests.
namespace testutil {

inline COLORREF Get(DibSurface& s, int x, int y) {
    const uint8_t* p = s.Bits() + static_cast<size_t>(s.GetHeight() - 1 - y) * s.GetRowStride() +
                       static_cast<size_t>(x) * 3;
    return RGB(p[2], p[1], p[0]);
}

// Paints every pixel of a 24-bit surface with color(x, y).
inline void Fill(DibSurface& s, const std::function<COLORREF(int, int)>& color) {
    for (int y = 0; y < s.GetHeight(); ++y) {
        uint8_t* p = s.Bits() + static_cast<size_t>(s.GetHeight() - 1 - y) * s.GetRowStride();
        for (int x = 0; x < s.GetWidth(); ++x, p += 3) {
            const COLORREF c = color(x, y);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
}

// A colour that tells each pixel of a picture up to 256 x 256 apart.
inline COLORREF Coded(int x, int y) {
    return RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77);
}

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool operator==(const Box&) const = default;
};

// The smallest rectangle holding every pixel of colour c, and how many there are.
inline Box BoundingBox(DibSurface& s, COLORREF c, int* pCount = nullptr) {
    Box box{s.GetWidth(), s.GetHeight(), 0, 0};
    int n = 0;
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            if (Get(s, x, y) == c) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
                ++n;
            }
        }
    }
    if (pCount != nullptr) {
        *pCount = n;
    }
    return n == 0 ? Box{} : box;
}

inline int Count(DibSurface& s, COLORREF c) {
    int n = 0;
    BoundingBox(s, c, &n);
    return n;
}

// Decodes any file to a fixed picture (none until one is given) and records what it was given.
class FakeDecoder : public PictureDecoder {
public:
    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override {
        decoded.push_back(bytes);
        return picture;
    }
    std::vector<std::string> FileSuffixes() override { return {"png"}; }
    int LogicalDpiX() override { return dpiX; }
    int LogicalDpiY() override { return dpiY; }
    std::optional<PlatformImage> picture;
    std::vector<std::vector<uint8_t>> decoded;
    int dpiX = 96, dpiY = 96;
};

// A window's pixels: 32-bit, top-down, rows of `stride` pixels.
struct WindowImage {
    std::vector<uint8_t> bits;
    PixelTarget target;
    WindowImage(int w, int h, int stride = 0, uint8_t fill = 0)
        : bits(static_cast<size_t>(std::max(stride, w)) * h * 4, fill) {
        target.bits = bits.data();
        target.width = w;
        target.height = h;
        target.stride = std::max(stride, w) * 4;
        target.bitCount = 32;
        target.bottomUp = false;
    }
    const uint8_t* Pixel(int x, int y) const {
        return &bits[static_cast<size_t>(y) * target.stride + static_cast<size_t>(x) * 4];
    }
    COLORREF At(int x, int y) const { return RGB(Pixel(x, y)[2], Pixel(x, y)[1], Pixel(x, y)[0]); }
};

}  // namespace testutil
