#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/DeviceContext.h"

// Shows frames in an X window through two shared-memory images of the window's size: the next
// frame is drawn into one while the server still copies the other, and nothing waits for the
// server. The frames go to a child window of our own that covers the given one, on a connection
// of our own, so that the toolkit's painting of its window never lands over a frame and the
// server's completion events come to us. The child takes no input: events reach the window
// below as before, and so does its cursor.
class X11FramePresenter {
public:
    // Null when there is no X display, the server has no shared memory for us (a remote
    // display), the window's pixels are not 32-bit blue-green-red, or memory runs out.
    static std::unique_ptr<X11FramePresenter> Create(uint32_t window, int width, int height);
    ~X11FramePresenter();
    X11FramePresenter(const X11FramePresenter&) = delete;
    X11FramePresenter& operator=(const X11FramePresenter&) = delete;

    // The connection's file descriptor: readable when the server has news for ProcessEvents.
    int FileDescriptor() const;

    // The image to draw the next frame into (32-bit, top-down, the window's size), or one
    // without bits while the server still reads both.
    PixelTarget NextImage();
    // Puts the image NextImage gave on the window.
    void ShowImage();
    // Handles what the server sent: finished copies free their image, exposures get the last
    // frame again. True when an image became free.
    bool ProcessEvents();
    // Follows a new window size; the images are made anew, black. False when memory runs out.
    bool Resize(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint64_t ImagesShown() const { return m_nShown; }

private:
    // The protocol's limit on a window's side.
    static constexpr int MAX_SIDE = 32767;
    struct Image;
    X11FramePresenter() = default;
    bool MakeImages();
    void FreeImages();
    void Put(size_t index);

    xcb_connection_t* m_pConnection = nullptr;
    uint32_t m_child = 0;
    uint32_t m_gc = 0;
    uint8_t m_depth = 0;
    uint8_t m_completionEvent = 0;
    int m_width = 0;
    int m_height = 0;
    std::array<std::unique_ptr<Image>, 2> m_images;
    size_t m_nNext = 0;     // the image NextImage hands out
    int m_nLastShown = -1;  // the image on the window, -1 before the first
    uint64_t m_nShown = 0;
};
