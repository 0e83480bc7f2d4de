#include "QtDesktopSource.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include "SurfaceLimits.h"
#include "X11Display.h"

std::optional<PlatformImage> PlatformImageFromQImage(const QImage& source, bool bKeepAlpha) {
    if (source.isNull() || !IsSupportedSurfaceSize(source.width(), source.height(), 32)) {
        return std::nullopt;
    }
    const QImage image =
        source.convertToFormat(bKeepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    PlatformImage out;
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        std::memcpy(out.pixels.data() + static_cast<size_t>(y) * out.width, image.constScanLine(y),
                    static_cast<size_t>(out.width) * 4);
    }
    return out;
}

namespace {

// width x height pixels of the picture from (x, y); black where they fall outside it.
PlatformImage CopyRect(const PlatformImage& source, int x, int y, int width, int height) {
    PlatformImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    const long long left = std::max(0, x);
    const long long right = std::min<long long>(source.width, 0LL + x + width);
    const long long top = std::max(0, y);
    const long long bottom = std::min<long long>(source.height, 0LL + y + height);
    for (long long row = top; row < bottom && left < right; ++row) {
        std::memcpy(out.pixels.data() + static_cast<size_t>(row - y) * width + (left - x),
                    source.pixels.data() + static_cast<size_t>(row) * source.width + left,
                    static_cast<size_t>(right - left) * 4);
    }
    return out;
}

}  // namespace

std::optional<PlatformImage> QtDesktopSource::CaptureScreen(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    if (m_screenshot) {
        return CopyRect(*m_screenshot, x, y, width, height);
    }
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return std::nullopt;
    }
    // Window 0 is the whole desktop; the rectangle is relative to the screen.
    const QPixmap grab = pScreen->grabWindow(0, x, y, width, height);
    if (grab.isNull()) {
        return std::nullopt;
    }
    // The grab stops at the screen's edge; the rest of the rectangle is black.
    const std::optional<PlatformImage> grabbed = PlatformImageFromQImage(grab.toImage());
    if (!grabbed) {
        return std::nullopt;
    }
    return CopyRect(*grabbed, 0, 0, width, height);
}

std::optional<PlatformImage> QtDesktopSource::DesktopPicture(int width, int height) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const X11Display display;
    for (const char* pszProperty : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        if (auto pixmap = display.PixmapProperty(display.RootWindow(), pszProperty)) {
            // The wallpaper at its natural size from the top-left corner; black beyond it.
            return display.ReadPixmap(*pixmap, width, height);
        }
    }
    return std::nullopt;
}

std::optional<PlatformImage> QtBitmapResources::LoadBitmap(unsigned id) {
    const QImage image(QStringLiteral(":/bitmaps/%1").arg(id));
    return PlatformImageFromQImage(image);
}
