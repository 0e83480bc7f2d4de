#include "imaging/DibSurface.h"

#include <cpuid.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "imaging/Blend.h"
#include "imaging/ImagingPlatform.h"
#include "imaging/SurfaceLimits.h"

bool IsSupportedSurfaceSize(int64_t width, int64_t height, int64_t bitCount) {
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return false;
    }
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || width > MAX_SURFACE_SIDE || rows > MAX_SURFACE_SIDE) {
        return false;
    }
    return DibRowStride(width, bitCount) * rows <= MAX_SURFACE_BYTES;
}

bool ProcessorHasMmx() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & (1u << 23)) != 0;
}

// ---------------------------------------------------------------------------------------------
// Construction

std::optional<DibSurface> DibSurface::Make(int nWidth, int nHeight, int nBitCount) {
    DibSurface surface;
    if (!surface.Create(nWidth, nHeight, nBitCount)) {
        return std::nullopt;
    }
    return surface;
}

DibSurface::~DibSurface() {
    Release();
}

DibSurface DibSurface::Duplicate() const {
    DibSurface copy;
    copy.m_bUseMmx = m_bUseMmx;
    if (m_pInfo != nullptr && copy.Create(GetWidth(), GetHeight(), GetBitCount())) {
        CopyPixelsTo(copy);
    }
    return copy;
}

bool DibSurface::Create(int nWidth, int nHeight, int nBitCount) {
    Release();

    m_pInfo.reset(new (std::nothrow) BITMAPINFO{});
    if (m_pInfo == nullptr) {
        return false;
    }
    BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = nWidth;
    h.biHeight = nHeight;
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(nBitCount);
    h.biCompression = BI_RGB;
    const bool bSupported = IsSupportedSurfaceSize(nWidth, nHeight, nBitCount) && nHeight > 0;
    h.biSizeImage =
        bSupported ? static_cast<uint32_t>(DibRowStride(nWidth, nBitCount) * nHeight) : 0;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        m_pInfo->bmiColors[i] = RGBQUAD{v, v, v, 0};
    }
    if (!bSupported) {
        return false;
    }
    m_pDC.reset(new (std::nothrow) DeviceContext);
    m_pSection = DibSection::Create(*m_pInfo);
    if (m_pDC == nullptr || m_pSection == nullptr) {
        m_pDC.reset();
        m_pSection.reset();
        return false;
    }
    m_pDC->SelectBitmap(m_pSection.get());
    return true;
}

void DibSurface::Release() {
    if (m_pDC != nullptr) {
        m_pDC->SelectBitmap(nullptr);
    }
    m_pDC.reset();
    m_pSection.reset();
    m_pInfo.reset();
}

// ---------------------------------------------------------------------------------------------
// Sizes and byte operations

int DibSurface::GetRowStride() const {
    if (m_pInfo == nullptr) {
        return 0;
    }
    return static_cast<int>(
        DibRowStride(m_pInfo->bmiHeader.biWidth, m_pInfo->bmiHeader.biBitCount));
}

int DibSurface::GetImageSize() const {
    if (m_pInfo == nullptr) {
        return 0;
    }
    const int64_t size = int64_t{GetRowStride()} * m_pInfo->bmiHeader.biHeight;
    return size > 0 && size <= std::numeric_limits<int>::max() ? static_cast<int>(size) : 0;
}

int DibSurface::GetHeaderSize() const {
    if (m_pInfo == nullptr) {
        return 0;
    }
    const int nSize = static_cast<int>(m_pInfo->bmiHeader.biSize);
    switch (m_pInfo->bmiHeader.biBitCount) {
        case 1:
            return nSize + 8;
        case 4:
            return nSize + 64;
        case 8:
            return nSize + 1024;
        default:
            return nSize;
    }
}

bool DibSurface::SameGeometry(const DibSurface& other) const {
    return Bits() != nullptr && other.Bits() != nullptr && GetWidth() == other.GetWidth() &&
           GetHeight() == other.GetHeight() && GetBitCount() == other.GetBitCount();
}

bool DibSurface::CopyPixelsTo(DibSurface& dest) const {
    if (!SameGeometry(dest)) {
        return false;
    }
    if (dest.Bits() != Bits()) {
        std::memcpy(dest.Bits(), Bits(), static_cast<size_t>(GetImageSize()));
    }
    return true;
}

void DibSurface::FillBytes(int nValue) {
    if (Bits() != nullptr) {
        std::memset(Bits(), nValue & 0xFF, static_cast<size_t>(GetImageSize()));
    }
}

void DibSurface::FlipRows() {
    if (Bits() == nullptr) {
        return;
    }
    const size_t stride = static_cast<size_t>(GetRowStride());
    const int nHeight = GetHeight();
    std::vector<uint8_t> scratch(stride);
    for (int i = 0; i < nHeight / 2; ++i) {
        uint8_t* pTop = Bits() + static_cast<size_t>(i) * stride;
        uint8_t* pBottom = Bits() + static_cast<size_t>(nHeight - 1 - i) * stride;
        std::memcpy(scratch.data(), pTop, stride);
        std::memcpy(pTop, pBottom, stride);
        std::memcpy(pBottom, scratch.data(), stride);
    }
}

