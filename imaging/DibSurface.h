#pragma once

#include <cstdint>

#include "imaging/DeviceContext.h"
#include "imaging/GdiTypes.h"

// The program's one image type: a device-independent bitmap (rows bottom-up, each padded to
// four bytes, 24-bit pixels in the order blue, green, red) with a device context of its own,
// so that the same pixels can be drawn on and worked on byte by byte.
class DibSurface {
public:
    DibSurface();
    DibSurface(int nWidth, int nHeight, int nBitCount);
    // A surface of the same size and depth with the same pixels; the colour table is the
    // grey ramp, not the source's.
    DibSurface(const DibSurface& source);
    DibSurface& operator=(const DibSurface&) = delete;
    virtual ~DibSurface();

    // ---- the surface itself
    void ReadMmxSwitch();
    // Makes a zero-filled bitmap. False for sizes that are not positive, overflow, or exceed
    // MAX_SURFACE_SIDE / MAX_SURFACE_BYTES, for unsupported depths, and when memory runs out.
    bool Create(int nWidth, int nHeight, int nBitCount);
    void Release();

    int GetWidth() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biWidth : 0; }
    int GetHeight() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biHeight : 0; }
    int GetBitCount() const { return m_pInfo != nullptr ? m_pInfo->bmiHeader.biBitCount : 0; }
    bool HasBits() const { return m_pBits != nullptr; }

    int GetRowStride() const;
    int GetImageSize() const;
    int GetHeaderSize() const;

    // Copies the whole pixel buffer; false (nothing copied) when the geometries differ.
    bool CopyPixelsTo(DibSurface& dest) const;
    void FillBytes(int nValue);
    void FlipRows();
    void SwapRedBlue();

    // ---- loading pictures: 1 loaded, 0 failed
    // Chooses the loader by the last four characters: ".bmp", ".jpg" (any case), else the
    // picture decoder.
    int LoadImageFile(const char* pszPath);
    int LoadBmpFile(const char* pszPath);
    int LoadJpegFile(const char* pszPath);
    int LoadPictureFile(const char* pszPath);

    // ---- cross-fade
    // dest := this mixed into dest, dest weighted by nLevel per cent (clamped to 0..100).
    // Scale 128 when m_bUseMmx is set, else scale 100. False when the geometries differ.
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
    bool CaptureScreen(int x, int y);
    bool PaintDesktopInto();
    bool LoadBitmapResource(unsigned nId, bool bCreate);
    bool ReplaceColor(COLORREF crFrom, COLORREF crTo);

    // ---- fields, read directly by the program
    DeviceContext* m_hMemDC = nullptr;
    DibSection* m_hBitmap = nullptr;
    DibSection* m_hOldBitmap = nullptr;
    BITMAPINFO* m_pInfo = nullptr;
    uint8_t* m_pBits = nullptr;
    int m_bUseMmx = 0;

private:
    bool SameGeometry(const DibSurface& other) const;
    bool DrawPlatformImage(const struct PlatformImage& image);
};
