// The desktop as the X server shows it, read through Qt and xcb. Runs on a private Xvfb
// display (tests/e2e/with_xvfb.sh) with Qt's xcb platform.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "ImagingTestUtil.h"
#include "imaging/DesktopPictures.h"
#include "imaging/DibSurface.h"
#include "platform/QtDesktopSource.h"

namespace {

// A small X client of the test's own: paints the root background and publishes it as the
// wallpaper the way wallpaper setters do, and maps plain windows over it.
class XDesktop {
public:
    XDesktop() : m_pConn(xcb_connect(nullptr, nullptr)) {
        m_pScreen = xcb_setup_roots_iterator(xcb_get_setup(m_pConn)).data;
    }
    ~XDesktop() { xcb_disconnect(m_pConn); }

    // Left half one colour, right half another (0xRRGGBB on a TrueColor screen).
    void SetWallpaper(uint32_t left, uint32_t right) {
        const uint16_t w = m_pScreen->width_in_pixels, h = m_pScreen->height_in_pixels;
        const xcb_pixmap_t pixmap = xcb_generate_id(m_pConn);
        xcb_create_pixmap(m_pConn, m_pScreen->root_depth, pixmap, m_pScreen->root, w, h);
        Fill(pixmap, left, 0, 0, static_cast<uint16_t>(w / 2), h);
        Fill(pixmap, right, static_cast<int16_t>(w / 2), 0, static_cast<uint16_t>(w - w / 2), h);
        xcb_change_window_attributes(m_pConn, m_pScreen->root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_clear_area(m_pConn, 0, m_pScreen->root, 0, 0, 0, 0);
        xcb_change_property(m_pConn, XCB_PROP_MODE_REPLACE, m_pScreen->root, Atom("_XROOTPMAP_ID"),
                            XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        Sync();
    }

    void RemoveWallpaperProperty() {
        xcb_delete_property(m_pConn, m_pScreen->root, Atom("_XROOTPMAP_ID"));
        Sync();
    }

    xcb_window_t MapWindow(int16_t x, int16_t y, uint16_t w, uint16_t h, uint32_t rgb) {
        const xcb_window_t win = xcb_generate_id(m_pConn);
        const uint32_t values[] = {rgb, 1};
        xcb_create_window(m_pConn, XCB_COPY_FROM_PARENT, win, m_pScreen->root, x, y, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_pScreen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_pConn, win);
        Sync();
        return win;
    }

    void Destroy(xcb_window_t win) {
        xcb_destroy_window(m_pConn, win);
        Sync();
    }

private:
    void Fill(xcb_drawable_t d, uint32_t rgb, int16_t x, int16_t y, uint16_t w, uint16_t h) {
        const xcb_gcontext_t gc = xcb_generate_id(m_pConn);
        xcb_create_gc(m_pConn, gc, d, XCB_GC_FOREGROUND, &rgb);
        const xcb_rectangle_t rect{x, y, w, h};
        xcb_poly_fill_rectangle(m_pConn, d, gc, 1, &rect);
        xcb_free_gc(m_pConn, gc);
    }
    xcb_atom_t Atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            m_pConn, xcb_intern_atom(m_pConn, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = r != nullptr ? r->atom : 0;
        std::free(r);
        return atom;
    }
    void Sync() {
        std::free(xcb_get_input_focus_reply(m_pConn, xcb_get_input_focus(m_pConn), nullptr));
        // Give the server a moment to expose what was mapped.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    xcb_connection_t* m_pConn;
    xcb_screen_t* m_pScreen;
};

class DesktopSourceTest : public ::testing::Test {
protected:
    void SetUp() override { m_size = QGuiApplication::primaryScreen()->geometry().size(); }
    XDesktop m_x;
    QtDesktopSource m_source;
    QSize m_size;
};

TEST_F(DesktopSourceTest, CaptureShowsTheScreenWithItsWindows) {
    m_x.SetWallpaper(0x204080, 0xC0A000);
    const xcb_window_t win = m_x.MapWindow(100, 50, 200, 100, 0x00FF00);
    DibSurface screen(m_size.width(), m_size.height(), 24);
    CaptureScreen(screen, &m_source, 0, 0);
    EXPECT_EQ(testutil::Get(screen, 10, 10), RGB(0x20, 0x40, 0x80));
    EXPECT_EQ(testutil::Get(screen, m_size.width() - 1, m_size.height() - 1),
              RGB(0xC0, 0xA0, 0x00));
    EXPECT_EQ(testutil::Get(screen, 150, 100), RGB(0, 255, 0));
    EXPECT_EQ(testutil::Get(screen, 299, 149), RGB(0, 255, 0));
    EXPECT_EQ(testutil::Get(screen, 300, 150), RGB(0x20, 0x40, 0x80));

    // From another screen point: (100, 50) lands on the surface's corner.
    DibSurface part(50, 20, 24);
    CaptureScreen(part, &m_source, 100, 50);
    EXPECT_EQ(testutil::Get(part, 0, 0), RGB(0, 255, 0));
    m_x.Destroy(win);
}

TEST_F(DesktopSourceTest, WithoutAPublishedWallpaperTheDesktopIsBlack) {
    m_x.SetWallpaper(0x102030, 0x405060);
    m_x.RemoveWallpaperProperty();
    DibSurface desktop(64, 48, 24);
    desktop.FillBytes(99);
    ASSERT_TRUE(PaintDesktopInto(desktop, &m_source));
    EXPECT_EQ(testutil::Get(desktop, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(testutil::Get(desktop, 63, 47), RGB(0, 0, 0));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
