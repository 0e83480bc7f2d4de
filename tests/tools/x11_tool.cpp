// Small X requests and questions for the end-to-end tests.
//   x11_tool window X Y W H [0xRRGGBB [0xRRGGBB]]
//                      maps a plain window (a stand-in for the desktop or a host's window) of
//                      the background colour, prints its id and keeps it until ended; with a
//                      second colour it also leaves a "screenshot" of that colour on it the way
//                      XScreenSaver does (_SCREENSAVER_SCREENSHOT)
//   x11_tool managed X Y W H [0xRRGGBB]
//                      the same, but an ordinary window that a window manager frames and
//                      focuses, titled "velvetfade-test-window"
//   x11_tool cursor    prints "blank" when every pixel of the pointer's cursor is transparent,
//                      else "visible"
//   x11_tool close WIN asks window WIN to close the way a window manager does
//   x11_tool watch MS 0xRRGGBB
//                      reads the whole screen as fast as the server answers, for MS
//                      milliseconds, and prints "T N" whenever the number N of sampled pixels of
//                      that colour changes (T in ms from the start), then how many readings
// Exits 1 without a server (or XFixes), 2 on bad usage.
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* conn, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

uint32_t Colour(const char* text) {
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 16));
}

int Window(xcb_connection_t* conn, int argc, char** argv, bool bManaged) {
    const auto x = static_cast<int16_t>(std::atoi(argv[2]));
    const auto y = static_cast<int16_t>(std::atoi(argv[3]));
    const auto w = static_cast<uint16_t>(std::atoi(argv[4]));
    const auto h = static_cast<uint16_t>(std::atoi(argv[5]));
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const xcb_window_t win = xcb_generate_id(conn);
    // Override-redirect keeps any window manager from moving or framing it.
    const uint32_t values[] = {argc > 6 ? Colour(argv[6]) : 0x00FF00, bManaged ? 0u : 1u};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, win, screen->root, x, y, w, h, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const char* title = bManaged ? "velvetfade-test-window" : "velvetfade-test-host";
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(std::strlen(title)), title);
    if (argc > 7) {
        const uint32_t shot = Colour(argv[7]);
        const xcb_pixmap_t pixmap = xcb_generate_id(conn);
        xcb_create_pixmap(conn, screen->root_depth, pixmap, win, w, h);
        const xcb_gcontext_t gc = xcb_generate_id(conn);
        xcb_create_gc(conn, gc, pixmap, XCB_GC_FOREGROUND, &shot);
        const xcb_rectangle_t all{0, 0, w, h};
        xcb_poly_fill_rectangle(conn, pixmap, gc, 1, &all);
        xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, Atom(conn, "_SCREENSAVER_SCREENSHOT"),
                            XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    }
    xcb_map_window(conn, win);
    xcb_flush(conn);
    std::printf("%u\n", win);
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(conn)) {
        std::free(event);
    }
    return 0;
}

int Cursor(xcb_connection_t* conn) {
    // The extension answers nothing before its version has been asked for.
    std::free(xcb_xfixes_query_version_reply(conn, xcb_xfixes_query_version(conn, 4, 0), nullptr));
    xcb_xfixes_get_cursor_image_reply_t* image =
        xcb_xfixes_get_cursor_image_reply(conn, xcb_xfixes_get_cursor_image(conn), nullptr);
    if (image == nullptr) {
        return 1;
    }
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image);
    const uint32_t* end = pixels + xcb_xfixes_get_cursor_image_cursor_image_length(image);
    const bool visible = std::any_of(pixels, end, [](uint32_t p) { return p >> 24 != 0; });
    std::puts(visible ? "visible" : "blank");
    std::free(image);
    return 0;
}

int Close(xcb_connection_t* conn, const char* window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(std::strtoul(window, nullptr, 0));
    event.type = Atom(conn, "WM_PROTOCOLS");
    event.data.data32[0] = Atom(conn, "WM_DELETE_WINDOW");
    xcb_send_event(conn, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    return 0;
}

int Watch(xcb_connection_t* conn, char** argv) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(std::atoi(argv[2]));
    const uint32_t colour = Colour(argv[3]);
    long last = -1;
    long readings = 0;
    while (std::chrono::steady_clock::now() < end) {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            conn,
            xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
            nullptr);
        if (image == nullptr) {
            return 1;
        }
        // Every 7th pixel: a grid fine enough for any window, fast enough for 1 ms readings.
        const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
        const int count = xcb_get_image_data_length(image) / 4;
        long matching = 0;
        for (int i = 0; i < count; i += 7) {
            matching += (pixels[i] & 0xFFFFFF) == colour ? 1 : 0;
        }
        std::free(image);
        ++readings;
        if (matching != last) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            std::printf("%lld %ld\n", static_cast<long long>(ms.count()), matching);
            std::fflush(stdout);
            last = matching;
        }
    }
    std::printf("readings %ld\n", readings);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* command = argc > 1 ? argv[1] : "";
    const bool managed = std::strcmp(command, "managed") == 0 && argc >= 6;
    const bool window = (managed || std::strcmp(command, "window") == 0) && argc >= 6;
    const bool cursor = std::strcmp(command, "cursor") == 0 && argc == 2;
    const bool close = std::strcmp(command, "close") == 0 && argc == 3;
    const bool watch = std::strcmp(command, "watch") == 0 && argc == 4;
    if (!window && !cursor && !close && !watch) {
        std::fputs(
            "usage: x11_tool window|managed X Y W H [0xRRGGBB [0xRRGGBB]] | cursor | "
            "close WIN | watch MS 0xRRGGBB\n",
            stderr);
        return 2;
    }
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn) != 0) {
        std::fprintf(stderr, "cannot open display\n");
        return 1;
    }
    const int status = window   ? Window(conn, argc, argv, managed)
                       : cursor ? Cursor(conn)
                       : watch  ? Watch(conn, argv)
                                : Close(conn, argv[2]);
    xcb_disconnect(conn);
    return status;
}
