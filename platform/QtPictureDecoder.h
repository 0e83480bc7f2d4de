#pragma once

#include "imaging/ImagingPlatform.h"

// Qt's image readers as the picture decoder: GIF, PNG, and whatever the installed image
// format plugins read (TIFF, WebP, TGA, ...). The DPI is the primary screen's logical DPI
// unless one is given.
class QtPictureDecoder : public PictureDecoder {
public:
    QtPictureDecoder() = default;
    QtPictureDecoder(int nDpiX, int nDpiY) : m_nDpiX(nDpiX), m_nDpiY(nDpiY) {}

    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override;
    int LogicalDpiX() override;
    int LogicalDpiY() override;

private:
    int m_nDpiX = 0;
    int m_nDpiY = 0;
};