void DibSurface::SwapRedBlue() {
    if (Bits() == nullptr || GetBitCount() != 24) {
        return;
    }
    const size_t stride = static_cast<size_t>(GetRowStride());
    const int nWidth = GetWidth();
    for (int y = 0; y < GetHeight(); ++y) {
        uint8_t* p = Bits() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < nWidth; ++x, p += 3) {
            std::swap(p[0], p[2]);
        }
    }
}

bool DibSurface::BlendInto(DibSurface& dest, int nLevel) const {
    return BlendOver(dest, dest, nLevel);
}

bool DibSurface::BlendOver(const DibSurface& base, DibSurface& out, int nLevel) const {
    if (!SameGeometry(base) || !SameGeometry(out)) {
        return false;
    }
    const auto n = static_cast<size_t>(GetImageSize());
    if (m_bUseMmx) {
        blend::Mix128(Bits(), base.Bits(), out.Bits(), n, nLevel, blend::BestIsa());
    } else {
        blend::Mix100(Bits(), base.Bits(), out.Bits(), n, nLevel, blend::BestIsa());
    }
    return true;
}

bool DibSurface::BlendOverTo32(const DibSurface& base, const PixelTarget& target,
                               int nLevel) const {
    if (!SameGeometry(base) || GetBitCount() != 24 || target.bitCount != 32 ||
        target.bits == nullptr || target.width != GetWidth() || target.height != GetHeight() ||
        target.stride < target.width * 4) {
        return false;
    }
    const auto stride = static_cast<size_t>(GetRowStride());
    const auto width = static_cast<size_t>(GetWidth());
    const int nHeight = GetHeight();
    const blend::Isa isa = blend::BestIsa();
    const auto mix = m_bUseMmx ? blend::Mix128To32 : blend::Mix100To32;
    const uint8_t* pSource = Bits();
    const uint8_t* pBase = base.Bits();
    // Our rows are bottom-up and the target's top-down, so one of the two is walked backwards.
    // Let it be the target: the processor follows reads that run forwards through memory far
    // better, and the stores around the cache do not care.
    for (int r = 0; r < nHeight; ++r) {
        const size_t offset = static_cast<size_t>(r) * stride;
        mix(pSource + offset, pBase + offset, target.Row(nHeight - 1 - r), width, nLevel, isa);
    }
    blend::StoreFence();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Transfers

int DibSurface::DrawTo(DeviceContext& dc, int x, int y) {
    if (Bits() == nullptr) {
        return 0;
    }
    m_pDC->SetViewportOrg(0, 0);
    dc.SetStretchBltMode(COLORONCOLOR);
    const int w = GetWidth(), h = GetHeight();
    return dc.StretchDIBits(x, y, w, h, 0, 0, w, h, Bits(), *m_pInfo);
}

bool DibSurface::BlitTo(DeviceContext& dc, int x, int y) {
    if (m_pSection == nullptr) {
        return false;
    }
    m_pDC->SetViewportOrg(0, 0);
    return dc.BitBlt(x, y, GetWidth(), GetHeight(), *m_pDC, 0, 0);
}

bool DibSurface::StretchTo(DeviceContext& dc, int left, int top, int right, int bottom,
                           bool bKeepProportions) {
    if (m_pSection == nullptr) {
        return false;
    }
    m_pDC->SetViewportOrg(0, 0);
    dc.SetStretchBltMode(COLORONCOLOR);
    const int64_t w = GetWidth(), h = GetHeight();
    int64_t W = int64_t{right} - left, H = int64_t{bottom} - top;
    if (bKeepProportions) {
        if (w > h) {
            H = h * W / w;
        } else {
            W = w * H / h;
        }
    }
    if (W <= 0 || H <= 0 || W > std::numeric_limits<int>::max() ||
        H > std::numeric_limits<int>::max()) {
        return false;
    }
    return dc.StretchBlt(left, top, static_cast<int>(W), static_cast<int>(H), *m_pDC, 0, 0,
                         static_cast<int>(w), static_cast<int>(h));
}

int DibSurface::StretchDrawTo(DeviceContext& dc, int left, int top, int right, int bottom,
                              bool bKeepProportions, bool bCenter) {
    if (Bits() == nullptr) {
        return 0;
    }
    m_pDC->SetViewportOrg(0, 0);
    dc.SetStretchBltMode(COLORONCOLOR);
    const int64_t w = GetWidth(), h = GetHeight();
    const int64_t W = int64_t{right} - left, H = int64_t{bottom} - top;
    int64_t dw = W, dh = H;
    if (bKeepProportions) {
        if (w > h) {
            dh = h * W / w;
        } else {
            dw = w * H / h;
        }
    }
    // Centred: the rectangle's own left and top are not added (callers pass 0, 0).
    const int64_t x = bCenter ? (W - dw) / 2 : left;
    const int64_t y = bCenter ? (H - dh) / 2 : top;
    constexpr int64_t kIntMax = std::numeric_limits<int>::max();
    if (dw <= 0 || dh <= 0 || dw > kIntMax || dh > kIntMax || std::abs(x) > kIntMax ||
        std::abs(y) > kIntMax) {
        return 0;
    }
    return dc.StretchDIBits(static_cast<int>(x), static_cast<int>(y), static_cast<int>(dw),
                            static_cast<int>(dh), 0, 0, static_cast<int>(w), static_cast<int>(h),
                            Bits(), *m_pInfo);
}

bool DibSurface::TileInto(DibSurface& target) {
    if (Bits() == nullptr || target.MemDC() == nullptr) {
        return true;
    }
    const int w = GetWidth(), h = GetHeight();
    const int W = target.GetWidth(), H = target.GetHeight();
    for (int i = 0; i < H / h + 1; ++i) {
        for (int j = 0; j < W / w + 1; ++j) {
            DrawTo(*target.MemDC(), j * w, i * h);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Painting

bool DibSurface::FillGradation(COLORREF crFirst, COLORREF crSecond, int nDirection) {
    if (m_pDC == nullptr) {
        return true;
    }
    int n = 0;
    if (nDirection == GRADATION_TOP_TO_BOTTOM) {
        n = GetHeight();
    } else if (nDirection == GRADATION_LEFT_TO_RIGHT) {
        n = GetWidth();
    } else {
        return true;
    }
    // Single precision on purpose: the rounding of these sums decides each line's colour.
    float fRed = GetRValue(crFirst), fGreen = GetGValue(crFirst), fBlue = GetBValue(crFirst);
    const float fStepRed =
        static_cast<float>(GetRValue(crSecond) - GetRValue(crFirst)) / static_cast<float>(n);
    const float fStepGreen =
        static_cast<float>(GetGValue(crSecond) - GetGValue(crFirst)) / static_cast<float>(n);
    const float fStepBlue =
        static_cast<float>(GetBValue(crSecond) - GetBValue(crFirst)) / static_cast<float>(n);

    const int w = GetWidth(), h = GetHeight();
    const Pen oldPen = m_pDC->CurrentPen();
    for (int i = 0; i < n; ++i) {
        const COLORREF crLine = RGB(static_cast<uint8_t>(static_cast<int>(fRed)),
                                    static_cast<uint8_t>(static_cast<int>(fGreen)),
                                    static_cast<uint8_t>(static_cast<int>(fBlue)));
        m_pDC->SelectPen(Pen{crLine, false});
        if (nDirection == GRADATION_TOP_TO_BOTTOM) {
            m_pDC->MoveTo(0, i);
            m_pDC->LineTo(w, i);
        } else {
            m_pDC->MoveTo(i, 0);
            m_pDC->LineTo(i, h);
        }
        m_pDC->SelectPen(oldPen);
        fRed += fStepRed;
        fGreen += fStepGreen;
        fBlue += fStepBlue;
    }
    return true;
}

bool DibSurface::DrawPlatformImage(const PlatformImage& image) {
    if (!image.IsValid() || m_pDC == nullptr) {
        return false;
    }
    // The platform's pixels are top-down 32-bit blue, green, red, alpha in memory.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_pDC->SetViewportOrg(0, 0);
    return m_pDC->StretchDIBits(0, 0, image.width, image.height, 0, 0, image.width, image.height,
                                reinterpret_cast<const uint8_t*>(image.pixels.data()), info) > 0;
}

bool DibSurface::ReplaceColor(COLORREF crFrom, COLORREF crTo) {
    if (m_pInfo == nullptr) {
        return true;
    }
    const uint8_t r0 = GetRValue(crFrom), g0 = GetGValue(crFrom), b0 = GetBValue(crFrom);
    const uint8_t r1 = GetRValue(crTo), g1 = GetGValue(crTo), b1 = GetBValue(crTo);
    if (GetBitCount() == 24 && Bits() != nullptr) {
        // biSizeImage may come from a file; never walk past the buffer.
        const size_t n =
            std::min<size_t>(m_pInfo->bmiHeader.biSizeImage, static_cast<size_t>(GetImageSize())) /
            3 * 3;
        for (size_t i = 0; i < n; i += 3) {
            uint8_t* p = Bits() + i;
            if (p[0] == b0 && p[1] == g0 && p[2] == r0) {
                p[0] = b1;
                p[1] = g1;
                p[2] = r1;
            }
        }
    } else if (GetBitCount() == 8) {
        for (RGBQUAD& q : m_pInfo->bmiColors) {
            if (q.rgbRed == r0 && q.rgbGreen == g0 && q.rgbBlue == b0) {
                q.rgbRed = r1;
                q.rgbGreen = g1;
                q.rgbBlue = b1;
            }
        }
    }
    return true;
}
