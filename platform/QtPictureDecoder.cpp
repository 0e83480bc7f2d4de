#include "platform/QtPictureDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QScreen>
#include <cmath>
#include <cstring>

#include "imaging/SurfaceLimits.h"
#include "platform/QtDesktopSource.h"

std::optional<PlatformImage> QtPictureDecoder::Decode(const std::vector<uint8_t>& bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader(&buffer);
    // Refuse what could not become a surface before any pixel is decoded.
    // Qt's own limit, in megabytes of 32-bit pixels, stops a decoder before it allocates.
    QImageReader::setAllocationLimit(static_cast<int>((MAX_PICTURE_PIXELS * 4) >> 20));
    auto acceptable = [](QSize size) {
        return IsSupportedSurfaceSize(size.width(), size.height(), 32) &&
               int64_t{size.width()} * size.height() <= MAX_PICTURE_PIXELS;
    };
    const QSize declared = reader.size();
    if (declared.isValid() && !acceptable(declared)) {
        return std::nullopt;
    }
    QImage image = reader.read();  // the first frame of an animation
    if (image.isNull() || !acceptable(image.size())) {
        return std::nullopt;
    }
    return PlatformImageFromQImage(image, true);
}

namespace {
int ScreenDpi(bool bHorizontal) {
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return 96;
    }
    const qreal dpi = bHorizontal ? pScreen->logicalDotsPerInchX() : pScreen->logicalDotsPerInchY();
    return dpi >= 1 ? static_cast<int>(std::lround(dpi)) : 96;
}
}  // namespace

int QtPictureDecoder::LogicalDpiX() {
    return m_nDpiX > 0 ? m_nDpiX : ScreenDpi(true);
}

int QtPictureDecoder::LogicalDpiY() {
    return m_nDpiY > 0 ? m_nDpiY : ScreenDpi(false);
}
