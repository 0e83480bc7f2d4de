#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "imaging/DeviceContext.h"
#include "imaging/GdiTypes.h"

// Whether the processor has MMX, which decides the default mix of every surface.
bool ProcessorHasMmx();

// The program's one image type: a device-independent bitmap (rows bottom-up, each padded to
// four bytes, 24-bit pixels in the order blue, green, red) with a device context of its own,
// so that the same pixels can be drawn on and worked on byte by byte. It owns its memory and
// moves; pictures come from the loaders (imaging/PictureFile.h), the screen and the wallpaper
// from imaging/DesktopPictures.h.
class DibSurface {
public:
    // Empty: no picture (what a loader gives for a file it could not read).
    DibSurface() = default;
    // A zero-filled surface, or nothing when Create would fail.
    [[nodiscard]] static std::optional<DibSurface> Make(int nWidth, int nHeight, int nBitCount);
    DibSurface(DibSurface&&) noexcept = default;
    DibSurface& operator=(DibSurface&&) noexcept = default;
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    ~DibSurface();

    // A surface of the same size and depth with the same pixels; the colour table is the
    // grey ramp, not this one's. Empty when this one is, or memory runs out.
    DibSurface Duplicate() const;

    // ---- the surface itself
    // Makes a zero-filled bitmap. False for sizes that are not positive, overflow, or exceed
    // MAX_SURFACE_SIDE / MAX_SURFACE_BYTES, for unsupported depths, and when memory runs out.
    [[nodiscard]] bool Create(int nWidth, int nHeight, int nBitCount);
    void Release();

    int GetWidth() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biWidth : 0; }
    int GetHeight() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biHeight : 0; }
    int GetBitCount() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biBitCount : 0; }
    bool HasBits() const { return Bits() != nullptr; }

    int GetRowStride() const;
    int GetImageSize() const;
    int GetHeaderSize() const;

    // The pixel rows (null without a bitmap), the header with its colour table (null before
    // the first Create), and the drawing context on the bitmap (null without one).
    uint8_t* Bits() { return m_pSection != nullptr ? m_pSection->Bits() : nullptr; }
    const uint8_t* Bits() const { return m_pSection != nullptr ? m_pSection->Bits() : nullptr; }
    BITMAPINFO* Info() { return m_pInfo.get(); }
    const BITMAPINFO* Info() const { return m_pInfo.get(); }
    DeviceContext* MemDC() { return m_pSection != nullptr ? m_pDC.get() : nullptr; }

    // Which mix the blends use: scale 128 (the "MMX" path, the default where the processor
    // has MMX) or scale 100.
    void SetUseMmx(bool bUseMmx) { m_bUseMmx = bUseMmx; }
    bool UsesMmx() const { return m_bUseMmx; }

    // Copies the whole pixel buffer; false (nothing copied) when the geometries differ.
    bool CopyPixelsTo(DibSurface& dest) const;
    void FillBytes(int nValue);
    void FlipRows();
    void SwapRedBlue();

    // ---- cross-fade
    // dest := this mixed into dest, dest weighted by nLevel per cent (clamped to 0..100).
    // False when the geometries differ.
    bool BlendInto(DibSurface& dest, int nLevel) const;
    // out := this mixed into base, base weighted by nLevel: the same bytes as copying base
    // into out and blending this into it, in one pass. out may be base.
    bool BlendOver(const DibSurface& base, DibSurface& out, int nLevel) const;
    // The same mix written as 32-bit pixels into a target of this surface's size (a window's
    // image), in either row order. False unless both surfaces are 24-bit and the target is
    // 32-bit, all of the same size.
    bool BlendOverTo32(const DibSurface& base, const PixelTarget& target, int nLevel) const;

    // ---- transfers (coordinates from the top-left corner, y downwards)
    // From the pixel buffer through the header's colour table, at natural size.
    int DrawTo(DeviceContext& dc, int x, int y);
    // From the memory DC (the DIB section's own colour table), at natural size.
    bool BlitTo(DeviceContext& dc, int x, int y);
    // From the memory DC, scaled into the rectangle.
    bool StretchTo(DeviceContext& dc, int left, int top, int right, int bottom,
                   bool bKeepProportions);
    // From the pixel buffer, scaled into the rectangle, optionally centred in it.
    int StretchDrawTo(DeviceContext& dc, int left, int top, int right, int bottom,
                      bool bKeepProportions, bool bCenter);
    // Repeats this picture over the target from its top-left corner.
    bool TileInto(DibSurface& target);

    // ---- painting
    bool FillGradation(COLORREF crFirst, COLORREF crSecond, int nDirection);
    bool ReplaceColor(COLORREF crFrom, COLORREF crTo);
    // Draws a platform picture at the top-left corner, at its own size. False when it is not a
    // picture or there is no bitmap.
    bool DrawPlatformImage(const struct PlatformImage& image);

private:
    bool SameGeometry(const DibSurface& other) const;

    // Destroyed in reverse: the context lets go of the section before the section goes.
    std::unique_ptr<BITMAPINFO> m_pInfo;
    std::unique_ptr<DibSection> m_pSection;
    std::unique_ptr<DeviceContext> m_pDC;
    bool m_bUseMmx = ProcessorHasMmx();
};
