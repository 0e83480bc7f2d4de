#include "imaging/DeviceContext.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "imaging/PixelRows.h"
#include "imaging/SurfaceLimits.h"

namespace {
// Buffers from this size on are mapped, aligned to and advised for 2 MiB pages.
constexpr size_t LARGE_BUFFER_BYTES = size_t{2} << 20;
constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;
}  // namespace

int64_t DibRowStride(int64_t width, int64_t bitCount) {
    if (width < 0 || bitCount < 0 || width > std::numeric_limits<int32_t>::max() || bitCount > 64) {
        return 0;
    }
    const int64_t stride = ((width * bitCount + 31) / 32) * 4;
    return stride <= std::numeric_limits<int>::max() ? stride : 0;
}

// ---------------------------------------------------------------------------------------------
// DibSection

std::unique_ptr<DibSection> DibSection::Create(const BITMAPINFO& info) {
    const BITMAPINFOHEADER& h = info.bmiHeader;
    if (!IsSupportedSurfaceSize(h.biWidth, h.biHeight, h.biBitCount)) {
        return nullptr;
    }
    const int64_t size = DibRowStride(h.biWidth, h.biBitCount) * std::abs(int64_t{h.biHeight});
    std::unique_ptr<DibSection> pSection(new (std::nothrow) DibSection);
    if (!pSection) {
        return nullptr;
    }
    pSection->m_info = info;
    pSection->m_pBits = AllocatePixels(static_cast<size_t>(size));
    if (!pSection->m_pBits) {
        return nullptr;
    }
    return pSection;
}

PixelBuffer AllocatePixels(size_t bytes) {
    if (bytes >= LARGE_BUFFER_BYTES) {
        const size_t mapped = (bytes + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
        void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            return nullptr;
        }
        madvise(p, mapped, MADV_HUGEPAGE);
        return PixelBuffer(static_cast<uint8_t*>(p), DibBitsDeleter{mapped});
    }
    return PixelBuffer(static_cast<uint8_t*>(std::calloc(bytes, 1)));
}

void DibBitsDeleter::operator()(uint8_t* p) const {
    if (mapped != 0) {
        munmap(p, mapped);
    } else {
        std::free(p);
    }
}

PixelTarget DibSection::Target() const {
    const BITMAPINFOHEADER& h = m_info.bmiHeader;
    PixelTarget target;
    target.bits = m_pBits.get();
    target.width = h.biWidth;
    target.height = std::abs(h.biHeight);
    target.stride = static_cast<int>(DibRowStride(h.biWidth, h.biBitCount));
    target.bitCount = h.biBitCount;
    target.bottomUp = h.biHeight > 0;
    return target;
}

// ---------------------------------------------------------------------------------------------
// Reading source pixels

namespace {

// One colour channel held under a bit mask, widened to 8 bits by repeating its bits, so that a
// full-scale value gives 255.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static MaskChannel From(uint32_t mask) {
        MaskChannel c;
        c.mask = mask;
        if (mask != 0) {
            c.shift = std::countr_zero(mask);
            c.bits = std::bit_width(mask >> c.shift);
        }
        return c;
    }

    uint32_t Expand(uint32_t pixel) const {
        if (bits == 0) {
            return 0;
        }
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) {
            return (v >> (bits - 8)) & 0xFF;
        }
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits) {
            out = (out << bits) | v;
        }
        const int total = ((8 + bits - 1) / bits) * bits;
        return (out >> (total - 8)) & 0xFF;
    }
};

// How to read one picture's pixels as 0xFFRRGGBB.
struct SourceFormat {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool topDown = false;
    int64_t stride = 0;
    bool masked = false;
    MaskChannel red, green, blue;
    uint32_t palette[256] = {};

