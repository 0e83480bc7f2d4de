#include "platform/WaylandCapture.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "imaging/SurfaceLimits.h"
#include "platform/WaylandProtocols.h"

namespace {

// The shared-memory formats a capture can come in that we can read: 32-bit, little-endian.
std::optional<bool> IsRedFirst(uint32_t format) {
    switch (format) {
        case WL_SHM_FORMAT_ARGB8888:
        case WL_SHM_FORMAT_XRGB8888:
            return false;
        case WL_SHM_FORMAT_ABGR8888:
        case WL_SHM_FORMAT_XBGR8888:
            return true;
        default:
            return std::nullopt;
    }
}

ScreenCapture& CaptureOf(void* pData) {
    return *static_cast<ScreenCapture*>(pData);
}

void OnBuffer(void* pData, zwlr_screencopy_frame_v1* /*pFrame*/, uint32_t format, uint32_t width,
              uint32_t height, uint32_t stride) {
    CaptureOf(pData).Offered(format, width, height, stride);
}

void OnFlags(void* pData, zwlr_screencopy_frame_v1* /*pFrame*/, uint32_t flags) {
    CaptureOf(pData).SetFlags(flags);
}

void OnReady(void* pData, zwlr_screencopy_frame_v1* /*pFrame*/, uint32_t /*secHi*/,
             uint32_t /*secLo*/, uint32_t /*nsec*/) {
    CaptureOf(pData).Finished(true);
}

void OnFailed(void* pData, zwlr_screencopy_frame_v1* /*pFrame*/) {
    CaptureOf(pData).Finished(false);
}

void OnDamage(void* /*pData*/, zwlr_screencopy_frame_v1* /*pFrame*/, uint32_t /*x*/, uint32_t /*y*/,
              uint32_t /*width*/, uint32_t /*height*/) {}

void OnDmabuf(void* /*pData*/, zwlr_screencopy_frame_v1* /*pFrame*/, uint32_t /*format*/,
              uint32_t /*width*/, uint32_t /*height*/) {}

void OnBufferDone(void* pData, zwlr_screencopy_frame_v1* /*pFrame*/) {
    CaptureOf(pData).OffersDone();
}

const zwlr_screencopy_frame_v1_listener FRAME_LISTENER = {
    .buffer = OnBuffer,
    .flags = OnFlags,
    .ready = OnReady,
    .failed = OnFailed,
    .damage = OnDamage,
    .linux_dmabuf = OnDmabuf,
    .buffer_done = OnBufferDone,
};

}  // namespace

void ScreenCapture::Start(zwlr_screencopy_manager_v1* pManager, uint32_t nVersion,
                          wl_output* pOutput, wl_shm* pShm) {
    m_pShm = pShm;
    m_nVersion = nVersion;
    m_pFrame = zwlr_screencopy_manager_v1_capture_output(pManager, 0, pOutput);
    zwlr_screencopy_frame_v1_add_listener(m_pFrame, &FRAME_LISTENER, this);
}

void ScreenCapture::Offered(uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
    // Before version 3 the description is the last word; from 3 on, buffer_done is.
    const bool bFirstOffer = !m_bOffered;
    m_bOffered = true;
    m_format = format;
    m_width = width;
    m_height = height;
    m_stride = stride;
    if (bFirstOffer && m_nVersion < 3) {
        Copy();
    }
}

void ScreenCapture::Copy() {
    if (!m_bOffered || !IsRedFirst(m_format) || m_width == 0 || m_height == 0 ||
        m_stride < m_width * 4 ||
        !IsSupportedSurfaceSize(static_cast<int>(std::min<uint32_t>(m_width, INT_MAX)),
                                static_cast<int>(std::min<uint32_t>(m_height, INT_MAX)), 32) ||
        m_stride > INT32_MAX ||
        !m_buffer.Make(m_pShm, 1, static_cast<int>(m_width), static_cast<int>(m_height),
                       static_cast<int>(m_stride), m_format)) {
        m_bDone = true;
        return;
    }
    zwlr_screencopy_frame_v1_copy(m_pFrame, m_buffer.Buffer(0));
}

void ScreenCapture::Finished(bool bCopied) {
    m_bDone = true;
    m_bCopied = bCopied;
}

std::optional<PlatformImage> ScreenCapture::Image() const {
    if (!m_bCopied) {
        return std::nullopt;
    }
    return CapturedImage(m_buffer.Bytes(0), m_width, m_height, m_stride, m_format, m_flags);
}

void ScreenCapture::Release() {
    Destroy(m_pFrame, zwlr_screencopy_frame_v1_destroy);
    m_buffer.Release();
}

std::optional<PlatformImage> CapturedOutput::CaptureScreen(int x, int y, int width, int height) {
    if (!m_image || width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const PlatformImage& source = *m_image;
    PlatformImage part;
    part.width = width;
    part.height = height;
    part.pixels.assign(size_t{static_cast<unsigned>(width)} * static_cast<unsigned>(height),
                       0xFF000000u);
    const int64_t right = std::min<int64_t>(int64_t{x} + width, source.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + height, source.height);
    for (int64_t row = std::max(y, 0); row < bottom; ++row) {
        for (int64_t col = std::max(x, 0); col < right; ++col) {
            part.pixels[static_cast<size_t>((row - y) * width + (col - x))] =
                source.pixels[static_cast<size_t>(row * source.width + col)];
        }
    }
    return part;
}

PlatformImage UprightImage(const PlatformImage& framebuffer, int32_t transform) {
    const int quarterTurns = transform & 3;
    const bool bFlipped = (transform & 4) != 0;
    if (transform == WL_OUTPUT_TRANSFORM_NORMAL || !framebuffer.IsValid()) {
        return framebuffer;
    }
    const int fw = framebuffer.width, fh = framebuffer.height;
    PlatformImage upright;
    upright.width = quarterTurns % 2 == 0 ? fw : fh;
    upright.height = quarterTurns % 2 == 0 ? fh : fw;
    upright.pixels.resize(framebuffer.pixels.size());
    const int w = upright.width, h = upright.height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // The flip comes first on the way to the output, so last on the way back.
            const int u = bFlipped ? w - 1 - x : x;
            int fx = u, fy = y;
            if (quarterTurns == 1) {
                fx = y, fy = w - 1 - u;
            } else if (quarterTurns == 2) {
                fx = w - 1 - u, fy = h - 1 - y;
            } else if (quarterTurns == 3) {
                fx = h - 1 - y, fy = u;
            }
            upright.pixels[static_cast<size_t>(y) * w + x] =
                framebuffer.pixels[static_cast<size_t>(fy) * fw + fx];
        }
    }
    return upright;
}

PlatformImage CapturedImage(const uint8_t* pBytes, uint32_t width, uint32_t height, uint32_t stride,
                            uint32_t format, uint32_t flags) {
    const bool bRedFirst = IsRedFirst(format).value_or(false);
    const bool bBottomUp = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
    PlatformImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t srcY = bBottomUp ? height - 1 - y : y;
        const uint8_t* pSrc = pBytes + size_t{srcY} * stride;
        uint32_t* pDst = image.pixels.data() + size_t{y} * width;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, pSrc + size_t{x} * 4, 4);
            if (bRedFirst) {
                pixel = (pixel & 0x0000FF00u) | ((pixel & 0xFFu) << 16) | ((pixel >> 16) & 0xFFu);
            }
            pDst[x] = pixel | 0xFF000000u;  // the X formats leave the top byte undefined
        }
    }
    return image;
}
