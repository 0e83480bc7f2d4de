#include "QtDesktopSource.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "SurfaceLimits.h"

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

std::optional<PlatformImage> QtDesktopSource::CaptureScreen(int x, int y, int width, int height) {
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr || width <= 0 || height <= 0) {
        return std::nullopt;
    }
    // Window 0 is the whole desktop; the rectangle is relative to the screen.
    const QPixmap grab = pScreen->grabWindow(0, x, y, width, height);
    if (grab.isNull()) {
        return std::nullopt;
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QImage grabbed = grab.toImage().convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < std::min(height, grabbed.height()); ++row) {
        std::memcpy(image.scanLine(row), grabbed.constScanLine(row),
                    static_cast<size_t>(std::min(width, grabbed.width())) * 4);
    }
    return PlatformImageFromQImage(image);
}

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t InternAtom(xcb_connection_t* pConn, const char* pszName) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        pConn, xcb_intern_atom(pConn, 1, static_cast<uint16_t>(std::strlen(pszName)), pszName),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The wallpaper pixmap a wallpaper setter published on the root window, if any.
xcb_pixmap_t RootPixmap(xcb_connection_t* pConn, xcb_window_t root) {
    for (const char* pszProperty : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const xcb_atom_t atom = InternAtom(pConn, pszProperty);
        if (atom == XCB_ATOM_NONE) {
            continue;
        }
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            pConn, xcb_get_property(pConn, 0, root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (reply && reply->type == XCB_ATOM_PIXMAP && reply->format == 32 &&
            xcb_get_property_value_length(reply.get()) >= 4) {
            xcb_pixmap_t pixmap;
            std::memcpy(&pixmap, xcb_get_property_value(reply.get()), 4);
            if (pixmap != XCB_NONE) {
                return pixmap;
            }
        }
    }
    return XCB_NONE;
}

// Bits per pixel of the server's ZPixmap format for a depth.
int BitsPerPixel(const xcb_setup_t* pSetup, uint8_t depth) {
    xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(pSetup);
    for (; it.rem > 0; xcb_format_next(&it)) {
        if (it.data->depth == depth) {
            return it.data->bits_per_pixel;
        }
    }
    return 0;
}

}  // namespace

std::optional<PlatformImage> QtDesktopSource::DesktopPicture(int width, int height) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    xcb_connection_t* pConn = xcb_connect(nullptr, nullptr);
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> conn(pConn, xcb_disconnect);
    if (xcb_connection_has_error(pConn) != 0) {
        return std::nullopt;
    }
    const xcb_setup_t* pSetup = xcb_get_setup(pConn);
    const xcb_screen_t* pScreen = xcb_setup_roots_iterator(pSetup).data;
    const xcb_pixmap_t pixmap = RootPixmap(pConn, pScreen->root);
    if (pixmap == XCB_NONE) {
        return std::nullopt;
    }
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(pConn, xcb_get_geometry(pConn, pixmap), nullptr));
    // Only true-colour wallpapers in 32-bit pixels (every depth-24 server of today).
    if (!geometry || (geometry->depth != 24 && geometry->depth != 32) ||
        BitsPerPixel(pSetup, geometry->depth) != 32 || pSetup->image_byte_order != 0) {
        return std::nullopt;
    }
    const int copyW = std::min<int>(width, geometry->width);
    const int copyH = std::min<int>(height, geometry->height);
    if (copyW <= 0 || copyH <= 0) {
        return std::nullopt;
    }
    XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        pConn,
        xcb_get_image(pConn, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, static_cast<uint16_t>(copyW),
                      static_cast<uint16_t>(copyH), ~0u),
        nullptr));
    if (!image) {
        return std::nullopt;
    }
    const size_t rowBytes = static_cast<size_t>(copyW) * 4;
    if (static_cast<size_t>(xcb_get_image_data_length(image.get())) < rowBytes * copyH) {
        return std::nullopt;
    }
    // The wallpaper at its natural size from the top-left corner; black beyond it.
    PlatformImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    const uint8_t* pData = xcb_get_image_data(image.get());
    for (int y = 0; y < copyH; ++y) {
        uint32_t* pRow = out.pixels.data() + static_cast<size_t>(y) * width;
        std::memcpy(pRow, pData + y * rowBytes, rowBytes);
        for (int x = 0; x < copyW; ++x) {
            pRow[x] |= 0xFF000000u;
        }
    }
    return out;
}

std::optional<PlatformImage> QtBitmapResources::LoadBitmap(unsigned id) {
    const QImage image(QStringLiteral(":/bitmaps/%1").arg(id));
    return PlatformImageFromQImage(image);
}