    bool Init(const BITMAPINFO& info) {
        const BITMAPINFOHEADER& h = info.bmiHeader;
        width = h.biWidth;
        if (h.biHeight == std::numeric_limits<int32_t>::min() || width <= 0 || h.biHeight == 0) {
            return false;
        }
        height = std::abs(h.biHeight);
        topDown = h.biHeight < 0;
        bitCount = h.biBitCount;
        stride = DibRowStride(width, bitCount);
        if (stride == 0) {
            return false;
        }
        switch (bitCount) {
            case 1:
            case 4:
            case 8:
                if (h.biCompression != BI_RGB) {
                    return false;
                }
                for (int i = 0; i < 256; ++i) {
                    const RGBQUAD& q = info.bmiColors[i];
                    palette[i] = 0xFF000000u | (uint32_t{q.rgbRed} << 16) |
                                 (uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
                }
                return true;
            case 16:
            case 32:
                if (h.biCompression == BI_BITFIELDS) {
                    uint32_t masks[3];
                    std::memcpy(masks, info.bmiColors, sizeof(masks));
                    red = MaskChannel::From(masks[0]);
                    green = MaskChannel::From(masks[1]);
                    blue = MaskChannel::From(masks[2]);
                    masked = true;
                } else if (h.biCompression == BI_RGB) {
                    masked = bitCount == 16;  // 16-bit BI_RGB is 5-5-5
                    red = MaskChannel::From(0x7C00);
                    green = MaskChannel::From(0x03E0);
                    blue = MaskChannel::From(0x001F);
                } else {
                    return false;
                }
                return true;
            case 24:
                return h.biCompression == BI_RGB;
            default:
                return false;
        }
    }

    const uint8_t* Row(const uint8_t* bits, int y) const {
        return bits + (topDown ? y : height - 1 - y) * stride;
    }

    uint32_t FromMasks(uint32_t pixel) const {
        return 0xFF000000u | (red.Expand(pixel) << 16) | (green.Expand(pixel) << 8) |
               blue.Expand(pixel);
    }

    uint32_t Pixel(const uint8_t* row, int x) const {
        switch (bitCount) {
            case 1:
                return palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
            case 4:
                return palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            case 8:
                return palette[row[x]];
            case 16: {
                const uint32_t v = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
                return FromMasks(v);
            }
            case 24: {
                const uint8_t* p = row + 3 * x;
                return 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            }
            default: {
                const uint8_t* p = row + 4 * x;
                if (masked) {
                    uint32_t v;
                    std::memcpy(&v, p, 4);
                    return FromMasks(v);
                }
                return 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            }
        }
    }

    // Fills out[i] with the pixel at column cols[i], or first + i when cols is null.
    void FetchRow(const uint8_t* row, const int* cols, int first, int count, uint32_t* out) const {
        if (cols == nullptr && bitCount == 24) {
            const uint8_t* p = row + 3 * first;
            for (int i = 0; i < count; ++i, p += 3) {
                out[i] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            }
            return;
        }
        for (int i = 0; i < count; ++i) {
            out[i] = Pixel(row, cols != nullptr ? cols[i] : first + i);
        }
    }
};

void StoreRow(const uint32_t* in, uint8_t* dst, int count, int bitCount) {
    if (bitCount == 32) {
        std::memcpy(dst, in, static_cast<size_t>(count) * 4);
        return;
    }
    for (int i = 0; i < count; ++i, dst += 3) {
        const uint32_t v = in[i];
        dst[0] = static_cast<uint8_t>(v);
        dst[1] = static_cast<uint8_t>(v >> 8);
        dst[2] = static_cast<uint8_t>(v >> 16);
    }
}

uint32_t ColorToPixel(COLORREF c) {
    return 0xFF000000u | (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) |
           GetBValue(c);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// DeviceContext

DibSection* DeviceContext::SelectBitmap(DibSection* pSection) {
    DibSection* pOld = m_pSection;
    m_pSection = pSection;
    m_target = pSection != nullptr ? pSection->Target() : PixelTarget{};
    return pOld;
}

Pen DeviceContext::SelectPen(const Pen& pen) {
    const Pen old = m_pen;
    m_pen = pen;
    return old;
}

Brush DeviceContext::SelectBrush(const Brush& brush) {
    const Brush old = m_brush;
    m_brush = brush;
    return old;
}

void DeviceContext::PutPixel(int x, int y, COLORREF color) {
    if (!m_target.IsDrawable() || x < 0 || y < 0 || x >= m_target.width || y >= m_target.height) {
        return;
    }
    const uint32_t pixel = ColorToPixel(color);
    StoreRow(&pixel, m_target.Row(y) + x * (m_target.bitCount / 8), 1, m_target.bitCount);
}

void DeviceContext::FillDeviceRect(int left, int top, int right, int bottom, COLORREF color) {
    if (!m_target.IsDrawable()) {
        return;
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_target.width);
    bottom = std::min(bottom, m_target.height);
    if (left >= right || top >= bottom) {
        return;
    }
    const int count = right - left;
    const int bytesPerPixel = m_target.bitCount / 8;
    std::vector<uint32_t> line(static_cast<size_t>(count), ColorToPixel(color));
    uint8_t* first = m_target.Row(top) + left * bytesPerPixel;
    StoreRow(line.data(), first, count, m_target.bitCount);
    for (int y = top + 1; y < bottom; ++y) {
        std::memcpy(m_target.Row(y) + left * bytesPerPixel, first,
                    static_cast<size_t>(count) * bytesPerPixel);
    }
}

void DeviceContext::MoveTo(int x, int y) {
    m_curX = x;
    m_curY = y;
}

void DeviceContext::LineTo(int x, int y) {
    if (!m_pen.null) {
        // Bresenham in 64 bits, so that no coordinate the caller passes can overflow.
        int64_t x0 = int64_t{m_curX} + m_viewportX, y0 = int64_t{m_curY} + m_viewportY;
        const int64_t x1 = int64_t{x} + m_viewportX, y1 = int64_t{y} + m_viewportY;
        const int64_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int64_t stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
        if (dy == 0 && y0 >= 0 && y0 < m_target.height) {
            // Horizontal: one span.
            const int64_t from = stepX > 0 ? x0 : x1 + 1, to = stepX > 0 ? x1 : x0 + 1;
            FillDeviceRect(static_cast<int>(std::clamp<int64_t>(from, -1, m_target.width)),
                           static_cast<int>(y0),
                           static_cast<int>(std::clamp<int64_t>(to, -1, m_target.width)),
                           static_cast<int>(y0) + 1, m_pen.color);
        } else if (dy != 0) {
            int64_t err = dx + dy;
            while (x0 != x1 || y0 != y1) {
                if (x0 >= 0 && y0 >= 0 && x0 < m_target.width && y0 < m_target.height) {
                    PutPixel(static_cast<int>(x0), static_cast<int>(y0), m_pen.color);
                }
                const int64_t e2 = 2 * err;
                if (e2 >= dy) {
                    err += dy;
                    x0 += stepX;
                }
                if (e2 <= dx) {
                    err += dx;
                    y0 += stepY;
                }
            }
        }
    }
    MoveTo(x, y);
}

void DeviceContext::Rectangle(int left, int top, int right, int bottom) {
    if (right < left) {
        std::swap(left, right);
    }
    if (bottom < top) {
        std::swap(top, bottom);
    }
    const int64_t l = int64_t{left} + m_viewportX, t = int64_t{top} + m_viewportY;
    const int64_t r = int64_t{right} + m_viewportX, b = int64_t{bottom} + m_viewportY;
    auto clampX = [&](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, -1, m_target.width + 1));
    };
    auto clampY = [&](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, -1, m_target.height + 1));
    };
    if (!m_brush.null) {
        FillDeviceRect(clampX(l + 1), clampY(t + 1), clampX(r - 1), clampY(b - 1), m_brush.color);
    }
    if (!m_pen.null && r > l && b > t) {
        FillDeviceRect(clampX(l), clampY(t), clampX(r), clampY(t + 1), m_pen.color);
        FillDeviceRect(clampX(l), clampY(b - 1), clampX(r), clampY(b), m_pen.color);
        FillDeviceRect(clampX(l), clampY(t), clampX(l + 1), clampY(b), m_pen.color);
        FillDeviceRect(clampX(r - 1), clampY(t), clampX(r), clampY(b), m_pen.color);
    }
}

