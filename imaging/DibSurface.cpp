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

#include "app/ProfileStore.h"
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

namespace {

bool ProcessorHasMmx() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & (1u << 23)) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

DibSurface::DibSurface() {
    ReadMmxSwitch();
}

DibSurface::DibSurface(int nWidth, int nHeight, int nBitCount) : DibSurface() {
    Create(nWidth, nHeight, nBitCount);
}

DibSurface::DibSurface(const DibSurface& source) : DibSurface() {
    if (source.m_pInfo != nullptr &&
        Create(source.GetWidth(), source.GetHeight(), source.GetBitCount())) {
        source.CopyPixelsTo(*this);
    }
}

DibSurface::~DibSurface() {
    Release();
}

void DibSurface::ReadMmxSwitch() {
    ProfileStore* pProfile = ImagingPlatform::Current().profile;
    const uint32_t dwSwitch =
        pProfile != nullptr ? pProfile->GetProfileInt("Technology", "MMX", 1) : 1;
    if (dwSwitch == 1 && ProcessorHasMmx()) {
        m_bUseMmx = 1;
    }
}

bool DibSurface::Create(int nWidth, int nHeight, int nBitCount) {
    Release();

    m_pInfo = static_cast<BITMAPINFO*>(std::calloc(1, sizeof(BITMAPINFO)));
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

    m_hMemDC = new (std::nothrow) DeviceContext;
    if (m_hMemDC == nullptr || !bSupported) {
        return false;
    }
    std::unique_ptr<DibSection> pSection = DibSection::Create(*m_pInfo);
    if (!pSection) {
        return false;
    }
    m_hBitmap = pSection.release();
    m_pBits = m_hBitmap->Bits();
    m_hOldBitmap = m_hMemDC->SelectBitmap(m_hBitmap);
    return true;
}

void DibSurface::Release() {
    if (m_hMemDC != nullptr) {
        if (m_hBitmap != nullptr) {
            m_hMemDC->SelectBitmap(m_hOldBitmap);
            delete m_hBitmap;
            m_hBitmap = nullptr;
        }
        delete m_hMemDC;
        m_hMemDC = nullptr;
    }
    if (m_pInfo != nullptr) {
        std::free(m_pInfo);
        m_pInfo = nullptr;
        m_pBits = nullptr;
    }
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
    return m_pBits != nullptr && other.m_pBits != nullptr && GetWidth() == other.GetWidth() &&
           GetHeight() == other.GetHeight() && GetBitCount() == other.GetBitCount();
}

bool DibSurface::CopyPixelsTo(DibSurface& dest) const {
    if (!SameGeometry(dest)) {
        return false;
    }
    if (dest.m_pBits != m_pBits) {
        std::memcpy(dest.m_pBits, m_pBits, static_cast<size_t>(GetImageSize()));
    }
    return true;
}

void DibSurface::FillBytes(int nValue) {
    if (m_pBits != nullptr) {
        std::memset(m_pBits, nValue & 0xFF, static_cast<size_t>(GetImageSize()));
    }
}

void DibSurface::FlipRows() {
    if (m_pBits == nullptr) {
        return;
    }
    const size_t stride = static_cast<size_t>(GetRowStride());
    const int nHeight = GetHeight();
    std::vector<uint8_t> scratch(stride);
    for (int i = 0; i < nHeight / 2; ++i) {
        uint8_t* pTop = m_pBits + static_cast<size_t>(i) * stride;
        uint8_t* pBottom = m_pBits + static_cast<size_t>(nHeight - 1 - i) * stride;
        std::memcpy(scratch.data(), pTop, stride);
        std::memcpy(pTop, pBottom, stride);
        std::memcpy(pBottom, scratch.data(), stride);
    }
}

