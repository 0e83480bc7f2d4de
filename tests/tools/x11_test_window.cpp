// Creates and maps a plain X window that stands in for a screen-saver host's window, prints its
// id in decimal, and keeps it until the process is ended (which destroys it). With a screenshot
// colour it also leaves a "screenshot" of that colour on the window the way XScreenSaver does
// (_SCREENSAVER_SCREENSHOT).
// Usage: x11_test_window X Y WIDTH HEIGHT [0xRRGGBB background [0xRRGGBB screenshot]]
#include <xcb/xcb.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s X Y WIDTH HEIGHT [0xRRGGBB [0xRRGGBB]]\n", argv[0]);
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int w = std::atoi(argv[3]);
    const int h = std::atoi(argv[4]);
    const uint32_t background =
        argc > 5 ? static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 16)) : 0x00FF00;
    if (w <= 0 || h <= 0) {
        return 2;
    }

    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn) != 0) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_window_t win = xcb_generate_id(conn);
    // Override-redirect keeps any window manager from moving or framing it.
    const uint32_t values[] = {background, 1};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, win, screen->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(h),
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const char title[] = "velvetfade-test-host";
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof(title) - 1, title);
    if (argc > 6) {
        const auto shotColour = static_cast<uint32_t>(std::strtoul(argv[6], nullptr, 16));
        const xcb_pixmap_t pixmap = xcb_generate_id(conn);
        xcb_create_pixmap(conn, screen->root_depth, pixmap, win, static_cast<uint16_t>(w),
                          static_cast<uint16_t>(h));
        const xcb_gcontext_t gc = xcb_generate_id(conn);
        xcb_create_gc(conn, gc, pixmap, XCB_GC_FOREGROUND, &shotColour);
        const xcb_rectangle_t all{0, 0, static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
        xcb_poly_fill_rectangle(conn, pixmap, gc, 1, &all);
        xcb_free_gc(conn, gc);
        const char name[] = "_SCREENSAVER_SCREENSHOT";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, sizeof(name) - 1, name), nullptr);
        if (atom != nullptr) {
            xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, atom->atom, XCB_ATOM_PIXMAP, 32,
                                1, &pixmap);
            std::free(atom);
        }
    }
    xcb_map_window(conn, win);
    xcb_flush(conn);
    std::printf("%u\n", win);
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(conn)) {
        std::free(event);
    }
    xcb_disconnect(conn);
    return 0;
}
