#pragma once

#include <cstdint>
#include <optional>

#include "imaging/ImagingPlatform.h"
#include "platform/WaylandBuffers.h"

struct wl_output;
struct wl_shm;
struct zwlr_screencopy_frame_v1;
struct zwlr_screencopy_manager_v1;

// A screencopy buffer as an image: rows of `stride` bytes in a 32-bit shared-memory format
// (red or blue in the lowest byte), the bottom row first when the frame's flags say y-invert;
// opaque whatever the top byte held.
PlatformImage CapturedImage(const uint8_t* pBytes, uint32_t width, uint32_t height, uint32_t stride,
                            uint32_t format, uint32_t flags);

// The output as its user sees it, from a capture in the output's own pixel order: undoes the
// output's transform (a wl_output transform: rotation, and a flip for the flipped ones), so that
// a portrait monitor's snapshot is upright and as wide as the monitor is in use.
PlatformImage UprightImage(const PlatformImage& framebuffer, int32_t transform);

// One output's contents as captured, for its show, from its top left corner; black beyond it,
// and nothing at all without a capture. There is no wallpaper to read on Wayland.
class CapturedOutput : public DesktopSource {
public:
    explicit CapturedOutput(std::optional<PlatformImage> image = std::nullopt)
        : m_image(std::move(image)) {}
    std::optional<PlatformImage> CaptureScreen(int x, int y, int width, int height) override;
    std::optional<PlatformImage> DesktopPicture(int, int) override { return std::nullopt; }

private:
    std::optional<PlatformImage> m_image;
};

// One output's contents read with the wlr-screencopy protocol into a shared-memory buffer in the
// format the compositor offers.
class ScreenCapture {
public:
    ScreenCapture() = default;
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;
    ~ScreenCapture() { Release(); }

    // Asks for the output's contents, without the cursor (it moves on while the fade runs).
    void Start(zwlr_screencopy_manager_v1* pManager, uint32_t nVersion, wl_output* pOutput,
               wl_shm* pShm);
    // The compositor has answered: copied, failed, or offered nothing we read.
    bool Done() const { return m_bDone; }
    // The contents, or nothing when they could not be read.
    std::optional<PlatformImage> Image() const;
    // Lets go of the frame and its buffer.
    void Release();

    // The compositor's news: a shared-memory buffer it can copy into; the frame's flags; the
    // offers are complete; the copy is there, or failed.
    void Offered(uint32_t format, uint32_t width, uint32_t height, uint32_t stride);
    void SetFlags(uint32_t flags) { m_flags = flags; }
    void OffersDone() { Copy(); }
    void Finished(bool bCopied);

private:
    void Copy();

    zwlr_screencopy_frame_v1* m_pFrame = nullptr;
    wl_shm* m_pShm = nullptr;
    uint32_t m_nVersion = 0;
    uint32_t m_format = 0, m_width = 0, m_height = 0, m_stride = 0;
    bool m_bOffered = false;  // a shared-memory buffer was described
    uint32_t m_flags = 0;     // the frame's: y-invert
    bool m_bDone = false;
    bool m_bCopied = false;
    ShmBuffers m_buffer;
};
