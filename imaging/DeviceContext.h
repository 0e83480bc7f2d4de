#pragma once

#include <cstdint>
#include <memory>

#include "imaging/GdiTypes.h"

// A pixel buffer that a device context draws into: 24-bit (blue, green, red) or 32-bit (blue,
// green, red, unused) pixels, rows bottom-up or top-down. A screen surface's DIB section is
// one; the window's paint image (top-down, 32-bit) is another.
struct PixelTarget {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one row in memory to the next
    int bitCount = 0;
    bool bottomUp = true;

    bool IsDrawable() const {
        return bits != nullptr && width > 0 && height > 0 && (bitCount == 24 || bitCount == 32);
    }
    uint8_t* Row(int y) const {
        return bits + static_cast<ptrdiff_t>(bottomUp ? height - 1 - y : y) * stride;
    }
};

// Frees a pixel buffer from AllocatePixels.
struct DibBitsDeleter {
    size_t mapped = 0;  // bytes mapped for a large buffer; 0 for one from calloc
    void operator()(uint8_t* p) const;
};
using PixelBuffer = std::unique_ptr<uint8_t, DibBitsDeleter>;

// A zero-filled pixel buffer; null when memory runs out. Large buffers are mapped in huge
// pages where the system allows it: a screen-sized buffer is then a few dozen page faults
// instead of thousands, which on virtual machines costs more than decoding a picture into it.
PixelBuffer AllocatePixels(size_t bytes);

// The memory behind a surface: its pixel buffer, with the header and colour table it was
// created with. Drawing from a device context (BitBlt, StretchBlt) uses this table, fixed at
// creation; drawing from the pixel buffer (StretchDIBits) uses whatever header it is handed.
class DibSection {
public:
    // Null when the header describes no drawable bitmap or memory runs out. The pixels are
    // zero-filled.
    static std::unique_ptr<DibSection> Create(const BITMAPINFO& info);

    uint8_t* Bits() const { return m_pBits.get(); }
    const BITMAPINFO& Info() const { return m_info; }
    PixelTarget Target() const;

private:
    DibSection() = default;
    BITMAPINFO m_info{};
    PixelBuffer m_pBits;
};

struct Pen {
    COLORREF color = RGB(0, 0, 0);
    bool null = false;
};

struct Brush {
    COLORREF color = RGB(255, 255, 255);
    bool null = false;
};

// Stands in for a GDI device context: a target bitmap, a viewport origin, a stretch mode and
// the selected pen and brush, with the drawing calls the program uses. Coordinates are
// logical; the viewport origin is added to reach device pixels, (0, 0) at the top left.
// Everything drawn is clipped to the target.
class DeviceContext {
public:
    DeviceContext() = default;
    explicit DeviceContext(const PixelTarget& target) : m_target(target) {}

    // Selects a DIB section as the target; returns the one selected before (null at first).
    DibSection* SelectBitmap(DibSection* pSection);
    DibSection* SelectedBitmap() const { return m_pSection; }
    const PixelTarget& Target() const { return m_target; }

    void SetViewportOrg(int x, int y) {
        m_viewportX = x;
        m_viewportY = y;
    }
    // Every transfer drops what a reduction leaves out (COLORONCOLOR) whatever the mode, so
    // the mode is not kept; the callers still ask for it, as they would of any device.
    static int SetStretchBltMode(int /*nMode*/) { return COLORONCOLOR; }

    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    const Pen& CurrentPen() const { return m_pen; }

    void MoveTo(int x, int y);
    // A line from the current position up to, not including, (x, y), in the pen's colour.
    void LineTo(int x, int y);
    // Outline with the pen on the rectangle's border pixels (left..right-1, top..bottom-1),
    // inside filled with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void FillSolidRect(int left, int top, int right, int bottom, COLORREF color);

    // Draws sw x sh pixels at (sx, sy) of the picture described by info and bits (sy counted
    // from the picture's top row) into dw x dh pixels at (x, y). Nearest-neighbour: destination
    // column i (0-based within dw) takes source column sx + (2i + 1) * sw / (2 dw), the source
    // pixel under the destination pixel's centre; rows likewise. 1-, 4- and 8-bit pixels go
    // through info's colour table, 16-bit as 5-5-5 (or BI_BITFIELDS masks), 24-bit as blue,
    // green, red, 32-bit as blue, green, red, unused (or masks). Returns the number of
    // destination rows drawn, 0 when nothing could be drawn.
    int StretchDIBits(int x, int y, int dw, int dh, int sx, int sy, int sw, int sh,
                      const uint8_t* bits, const BITMAPINFO& info);

    // Copies from another device context's selected bitmap through that bitmap's own table.
    bool BitBlt(int x, int y, int w, int h, const DeviceContext& src, int sx, int sy);
    bool StretchBlt(int x, int y, int dw, int dh, const DeviceContext& src, int sx, int sy, int sw,
                    int sh);

private:
    void PutPixel(int x, int y, COLORREF color);
    void FillDeviceRect(int left, int top, int right, int bottom, COLORREF color);

    PixelTarget m_target;
    DibSection* m_pSection = nullptr;
    int m_viewportX = 0;
    int m_viewportY = 0;
    Pen m_pen;
    Brush m_brush;
    int m_curX = 0;
    int m_curY = 0;
};

// Bytes of one row of a bitmap, padded to four bytes; 0 when that does not fit in an int.
int64_t DibRowStride(int64_t width, int64_t bitCount);