void DeviceContext::FillSolidRect(int left, int top, int right, int bottom, COLORREF color) {
    const auto clampX = [&](int v) {
        return static_cast<int>(
            std::clamp<int64_t>(int64_t{v} + m_viewportX, -1, int64_t{m_target.width} + 1));
    };
    const auto clampY = [&](int v) {
        return static_cast<int>(
            std::clamp<int64_t>(int64_t{v} + m_viewportY, -1, int64_t{m_target.height} + 1));
    };
    FillDeviceRect(clampX(left), clampY(top), clampX(right), clampY(bottom), color);
}

namespace {

// Which columns of a clipped destination run are drawn, and from which source columns. Columns
// that fall outside the picture are left undrawn, so no source read can leave the buffer; they
// can only sit at either end of the run. An unscaled run needs no column map.
struct ColumnMap {
    int firstDrawn = -1, lastDrawn = -1;  // within the run
    int firstCol = 0;                     // the source column of the first drawn one
    std::vector<int> cols;                // scaled: the source column of each drawn one

    int Count() const { return lastDrawn - firstDrawn + 1; }
    const int* Scaled() const { return cols.empty() ? nullptr : cols.data(); }
};

// count destination columns from clipLeft, the rectangle starting at x0 and dw wide, from sw
// source columns starting at sx of a picture srcWidth wide. Nothing when none is drawn.
std::optional<ColumnMap> MapColumns(int64_t clipLeft, int count, int64_t x0, int64_t dw, int sx,
                                    int sw, int srcWidth) {
    ColumnMap map;
    if (dw == sw) {
        const int64_t firstCol = sx + (clipLeft - x0);
        map.firstDrawn = static_cast<int>(std::max<int64_t>(0, -firstCol));
        map.lastDrawn = static_cast<int>(std::min<int64_t>(count, srcWidth - firstCol)) - 1;
        map.firstCol = static_cast<int>(firstCol + map.firstDrawn);
        return map.firstDrawn <= map.lastDrawn ? std::optional(std::move(map)) : std::nullopt;
    }
    std::vector<int> cols(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int64_t di = clipLeft + i - x0;
        const int64_t col = sx + ((2 * di + 1) * sw) / (2 * dw);
        cols[static_cast<size_t>(i)] = col >= 0 && col < srcWidth ? static_cast<int>(col) : -1;
        if (cols[static_cast<size_t>(i)] >= 0) {
            map.firstDrawn = map.firstDrawn < 0 ? i : map.firstDrawn;
            map.lastDrawn = i;
        }
    }
    if (map.firstDrawn < 0) {
        return std::nullopt;
    }
    map.cols.assign(cols.begin() + map.firstDrawn, cols.begin() + map.lastDrawn + 1);
    map.firstCol = map.cols.front();
    return map;
}

}  // namespace

