#include "platform/WaylandBuffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>

#include "platform/WaylandProtocols.h"

bool SharedMemory::Allocate(size_t nBytes) {
    Release();
    m_fd = memfd_create("velvetfade", MFD_CLOEXEC);
    if (m_fd < 0 || ftruncate(m_fd, static_cast<off_t>(nBytes)) != 0) {
        Release();
        return false;
    }
    void* pData = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (pData == MAP_FAILED) {
        Release();
        return false;
    }
    m_pData = pData;
    m_nSize = nBytes;
    return true;
}

void SharedMemory::Release() {
    if (m_pData != nullptr) {
        munmap(m_pData, m_nSize);
        m_pData = nullptr;
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_nSize = 0;
}

bool ShmBuffers::Make(wl_shm* pShm, size_t count, int width, int height, int stride,
                      uint32_t format) {
    Release();
    const size_t nEach = size_t{static_cast<unsigned>(stride)} * static_cast<unsigned>(height);
    if (nEach * count > INT32_MAX || !m_memory.Allocate(nEach * count)) {
        return false;
    }
    m_nEach = nEach;
    wl_shm_pool* pool =
        wl_shm_create_pool(pShm, m_memory.Fd(), static_cast<int32_t>(m_memory.Size()));
    for (size_t i = 0; i < count; ++i) {
        m_buffers.push_back(wl_shm_pool_create_buffer(pool, static_cast<int32_t>(nEach * i), width,
                                                      height, stride, format));
    }
    wl_shm_pool_destroy(pool);
    return true;
}

void ShmBuffers::Release() {
    for (wl_buffer* pBuffer : m_buffers) {
        wl_buffer_destroy(pBuffer);
    }
    m_buffers.clear();
    m_memory.Release();
    m_nEach = 0;
}

namespace {

void OnBufferRelease(void* pData, wl_buffer* pBuffer) {
    static_cast<WaylandPresenter*>(pData)->Released(pBuffer);
}

void OnFrameDone(void* pData, wl_callback* /*pCallback*/, uint32_t /*time*/) {
    static_cast<WaylandPresenter*>(pData)->FrameDone();
}

const wl_buffer_listener BUFFER_LISTENER = {.release = OnBufferRelease};
const wl_callback_listener FRAME_DONE_LISTENER = {.done = OnFrameDone};

}  // namespace

void WaylandPresenter::Release() {
    Destroy(m_pFrameCallback, wl_callback_destroy);
    m_buffers.Release();
    m_drawn.reset();
}

bool WaylandPresenter::Make(wl_shm* pShm, wl_surface* pSurface, int width, int height,
                            bool bDamageBuffer) {
    m_pSurface = pSurface;
    m_bDamageBuffer = bDamageBuffer;
    m_width = width;
    m_height = height;
    m_pair.Reset();
    if (!m_buffers.Make(pShm, 2, width, height, width * 4, WL_SHM_FORMAT_XRGB8888)) {
        return false;
    }
    for (size_t i = 0; i < m_buffers.Count(); ++i) {
        wl_buffer_add_listener(m_buffers.Buffer(i), &BUFFER_LISTENER, this);
    }
    return true;
}

PixelTarget WaylandPresenter::NextImage() {
    m_drawn.reset();
    if (m_buffers.Count() == 0 || m_pFrameCallback != nullptr) {
        m_pair.Wait();
        return {};
    }
    m_drawn = m_pair.Take();
    return m_drawn ? TargetFor(m_buffers.Bytes(*m_drawn), m_width, m_height) : PixelTarget{};
}

void WaylandPresenter::Present() {
    if (!m_drawn) {
        return;
    }
    wl_surface_attach(m_pSurface, m_buffers.Buffer(*m_drawn), 0, 0);
    if (m_bDamageBuffer) {
        wl_surface_damage_buffer(m_pSurface, 0, 0, INT32_MAX, INT32_MAX);
    } else {
        wl_surface_damage(m_pSurface, 0, 0, INT32_MAX, INT32_MAX);
    }
    m_pFrameCallback = wl_surface_frame(m_pSurface);
    wl_callback_add_listener(m_pFrameCallback, &FRAME_DONE_LISTENER, this);
    wl_surface_commit(m_pSurface);
    m_pair.Shown(*m_drawn);
    m_drawn.reset();
}

void WaylandPresenter::Released(const wl_buffer* pBuffer) {
    for (size_t i = 0; i < m_buffers.Count(); ++i) {
        if (m_buffers.Buffer(i) == pBuffer) {
            m_pair.Finished(i);
        }
    }
    ReadyAgain();
}

void WaylandPresenter::FrameDone() {
    Destroy(m_pFrameCallback, wl_callback_destroy);
    ReadyAgain();
}

// Tells the saver when a frame that found no buffer to draw into can go now.
void WaylandPresenter::ReadyAgain() {
    if (m_pFrameCallback == nullptr && m_buffers.Count() > 0 && m_pair.TakeWaitingFrame()) {
        Ready();
    }
}
