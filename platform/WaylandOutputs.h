#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/WaylandBuffers.h"
#include "platform/WaylandCapture.h"

struct wl_compositor;
struct wl_output;
struct wl_shm;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_screencopy_manager_v1;

// A monitor as the compositor describes it. (Where it lies on the desktop, wlroots tells
// through another protocol only; nothing here needs it.)
struct WaylandOutput {
    int width = 0, height = 0;  // its current mode, in pixels
    int scale = 1;
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

    void Release();
};

// One output: what the compositor says of it, its capture, and the surface that covers it with
// the presenter of its frames.
struct OverlayOutput {
    // Listens to pOutput. changed: the compositor changed the output's mode under the surface or
    // took the surface away.
    OverlayOutput(wl_output* pOutput, uint32_t nName, std::function<void()> changed);
    OverlayOutput(const OverlayOutput&) = delete;
    OverlayOutput& operator=(const OverlayOutput&) = delete;
    ~OverlayOutput();

    // A surface over the whole output: a layer surface above everything, or else a full-screen
    // window. False when the compositor offers neither.
    [[nodiscard]] bool MakeSurface(const WaylandGlobals& globals);
    // The buffers for the size the compositor gave the surface. False when memory runs out.
    [[nodiscard]] bool MakeBuffers(const WaylandGlobals& globals);
    // The surface's size, from the compositor (0 x 0: the output's).
    void Configured(int nWidth, int nHeight);

    uint32_t name = 0;  // the registry's
    size_t index = 0;   // among the outputs covered
    wl_output* output = nullptr;
    WaylandOutput info;
    ScreenCapture capture;
    std::function<void()> changed;

    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    bool configured = false;
    int width = 0, height = 0;  // the surface's, logical
    WaylandPresenter presenter;
};
