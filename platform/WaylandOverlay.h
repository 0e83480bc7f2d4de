#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ExitConditions.h"
#include "imaging/ImagingPlatform.h"
#include "platform/FramePresenter.h"
#include "platform/WaylandCapture.h"
#include "platform/WaylandOutputs.h"

// Said on standard error where the compositor lets no program read the screen.
inline constexpr const char* NO_SCREENCOPY_MESSAGE =
    "the compositor does not let programs read the screen (neither wlr-screencopy nor KWin's "
    "or GNOME's own ways); the fade starts from black.";

// Protocols to treat as missing, from $VELVETFADE_WITHHOLD (comma-separated interface names):
// how a compositor without them is tried on one that has them.
std::vector<std::string> WithheldProtocols();

// What the saver hears from the seat.
// Input as the saver's other windows report it; FocusLost: none of our surfaces has the
// keyboard any more. Positions are in logical pixels of the desktop.
using WaylandInput = SaverInput;

// The saver on a Wayland compositor, without Qt: reads every output's contents with the
// wlr-screencopy protocol (WaylandCapture), then covers each output with an overlay surface of
// the wlr-layer-shell protocol (a full-screen xdg-shell window where the compositor has no layer
// shell; WaylandOutputs), shows frames through two shared-memory buffers an output, paced by the
// compositor's frame callbacks (WaylandBuffers), and reports the seat's input (WaylandSeat). One
// object is one connection to the compositor.
class WaylandOverlay {
public:
    struct Handlers {
        std::function<void(WaylandInput, int x, int y)> input;
        // An output came or went, or the compositor took a surface away.
        std::function<void()> outputsChanged;
        // Output i's frames have another size (FrameSize) and nothing on them yet.
        std::function<void(size_t i)> resized;
        // A lock screen came up beneath our surfaces: we are all that hides it.
        std::function<void()> locked;
        // A window came above one of our full-screen windows.
        std::function<void()> uncovered;
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
    // Whether CaptureOutputs can read the outputs (wlr-screencopy).
    bool CanCapture() const;
    bool HasLayerShell() const;
    // Whether a lock screen is up that would end up beneath our surfaces (WaylandLock.h).
    bool LockScreenUp() const;

    // Every output's contents as they are now, upright, in its own pixels; nothing for an
    // output that could not be read. Call before Cover: afterwards our own surfaces are what it
    // would read.
    std::vector<std::optional<PlatformImage>> CaptureOutputs();

    // Covers every output and starts reporting to handlers. False, with the reason, when the
    // compositor offers no way to cover them or did not answer.
    bool Cover(bool bHideCursor, Handlers handlers, std::string& strError);

    // The frames of output i, once it is covered. A frame also waits while the compositor has
    // not shown the last one.
    FramePresenter& Presenter(size_t i);
    // Their size in pixels: the output's own where the compositor lets us draw those.
    std::pair<int, int> FrameSize(size_t i) const;

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
