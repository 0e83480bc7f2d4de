#pragma once

#include <cstdint>
#include <optional>

#include "CommandLineInfo.h"

struct xcb_connection_t;

// A connection of our own to the X server named by $DISPLAY, for questions about windows that
// are not ours (the host's preview window). Works before and independently of Qt's connection;
// without an X server every window is reported missing.
class X11Display : public WindowQuery {
public:
    X11Display();
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool IsOpen() const { return m_pConn != nullptr; }

    bool IsWindow(long hWnd) const override;

    struct Size {
        int width;
        int height;
    };
    // The window's size (its client area: X windows have no frame of their own).
    std::optional<Size> WindowSize(long hWnd) const;

private:
    xcb_connection_t* m_pConn = nullptr;
};
