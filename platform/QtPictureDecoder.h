#pragma once

#include "imaging/ImagingPlatform.h"

// Qt's image readers as the picture decoder: GIF, PNG, and whatever the installed image
// format plugins read (TIFF, WebP, TGA, ...). The DPI is the primary screen's logical DPI, as
// it is when the decoder is made, unless one is given. Made on the GUI thread, it decodes on
// any thread: the screen is not asked again.
class QtPictureDecoder : public PictureDecoder {
public:
    QtPictureDecoder();
    QtPictureDecoder(int nDpiX, int nDpiY);

    std::optional<PlatformImage> Decode(const std::vector<uint8_t>& bytes) override;
    std::vector<std::string> FileSuffixes() override;
    int LogicalDpiX() override { return m_nDpiX; }
    int LogicalDpiY() override { return m_nDpiY; }

private:
    int m_nDpiX = 0;
    int m_nDpiY = 0;
};
