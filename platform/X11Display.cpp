#include "X11Display.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// X window ids are 32-bit and never 0.
bool IsValidId(long hWnd) {
    return hWnd > 0 && static_cast<unsigned long>(hWnd) <= UINT32_MAX;
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
    auto cookie = xcb_get_window_attributes(m_pConn, static_cast<xcb_window_t>(hWnd));
    xcb_get_window_attributes_reply_t* pReply =
        xcb_get_window_attributes_reply(m_pConn, cookie, &pError);
    const bool bExists = pReply != nullptr;
    std::free(pReply);
    std::free(pError);
    return bExists;
}

std::optional<X11Display::Size> X11Display::WindowSize(long hWnd) const {
    if (m_pConn == nullptr || !IsValidId(hWnd)) {
        return std::nullopt;
    }
    xcb_generic_error_t* pError = nullptr;
    auto cookie = xcb_get_geometry(m_pConn, static_cast<xcb_drawable_t>(hWnd));
    xcb_get_geometry_reply_t* pReply = xcb_get_geometry_reply(m_pConn, cookie, &pError);
    std::free(pError);
    if (pReply == nullptr) {
        return std::nullopt;
    }
    const Size size{pReply->width, pReply->height};
    std::free(pReply);
    return size;
}
