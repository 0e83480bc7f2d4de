#pragma once

#include <cstdint>
#include <optional>

#include "app/CommandLineInfo.h"
#include "imaging/ImagingPlatform.h"

struct xcb_connection_t;

// A connection of our own to the X server named by $DISPLAY, for questions about windows and
// pixmaps that are not ours (a host's window, its screenshot, the wallpaper). Works before and
// independently of Qt's connection; without an X server every window is reported missing.
class X11Display : public WindowQuery {
public:
    X11Display();
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool IsOpen() const { return m_pConn != nullptr; }

    bool IsWindow(long hWnd) const override;
    // The first screen's root window; 0 without a server.
    long RootWindow() const;

    struct Size {
        int width;
        int height;
    };
    // The size of a window (its client area: X windows have no frame of their own) or pixmap.
    std::optional<Size> DrawableSize(long hDrawable) const;
    std::optional<Size> WindowSize(long hWnd) const { return DrawableSize(hWnd); }

    // The pixmap a PIXMAP-typed property of the window names, such as the wallpaper on the root
    // or a screen-saver host's screenshot; nothing when the property is missing or malformed.
    std::optional<uint32_t> PixmapProperty(long hWnd, const char* pszProperty) const;

    // The pixmap's pixels from its top-left corner at their natural size on a width x height
    // image, black beyond. Only true-colour pixmaps in 32-bit pixels (every depth-24 server of
    // today); nothing for others, for sizes no surface takes, or when the pixmap is gone.
    std::optional<PlatformImage> ReadPixmap(uint32_t pixmap, int width, int height) const;

    // The screenshot of the screen that XScreenSaver leaves on its window before it blanks the
    // screen (_SCREENSAVER_SCREENSHOT), at the pixmap's own size; nothing when there is none.
    std::optional<PlatformImage> HostScreenshot(long hWnd) const;

    // How long since the user last pressed a key or moved the mouse, in milliseconds, as the
    // server's screen-saver extension counts; nothing without it.
    std::optional<uint32_t> IdleMs() const;

private:
    xcb_connection_t* m_pConn = nullptr;
};
