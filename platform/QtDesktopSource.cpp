#include "platform/QtDesktopSource.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include "imaging/SurfaceLimits.h"
#include "platform/X11Display.h"

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
    // The rectangle is in the coordinates of the whole desktop, which may span several
    // monitors: each monitor's part is grabbed from it; the rest stays black.
    const QRect wanted(x, y, width, height);
    PlatformImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    bool bGrabbed = false;
    for (QScreen* pScreen : QGuiApplication::screens()) {
        const QRect geometry = pScreen->geometry();
        const QRect part = wanted.intersected(geometry);
        if (part.isEmpty()) {
            continue;
        }
        // Window 0 is the whole desktop; the rectangle is relative to the screen. The grab's
        // rows go straight into the result: a copy less of the screen at each step keeps the
        // start's peak memory down (33 MB a copy at 3840x2160).
        QImage image = pScreen
                           ->grabWindow(0, part.x() - geometry.x(), part.y() - geometry.y(),
                                        part.width(), part.height())
                           .toImage();
        if (image.isNull()) {
            continue;
        }
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
            image.convertTo(QImage::Format_RGB32);
        }
        const int rows = std::min(part.height(), image.height());
        const int columns = std::min(part.width(), image.width());
        for (int row = 0; row < rows; ++row) {
            uint32_t* pOut = out.pixels.data() + static_cast<size_t>(part.y() - y + row) * width +
                             (part.x() - x);
            const auto* pIn = reinterpret_cast<const uint32_t*>(image.constScanLine(row));
            for (int column = 0; column < columns; ++column) {
                pOut[column] = 0xFF000000u | pIn[column];  // the screen is opaque
            }
        }
        bGrabbed = true;
    }
    if (!bGrabbed) {
        return std::nullopt;
    }
    return out;
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
