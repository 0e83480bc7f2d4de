// Says whether the pointer's cursor shows anything: prints "blank" when every pixel of the
// current cursor image is transparent, else "visible WxH". Exits 1 without a server or XFixes.
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdio>
#include <cstdlib>

int main() {
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn) != 0) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    // The extension answers nothing before its version has been asked for.
    std::free(xcb_xfixes_query_version_reply(conn, xcb_xfixes_query_version(conn, 4, 0), nullptr));
    xcb_xfixes_get_cursor_image_reply_t* image =
        xcb_xfixes_get_cursor_image_reply(conn, xcb_xfixes_get_cursor_image(conn), nullptr);
    if (image == nullptr) {
        std::fprintf(stderr, "no cursor image\n");
        xcb_disconnect(conn);
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
    xcb_disconnect(conn);
    return 0;
}
