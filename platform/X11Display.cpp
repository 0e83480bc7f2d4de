#include "platform/X11Display.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/SurfaceLimits.h"

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// X window and pixmap ids are 32-bit and never 0.
bool IsValidId(long hWnd) {
    return hWnd > 0 && static_cast<unsigned long>(hWnd) <= UINT32_MAX;
}

xcb_atom_t InternAtom(xcb_connection_t* pConn, const char* pszName) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        pConn, xcb_intern_atom(pConn, 1, static_cast<uint16_t>(std::strlen(pszName)), pszName),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
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

X11Display::X11Display() {
    xcb_connection_t* pConn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(pConn) != 0) {
        xcb_disconnect(pConn);
        return;
    }
    m_pConn = pConn;
}

X11Display::~X11Display() {
    if (m_pConn != nullptr) {
        xcb_disconnect(m_pConn);
    }
}

bool X11Display::IsWindow(long hWnd) const {
    if (m_pConn == nullptr || !IsValidId(hWnd)) {
        return false;
    }
    xcb_generic_error_t* pError = nullptr;
    XcbReply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_pConn, xcb_get_window_attributes(m_pConn, static_cast<xcb_window_t>(hWnd)), &pError));
    std::free(pError);
    return reply != nullptr;
}

long X11Display::RootWindow() const {
    if (m_pConn == nullptr) {
        return 0;
    }
    return static_cast<long>(xcb_setup_roots_iterator(xcb_get_setup(m_pConn)).data->root);
}

std::optional<X11Display::Size> X11Display::DrawableSize(long hDrawable) const {
    if (m_pConn == nullptr || !IsValidId(hDrawable)) {
        return std::nullopt;
    }
    xcb_generic_error_t* pError = nullptr;
    XcbReply<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(
        m_pConn, xcb_get_geometry(m_pConn, static_cast<xcb_drawable_t>(hDrawable)), &pError));
    std::free(pError);
    if (!reply) {
        return std::nullopt;
    }
    return Size{reply->width, reply->height};
}

std::optional<uint32_t> X11Display::PixmapProperty(long hWnd, const char* pszProperty) const {
    if (m_pConn == nullptr || !IsValidId(hWnd)) {
        return std::nullopt;
    }
    const xcb_atom_t atom = InternAtom(m_pConn, pszProperty);
    if (atom == XCB_ATOM_NONE) {
        return std::nullopt;  // nobody ever set it
    }
    xcb_generic_error_t* pError = nullptr;
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_pConn,
        xcb_get_property(m_pConn, 0, static_cast<xcb_window_t>(hWnd), atom, XCB_ATOM_PIXMAP, 0, 1),
        &pError));
    std::free(pError);
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    uint32_t pixmap;
    std::memcpy(&pixmap, xcb_get_property_value(reply.get()), 4);
    if (pixmap == XCB_NONE) {
        return std::nullopt;
    }
    return pixmap;
}

std::optional<PlatformImage> X11Display::ReadPixmap(uint32_t pixmap, int width, int height) const {
    if (m_pConn == nullptr || pixmap == XCB_NONE || width <= 0 || height <= 0 ||
        !IsSupportedSurfaceSize(width, height, 32)) {
        return std::nullopt;
    }
    const xcb_setup_t* pSetup = xcb_get_setup(m_pConn);
    xcb_generic_error_t* pError = nullptr;
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_pConn, xcb_get_geometry(m_pConn, pixmap), &pError));
    std::free(pError);
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
        m_pConn,
        xcb_get_image(m_pConn, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0,
                      static_cast<uint16_t>(copyW), static_cast<uint16_t>(copyH), ~0u),
        &pError));
    std::free(pError);
    if (!image) {
        return std::nullopt;
    }
    const size_t rowBytes = static_cast<size_t>(copyW) * 4;
    if (static_cast<size_t>(xcb_get_image_data_length(image.get())) < rowBytes * copyH) {
        return std::nullopt;
    }
    PlatformImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    const uint8_t* pData = xcb_get_image_data(image.get());
    for (int y = 0; y < copyH; ++y) {
        uint32_t* pRow = out.pixels.data() + static_cast<size_t>(y) * width;
        std::memcpy(pRow, pData + y * rowBytes, rowBytes);
        // The pad byte of a depth-24 pixel is undefined; the picture is opaque.
        for (int x = 0; x < copyW; ++x) {
            pRow[x] |= 0xFF000000u;
        }
    }
    return out;
}

std::optional<PlatformImage> X11Display::HostScreenshot(long hWnd) const {
    const std::optional<uint32_t> pixmap = PixmapProperty(hWnd, "_SCREENSAVER_SCREENSHOT");
    if (!pixmap) {
        return std::nullopt;
    }
    const std::optional<Size> size = DrawableSize(*pixmap);
    if (!size) {
        return std::nullopt;
    }
    return ReadPixmap(*pixmap, size->width, size->height);
}

std::optional<uint32_t> X11Display::IdleMs() const {
    if (m_pConn == nullptr) {
        return std::nullopt;
    }
    const xcb_query_extension_reply_t* pExtension =
        xcb_get_extension_data(m_pConn, &xcb_screensaver_id);
    if (pExtension == nullptr || pExtension->present == 0) {
        return std::nullopt;
    }
    xcb_screensaver_query_info_reply_t* pReply = xcb_screensaver_query_info_reply(
        m_pConn, xcb_screensaver_query_info(m_pConn, static_cast<xcb_drawable_t>(RootWindow())),
        nullptr);
    if (pReply == nullptr) {
        return std::nullopt;
    }
    const uint32_t dwIdleMs = pReply->ms_since_user_input;
    std::free(pReply);
    return dwIdleMs;
}
