#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/BufferPair.h"
#include "platform/FramePresenter.h"

struct wl_buffer;
struct wl_callback;
struct wl_shm;
struct wl_surface;

// A shared-memory file, mapped.
class SharedMemory {
public:
    SharedMemory() = default;
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;
    ~SharedMemory() { Release(); }

    [[nodiscard]] bool Allocate(size_t nBytes);
    void Release();
    int Fd() const { return m_fd; }
    size_t Size() const { return m_nSize; }
    uint8_t* Bytes() const { return static_cast<uint8_t*>(m_pData); }

private:
    int m_fd = -1;
    void* m_pData = nullptr;
    size_t m_nSize = 0;
};

// wl_shm buffers of one size and format side by side in one shared-memory file.
class ShmBuffers {
public:
    ShmBuffers() = default;
    ShmBuffers(const ShmBuffers&) = delete;
    ShmBuffers& operator=(const ShmBuffers&) = delete;
    ~ShmBuffers() { Release(); }

    // count buffers of width x height pixels, rows of stride bytes. False when the file would be
    // larger than the protocol can describe or memory runs out.
    [[nodiscard]] bool Make(wl_shm* pShm, size_t count, int width, int height, int stride,
                            uint32_t format);
    // Destroys the buffers and unmaps their memory.
    void Release();
    size_t Count() const { return m_buffers.size(); }
    wl_buffer* Buffer(size_t i) const { return m_buffers[i]; }
    uint8_t* Bytes(size_t i) const { return m_memory.Bytes() + m_nEach * i; }

private:
    SharedMemory m_memory;
    std::vector<wl_buffer*> m_buffers;
    size_t m_nEach = 0;  // bytes a buffer
};

// Frames on one surface through two wl_shm buffers, paced by the compositor: a frame goes out
// once the last one has been shown (its frame callback) and into a buffer the compositor has
// released.
class WaylandPresenter : public FramePresenter {
public:
    WaylandPresenter() = default;
    WaylandPresenter(const WaylandPresenter&) = delete;
    WaylandPresenter& operator=(const WaylandPresenter&) = delete;
    ~WaylandPresenter() override { Release(); }

    // Two buffers of width x height pixels for pSurface. bDamageBuffer: the compositor takes
    // damage in buffer pixels (wl_surface version 4). False when memory runs out.
    [[nodiscard]] bool Make(wl_shm* pShm, wl_surface* pSurface, int width, int height,
                            bool bDamageBuffer);
    PixelTarget NextImage() override;
    void Present() override;
    // Lets go of the buffers and the frame callback.
    void Release();
    bool IsMade() const { return m_buffers.Count() > 0; }

    // The compositor's news: it has finished reading pBuffer; it has shown the last frame.
    void Released(const wl_buffer* pBuffer);
    void FrameDone();

private:
    void ReadyAgain();

    wl_surface* m_pSurface = nullptr;
    bool m_bDamageBuffer = false;
    int m_width = 0, m_height = 0;
    ShmBuffers m_buffers;
    BufferPair m_pair;
    std::optional<size_t> m_drawn;  // the buffer NextImage handed out
    wl_callback* m_pFrameCallback = nullptr;
};