int DeviceContext::StretchDIBits(int x, int y, int dw, int dh, int sx, int sy, int sw, int sh,
                                 const uint8_t* bits, const BITMAPINFO& info) {
    SourceFormat src;
    if (bits == nullptr || !m_target.IsDrawable() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 ||
        !src.Init(info)) {
        return 0;
    }
    // Destination rectangle in device pixels, clipped to the target.
    const int64_t x0 = int64_t{x} + m_viewportX, y0 = int64_t{y} + m_viewportY;
    const int64_t clipLeft = std::max<int64_t>(x0, 0);
    const int64_t clipTop = std::max<int64_t>(y0, 0);
    const int64_t clipRight = std::min<int64_t>(x0 + dw, m_target.width);
    const int64_t clipBottom = std::min<int64_t>(y0 + dh, m_target.height);
    if (clipLeft >= clipRight || clipTop >= clipBottom) {
        return 0;
    }
    const std::optional<ColumnMap> map =
        MapColumns(clipLeft, static_cast<int>(clipRight - clipLeft), x0, dw, sx, sw, src.width);
    if (!map) {
        return 0;
    }
    const int drawnCount = map->Count();

    // Unscaled 24-bit rows, the frame's way to the window and a picture's to the frame, are
    // copied or converted directly; only the other cases go through a row of whole pixels.
    const bool direct = map->Scaled() == nullptr && src.bitCount == 24;
    std::vector<uint32_t> line(direct ? 0 : static_cast<size_t>(drawnCount));
    const int bytesPerPixel = m_target.bitCount / 8;
    int rows = 0;
    for (int64_t dy = clipTop; dy < clipBottom; ++dy) {
        const int64_t row = sy + ((2 * (dy - y0) + 1) * sh) / (2 * int64_t{dh});
        if (row < 0 || row >= src.height) {
            continue;
        }
        uint8_t* dst =
            m_target.Row(static_cast<int>(dy)) + (clipLeft + map->firstDrawn) * bytesPerPixel;
        const uint8_t* srcRow = src.Row(bits, static_cast<int>(row));
        if (direct && m_target.bitCount == 24) {
            std::memcpy(dst, srcRow + 3 * map->firstCol, static_cast<size_t>(drawnCount) * 3);
        } else if (direct) {
            pixelrows::Bgr24ToBgrx32(srcRow + 3 * map->firstCol, dst, drawnCount);
        } else {
            src.FetchRow(srcRow, map->Scaled(), map->firstCol, drawnCount, line.data());
            StoreRow(line.data(), dst, drawnCount, m_target.bitCount);
        }
        ++rows;
    }
    return rows;
}

bool DeviceContext::BitBlt(int x, int y, int w, int h, const DeviceContext& src, int sx, int sy) {
    return StretchBlt(x, y, w, h, src, sx, sy, w, h);
}

bool DeviceContext::StretchBlt(int x, int y, int dw, int dh, const DeviceContext& src, int sx,
                               int sy, int sw, int sh) {
    const DibSection* pSection = src.SelectedBitmap();
    if (pSection == nullptr) {
        return false;
    }
    return StretchDIBits(x, y, dw, dh, sx + src.m_viewportX, sy + src.m_viewportY, sw, sh,
                         pSection->Bits(), pSection->Info()) > 0;
}
