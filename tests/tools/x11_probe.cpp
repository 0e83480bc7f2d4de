// Small X questions and requests for the end-to-end tests.
//   x11_probe cursor      prints "blank" when every pixel of the pointer's current cursor is
//                         transparent, else "visible WxH"
//   x11_probe close WIN   asks window WIN to close the way a window manager does
//                         (WM_DELETE_WINDOW)
// Exits 1 without a server or the XFixes extension, 2 on bad usage.
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int PrintCursor(xcb_connection_t* conn) {
    // The extension answers nothing before its version has been asked for.
    std::free(xcb_xfixes_query_version_reply(conn, xcb_xfixes_query_version(conn, 4, 0), nullptr));
    xcb_xfixes_get_cursor_image_reply_t* image =
        xcb_xfixes_get_cursor_image_reply(conn, xcb_xfixes_get_cursor_image(conn), nullptr);
    if (image == nullptr) {
        std::fprintf(stderr, "no cursor image\n");
        return 1;
    }
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image);
    const int count = xcb_xfixes_get_cursor_image_cursor_image_length(image);
    bool visible = false;
    for (int i = 0; i < count; ++i) {
        visible = visible || (pixels[i] >> 24) != 0;
    }
    if (visible) {
        std::printf("visible %ux%u\n", image->width, image->height);
    } else {
        std::printf("blank\n");
    }
    std::free(image);
    return 0;
}

xcb_atom_t Atom(xcb_connection_t* conn, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

int Close(xcb_connection_t* conn, xcb_window_t win) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = win;
    event.type = Atom(conn, "WM_PROTOCOLS");
    event.data.data32[0] = Atom(conn, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(conn, 0, win, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool cursor = argc == 2 && std::strcmp(argv[1], "cursor") == 0;
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    if (!cursor && !close) {
        std::fprintf(stderr, "usage: %s cursor | close WINDOW\n", argv[0]);
        return 2;
    }
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn) != 0) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    const int status =
        cursor ? PrintCursor(conn)
               : Close(conn, static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
    xcb_disconnect(conn);
    return status;
}