void DibSurface::SwapRedBlue() {
    if (m_pBits == nullptr || GetBitCount() != 24) {
        return;
    }
    const size_t stride = static_cast<size_t>(GetRowStride());
    const int nWidth = GetWidth();
    for (int y = 0; y < GetHeight(); ++y) {
        uint8_t* p = m_pBits + static_cast<size_t>(y) * stride;
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
    if (m_bUseMmx == 1) {
        blend::Mix128(m_pBits, base.m_pBits, out.m_pBits, n, nLevel, blend::BestIsa());
    } else {
        blend::Mix100(m_pBits, base.m_pBits, out.m_pBits, n, nLevel, blend::BestIsa());
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
    const auto mix = m_bUseMmx == 1 ? blend::Mix128To32 : blend::Mix100To32;
    // Our rows are bottom-up and the target's top-down, so one of the two is walked backwards.
    // Let it be the target: the processor follows reads that run forwards through memory far
    // better, and the stores around the cache do not care.
    for (int r = 0; r < nHeight; ++r) {
        const size_t offset = static_cast<size_t>(r) * stride;
        mix(m_pBits + offset, base.m_pBits + offset, target.Row(nHeight - 1 - r), width, nLevel,
            isa);
    }
    blend::StoreFence();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Transfers

int DibSurface::DrawTo(DeviceContext& dc, int x, int y) {
    if (m_pBits == nullptr) {
        return 0;
    }
    m_hMemDC->SetViewportOrg(0, 0);
    dc.SetStretchBltMode(COLORONCOLOR);
    const int w = GetWidth(), h = GetHeight();
    return dc.StretchDIBits(x, y, w, h, 0, 0, w, h, m_pBits, *m_pInfo);
}

bool DibSurface::BlitTo(DeviceContext& dc, int x, int y) {
    if (m_hBitmap == nullptr) {
        return false;
    }
    m_hMemDC->SetViewportOrg(0, 0);
    return dc.BitBlt(x, y, GetWidth(), GetHeight(), *m_hMemDC, 0, 0);
}

bool DibSurface::StretchTo(DeviceContext& dc, int left, int top, int right, int bottom,
                           bool bKeepProportions) {
    if (m_hBitmap == nullptr) {
        return false;
    }
    m_hMemDC->SetViewportOrg(0, 0);
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
    return dc.StretchBlt(left, top, static_cast<int>(W), static_cast<int>(H), *m_hMemDC, 0, 0,
                         static_cast<int>(w), static_cast<int>(h));
}

int DibSurface::StretchDrawTo(DeviceContext& dc, int left, int top, int right, int bottom,
                              bool bKeepProportions, bool bCenter) {
    if (m_pBits == nullptr) {
        return 0;
    }
    m_hMemDC->SetViewportOrg(0, 0);
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
                            m_pBits, *m_pInfo);
}

bool DibSurface::TileInto(DibSurface& target) {
    if (m_pBits == nullptr || target.m_hMemDC == nullptr) {
        return true;
    }
    const int w = GetWidth(), h = GetHeight();
    const int W = target.GetWidth(), H = target.GetHeight();
    for (int i = 0; i < H / h + 1; ++i) {
        for (int j = 0; j < W / w + 1; ++j) {
            DrawTo(*target.m_hMemDC, j * w, i * h);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Painting

bool DibSurface::FillGradation(COLORREF crFirst, COLORREF crSecond, int nDirection) {
    if (m_hMemDC == nullptr) {
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
    const Pen oldPen = m_hMemDC->CurrentPen();
    for (int i = 0; i < n; ++i) {
        const COLORREF crLine = RGB(static_cast<uint8_t>(static_cast<int>(fRed)),
                                    static_cast<uint8_t>(static_cast<int>(fGreen)),
                                    static_cast<uint8_t>(static_cast<int>(fBlue)));
        m_hMemDC->SelectPen(Pen{crLine, false});
        if (nDirection == GRADATION_TOP_TO_BOTTOM) {
            m_hMemDC->MoveTo(0, i);
            m_hMemDC->LineTo(w, i);
        } else {
            m_hMemDC->MoveTo(i, 0);
            m_hMemDC->LineTo(i, h);
        }
        m_hMemDC->SelectPen(oldPen);
        fRed += fStepRed;
        fGreen += fStepGreen;
        fBlue += fStepBlue;
    }
    return true;
}

bool DibSurface::DrawPlatformImage(const PlatformImage& image) {
    if (!image.IsValid() || m_hMemDC == nullptr) {
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
    m_hMemDC->SetViewportOrg(0, 0);
    return m_hMemDC->StretchDIBits(0, 0, image.width, image.height, 0, 0, image.width, image.height,
                                   reinterpret_cast<const uint8_t*>(image.pixels.data()), info) > 0;
}

bool DibSurface::CaptureScreen(int x, int y) {
    DesktopSource* pDesktop = ImagingPlatform::Current().desktop;
    if (pDesktop == nullptr || m_pBits == nullptr) {
        return true;
    }
    if (auto image = pDesktop->CaptureScreen(x, y, GetWidth(), GetHeight())) {
        DrawPlatformImage(*image);
    }
    return true;
}

bool DibSurface::PaintDesktopInto() {
    if (m_pBits == nullptr) {
        return false;
    }
    DesktopSource* pDesktop = ImagingPlatform::Current().desktop;
    std::optional<PlatformImage> image;
    if (pDesktop != nullptr) {
        image = pDesktop->DesktopPicture(GetWidth(), GetHeight());
    }
    // No readable wallpaper: the desktop is plain black.
    if (!image || !DrawPlatformImage(*image)) {
        m_hMemDC->FillSolidRect(0, 0, GetWidth(), GetHeight(), RGB(0, 0, 0));
    }
    return true;
}

bool DibSurface::LoadBitmapResource(unsigned nId, bool bCreate) {
    BitmapResources* pResources = ImagingPlatform::Current().resources;
    if (pResources == nullptr) {
        return false;
    }
    const std::optional<PlatformImage> image = pResources->LoadBitmap(nId);
    if (!image || !image->IsValid()) {
        return false;
    }
    if (bCreate && !Create(image->width, image->height, 24)) {
        return false;
    }
    if (m_pBits == nullptr) {
        return false;
    }
    FillBytes(255);
    DrawPlatformImage(*image);
    return true;
}

bool DibSurface::ReplaceColor(COLORREF crFrom, COLORREF crTo) {
    if (m_pInfo == nullptr) {
        return true;
    }
    const uint8_t r0 = GetRValue(crFrom), g0 = GetGValue(crFrom), b0 = GetBValue(crFrom);
    const uint8_t r1 = GetRValue(crTo), g1 = GetGValue(crTo), b1 = GetBValue(crTo);
    if (GetBitCount() == 24 && m_pBits != nullptr) {
        // biSizeImage may come from a file; never walk past the buffer.
        const size_t n =
            std::min<size_t>(m_pInfo->bmiHeader.biSizeImage, static_cast<size_t>(GetImageSize())) /
            3 * 3;
        for (size_t i = 0; i < n; i += 3) {
            uint8_t* p = m_pBits + i;
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
