#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/BufferPair.h"
#include "platform/FramePresenter.h"

// Shows frames in an X window through two shared-memory images of the window's size: the next
// frame is drawn into one while the server still copies the other, and nothing waits for the
// server. The frames go to a child window of our own that covers the given one, on a connection
// of our own, so that the toolkit's painting of its window never lands over a frame and the
// server's completion events come to us. The child takes no input: events reach the window
// below as before, and so does its cursor.
class X11FramePresenter : public FramePresenter {
public:
    // Null when there is no X display, the server has no shared memory for us (a remote
    // display), the window's pixels are not 32-bit blue-green-red, or memory runs out.
    static std::unique_ptr<X11FramePresenter> Create(uint32_t window, int width, int height);
    ~X11FramePresenter() override;
    X11FramePresenter(const X11FramePresenter&) = delete;
    X11FramePresenter& operator=(const X11FramePresenter&) = delete;

    // The connection's file descriptor: readable when the server has news for ProcessEvents.
    int FileDescriptor() const;

    // An image of the window's size, or none while the server still copies both.
    PixelTarget NextImage() override;
    // Puts the image NextImage gave on the window.
    void Present() override;
    // Handles what the server sent: finished copies free their image (and a waiting frame is
    // ready), exposures get the last frame again.
    void ProcessEvents();
    // Follows a new window size; the images are made anew, black. False when memory runs out.
    bool Resize(int width, int height);

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
    BufferPair m_pair;
    std::optional<size_t> m_drawn;  // the image NextImage handed out
};
