#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ExitConditions.h"
#include "imaging/DeviceContext.h"
#include "imaging/ImagingPlatform.h"

// A monitor as the compositor describes it. (Where it lies on the desktop, wlroots tells
// through another protocol only; nothing here needs it.)
struct WaylandOutput {
    int width = 0, height = 0;  // its current mode, in pixels
    int scale = 1;
};

// What the saver hears from the seat.
// Input as the saver's other windows report it; FocusLost: none of our surfaces has the
// keyboard any more. Positions are in logical pixels of the desktop.
using WaylandInput = SaverInput;

// The saver on a Wayland compositor, without Qt: reads every output's contents with the
// wlr-screencopy protocol, then covers each output with an overlay surface of the wlr-layer-shell
// protocol (a full-screen xdg-shell window where the compositor has no layer shell), shows frames
// through two shared-memory buffers an output, paced by the compositor's frame callbacks, and
// reports the seat's input. One object is one connection to the compositor.
class WaylandOverlay {
public:
    struct Handlers {
        std::function<void(WaylandInput, int x, int y)> input;
        // Output i can take a frame again: a buffer came back or the last frame was shown.
        std::function<void(size_t i)> ready;
        // An output came or went, or the compositor took a surface away.
        std::function<void()> outputsChanged;
    };

    // Connects to the compositor $WAYLAND_DISPLAY names and learns its outputs. withheld: names
    // of protocol interfaces to treat as missing (to try what a compositor without them gives).
    // Null, with the reason in strError, when there is no compositor or no output.
    static std::unique_ptr<WaylandOverlay> Connect(const std::vector<std::string>& withheld,
                                                   std::string& strError);
    ~WaylandOverlay();
    WaylandOverlay(const WaylandOverlay&) = delete;
    WaylandOverlay& operator=(const WaylandOverlay&) = delete;

    const std::vector<WaylandOutput>& Outputs() const;
    bool CanCapture() const;
    bool HasLayerShell() const;

    // Every output's contents as they are now, in its own pixels; nothing for an output that
    // could not be read. Call before Cover: afterwards our own surfaces are what it would read.
    std::vector<std::optional<PlatformImage>> CaptureOutputs();

    // Covers every output and starts reporting to handlers. False, with the reason, when the
    // compositor offers no way to cover them or did not answer.
    bool Cover(bool bHideCursor, Handlers handlers, std::string& strError);

    // The pixels of a free buffer of output i (32-bit, top-down, the surface's size in pixels),
    // or a target without bits while the compositor holds both or has not shown the last frame.
    PixelTarget NextBuffer(size_t i);
    // Shows what was drawn into the buffer NextBuffer gave.
    void Present(size_t i);

    // The connection's socket, readable when the compositor has sent something.
    int FileDescriptor() const;
    // Reads and handles what the compositor sent. False when the connection is gone.
    bool ProcessEvents();
    // Sends what was asked for.
    void Flush();

    struct Impl;

private:
    explicit WaylandOverlay(std::unique_ptr<Impl> pImpl);
    std::unique_ptr<Impl> m_pImpl;
};

// A screencopy buffer as an image: rows of `stride` bytes in a 32-bit shared-memory format
// (red or blue in the lowest byte), the bottom row first when the frame's flags say y-invert;
// opaque whatever the top byte held.
PlatformImage CapturedImage(const uint8_t* pBytes, uint32_t width, uint32_t height, uint32_t stride,
                            uint32_t format, uint32_t flags);

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
