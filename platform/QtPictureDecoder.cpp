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

namespace {
int ScreenDpi(bool bHorizontal) {
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return 96;
    }
    const qreal dpi = bHorizontal ? pScreen->logicalDotsPerInchX() : pScreen->logicalDotsPerInchY();
    return dpi >= 1 ? static_cast<int>(std::lround(dpi)) : 96;
}

void LimitAllocation() {
    // Qt's own limit, in megabytes of 32-bit pixels, stops a decoder before it allocates. It is
    // global: set here, once per decoder, not while another thread decodes.
    QImageReader::setAllocationLimit(static_cast<int>((MAX_PICTURE_PIXELS * 4) >> 20));
}
}  // namespace

QtPictureDecoder::QtPictureDecoder() : QtPictureDecoder(ScreenDpi(true), ScreenDpi(false)) {}

QtPictureDecoder::QtPictureDecoder(int nDpiX, int nDpiY)
    : m_nDpiX(nDpiX > 0 ? nDpiX : 96), m_nDpiY(nDpiY > 0 ? nDpiY : 96) {
    LimitAllocation();
}

std::vector<std::string> QtPictureDecoder::FileSuffixes() {
    std::vector<std::string> suffixes;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        suffixes.push_back(format.toLower().toStdString());
        if (format == "jpeg") {
            suffixes.emplace_back("jpe");  // the third name JPEG files go by
        }
    }
    return suffixes;
}

std::optional<PlatformImage> QtPictureDecoder::Decode(const std::vector<uint8_t>& bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader(&buffer);
    // Refuse what could not become a surface before any pixel is decoded.
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
