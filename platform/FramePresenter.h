#pragma once

#include <functional>
#include <utility>

#include "imaging/DeviceContext.h"

// Puts frames on one window or surface through buffers that the display server reads on its
// own time (X11's shared-memory images, Wayland's wl_shm buffers; see BufferPair).
class FramePresenter {
public:
    virtual ~FramePresenter() = default;

    // The buffer to draw the next frame into (32-bit, top-down, the surface's size in pixels), or
    // a target without bits while the server cannot take a frame; the ready handler then says
    // when it can.
    virtual PixelTarget NextImage() = 0;
    // Shows what was drawn into the buffer NextImage gave.
    virtual void Present() = 0;

    // Called when a frame that NextImage turned away can be drawn.
    void OnReady(std::function<void()> ready) { m_ready = std::move(ready); }

    // Draws a frame into the next buffer with draw and shows it; false when the frame waits.
    bool Show(const std::function<void(const PixelTarget&)>& draw) {
        const PixelTarget target = NextImage();
        if (target.bits == nullptr) {
            return false;
        }
        draw(target);
        Present();
        return true;
    }

protected:
    FramePresenter() = default;
    void Ready() const {
        if (m_ready) {
            m_ready();
        }
    }
    // A 32-bit top-down target over a buffer of width x height pixels.
    static PixelTarget TargetFor(uint8_t* pBits, int width, int height) {
        PixelTarget target;
        target.bits = pBits;
        target.width = width;
        target.height = height;
        target.stride = width * 4;
        target.bitCount = 32;
        target.bottomUp = false;
        return target;
    }

private:
    std::function<void()> m_ready;
};
