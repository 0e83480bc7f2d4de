#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/WaylandBuffers.h"
#include "platform/WaylandCapture.h"

struct wl_compositor;
struct wl_output;
struct wl_shm;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewport;
struct wp_viewporter;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_screencopy_manager_v1;

// A monitor as the compositor describes it. (Where it lies on the desktop, wlroots tells
// through another protocol only; nothing here needs it.)
struct WaylandOutput {
    int width = 0, height = 0;  // its current mode, in pixels
    int scale = 1;
    int32_t transform = 0;  // how the compositor turns pictures to show them (wl_output's)
    std::string connector;  // its name, such as "DP-1", from compositors that tell it

    // The mode's size as the user sees it: a portrait monitor is taller than it is wide.
    int UprightWidth() const { return (transform & 1) != 0 ? height : width; }
    int UprightHeight() const { return (transform & 1) != 0 ? width : height; }
};

// The compositor's globals that the saver binds, each null when it has none (or it is withheld).
struct WaylandGlobals {
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    uint32_t screencopyVersion = 0;
    xdg_wm_base* wmBase = nullptr;
    wp_viewporter* viewporter = nullptr;

    void Release();
};

// What the compositor does to an output's surface after placing it the first time.
struct OutputEvents {
    std::function<void()> closed;       // took the surface away
    std::function<void()> resized;      // gave it another size
    std::function<void()> rearranged;   // placed it again as it was: another surface came or went
    std::function<void()> deactivated;  // a full-screen window lost its place on top
};

// One output: what the compositor says of it, its capture, and the surface that covers it with
// the presenter of its frames.
struct OverlayOutput {
    // Listens to pOutput.
    OverlayOutput(wl_output* pOutput, uint32_t nName, OutputEvents events);
    OverlayOutput(const OverlayOutput&) = delete;
    OverlayOutput& operator=(const OverlayOutput&) = delete;
    ~OverlayOutput();

    // A surface over the whole output: a layer surface above everything, or else a full-screen
    // window. False when the compositor offers neither.
    [[nodiscard]] bool MakeSurface(const WaylandGlobals& globals);
    // The buffers for the size the compositor gave the surface last, in the output's own pixels
    // where that is finer than the surface's. False when memory runs out.
    [[nodiscard]] bool MakeBuffers(const WaylandGlobals& globals);
    // The surface's size, from the compositor (0 x 0: the output's).
    void Configured(int nWidth, int nHeight);
    // A full-screen window's state: whether it is the active one.
    void Activated(bool bActive);

    uint32_t name = 0;  // the registry's
    size_t index = 0;   // among the outputs covered
    wl_output* output = nullptr;
    WaylandOutput info;
    ScreenCapture capture;
    OutputEvents events;

    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wp_viewport* viewport = nullptr;
    bool configured = false;
    bool rearranged = false;     // placed again at the same size since that was last looked into
    bool resizePending = false;  // given another size; no buffers until they are remade for it
    bool active = false;
    int width = 0, height = 0;  // the surface's, logical
    int pendingWidth = 0,
        pendingHeight = 0;                // a full-screen window's until its surface's configure
    int frameWidth = 0, frameHeight = 0;  // the buffers', in pixels
    WaylandPresenter presenter;
};
