#include "platform/WaylandOutputs.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "imaging/SurfaceLimits.h"
#include "platform/WaylandProtocols.h"

namespace {

OverlayOutput& OutputOf(void* pData) {
    return *static_cast<OverlayOutput*>(pData);
}

// The scale at which the compositor shows a surface w logical pixels wide over an output ow
// pixels wide: their ratio, to the step of 1/120 that fractional scales come in, which takes
// out the compositor's rounding of the logical size.
double ScaleOver(int64_t ow, int w) {
    return std::round(static_cast<double>(ow) / w * 120) / 120;
}

int ToInt(uint32_t value) {
    return static_cast<int>(std::min<uint32_t>(value, INT_MAX));
}

// --- the output ------------------------------------------------------------------------------

void OnGeometry(void* pData, wl_output* /*pOutput*/, int32_t /*x*/, int32_t /*y*/,
                int32_t /*physicalWidth*/, int32_t /*physicalHeight*/, int32_t /*subpixel*/,
                const char* /*pszMake*/, const char* /*pszModel*/, int32_t transform) {
    OutputOf(pData).info.transform = transform & 7;
}

void OnMode(void* pData, wl_output* /*pOutput*/, uint32_t flags, int32_t width, int32_t height,
            int32_t /*refresh*/) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        OutputOf(pData).info.width = width;
        OutputOf(pData).info.height = height;
    }
}

void OnOutputDone(void* /*pData*/, wl_output* /*pOutput*/) {}

void OnScale(void* pData, wl_output* /*pOutput*/, int32_t factor) {
    OutputOf(pData).info.scale = std::max(factor, 1);
}

const wl_output_listener OUTPUT_LISTENER = {
    .geometry = OnGeometry,
    .mode = OnMode,
    .done = OnOutputDone,
    .scale = OnScale,
    .name =
        [](void* pData, wl_output*, const char* pszName) {
            OutputOf(pData).info.connector = pszName != nullptr ? pszName : "";
        },
    .description = [](void*, wl_output*, const char*) {},
};

// --- a layer surface -------------------------------------------------------------------------

void OnLayerConfigure(void* pData, zwlr_layer_surface_v1* pLayer, uint32_t serial, uint32_t width,
                      uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(pLayer, serial);
    OutputOf(pData).Configured(ToInt(width), ToInt(height));
}

void OnLayerClosed(void* pData, zwlr_layer_surface_v1* /*pLayer*/) {
    OutputOf(pData).events.closed();
}

const zwlr_layer_surface_v1_listener LAYER_LISTENER = {
    .configure = OnLayerConfigure,
    .closed = OnLayerClosed,
};

// --- a full-screen window --------------------------------------------------------------------

// The toplevel's size and state come first, the surface's configure after them.
void OnToplevelConfigure(void* pData, xdg_toplevel* /*pToplevel*/, int32_t width, int32_t height,
                         wl_array* pStates) {
    OverlayOutput& output = OutputOf(pData);
    output.pendingWidth = width;
    output.pendingHeight = height;
    bool bActive = false;
    const auto* pState = static_cast<const uint32_t*>(pStates->data);
    for (size_t i = 0; i < pStates->size / sizeof(uint32_t); ++i) {
        bActive = bActive || pState[i] == XDG_TOPLEVEL_STATE_ACTIVATED;
    }
    output.Activated(bActive);
}

// Closing is the saver's decision alone, as with a window manager's close on X11.
void OnToplevelClose(void* /*pData*/, xdg_toplevel* /*pToplevel*/) {}

const xdg_toplevel_listener TOPLEVEL_LISTENER = {
    .configure = OnToplevelConfigure,
    .close = OnToplevelClose,
#ifdef XDG_TOPLEVEL_CONFIGURE_BOUNDS_SINCE_VERSION
    .configure_bounds = nullptr,
#endif
#ifdef XDG_TOPLEVEL_WM_CAPABILITIES_SINCE_VERSION
    .wm_capabilities = nullptr,
#endif
};

void OnXdgSurfaceConfigure(void* pData, xdg_surface* pSurface, uint32_t serial) {
    xdg_surface_ack_configure(pSurface, serial);
    OverlayOutput& output = OutputOf(pData);
    output.Configured(output.pendingWidth, output.pendingHeight);
}

const xdg_surface_listener XDG_SURFACE_LISTENER = {.configure = OnXdgSurfaceConfigure};

}  // namespace

void WaylandGlobals::Release() {
    Destroy(viewporter, wp_viewporter_destroy);
    Destroy(screencopy, zwlr_screencopy_manager_v1_destroy);
    Destroy(layerShell, zwlr_layer_shell_v1_destroy);
    Destroy(wmBase, xdg_wm_base_destroy);
    Destroy(shm, wl_shm_destroy);
    Destroy(compositor, wl_compositor_destroy);
}

OverlayOutput::OverlayOutput(wl_output* pOutput, uint32_t nName, OutputEvents outputEvents)
    : name(nName), output(pOutput), events(std::move(outputEvents)) {
    wl_output_add_listener(output, &OUTPUT_LISTENER, this);
}

OverlayOutput::~OverlayOutput() {
    capture.Release();
    presenter.Release();
    Destroy(viewport, wp_viewport_destroy);
    Destroy(layer, zwlr_layer_surface_v1_destroy);
    Destroy(toplevel, xdg_toplevel_destroy);
    Destroy(xdgSurface, xdg_surface_destroy);
    Destroy(surface, wl_surface_destroy);
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(output)) >=
        WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(output);
    } else {
        wl_output_destroy(output);
    }
}

bool OverlayOutput::MakeSurface(const WaylandGlobals& globals) {
    surface = wl_compositor_create_surface(globals.compositor);
    if (globals.layerShell != nullptr) {
        layer = zwlr_layer_shell_v1_get_layer_surface(
            globals.layerShell, surface, output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "velvetfade");
        zwlr_layer_surface_v1_set_anchor(
            layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over panels and bars too, not beside them.
        zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
        zwlr_layer_surface_v1_add_listener(layer, &LAYER_LISTENER, this);
    } else if (globals.wmBase != nullptr) {
        xdgSurface = xdg_wm_base_get_xdg_surface(globals.wmBase, surface);
        xdg_surface_add_listener(xdgSurface, &XDG_SURFACE_LISTENER, this);
        toplevel = xdg_surface_get_toplevel(xdgSurface);
        xdg_toplevel_add_listener(toplevel, &TOPLEVEL_LISTENER, this);
        xdg_toplevel_set_title(toplevel, "Velvetfade");
        xdg_toplevel_set_app_id(toplevel, "velvetfade");
        xdg_toplevel_set_fullscreen(toplevel, output);
    } else {
        return false;
    }
    wl_surface_commit(surface);
    return true;
}

void OverlayOutput::Configured(int nWidth, int nHeight) {
    // A size left to us: the output's, in logical pixels.
    const int w = nWidth > 0 ? nWidth : info.UprightWidth() / info.scale;
    const int h = nHeight > 0 ? nHeight : info.UprightHeight() / info.scale;
    if (!configured) {
        configured = true;
    } else if (w == width && h == height) {
        events.rearranged();
        return;
    }
    width = w;
    height = h;
    if (presenter.IsMade() || resizePending) {
        // The new size is acknowledged: no frame of the old one may go out any more.
        presenter.Release();
        resizePending = true;
    }
}

void OverlayOutput::Activated(bool bActive) {
    if (active && !bActive) {
        events.deactivated();
    }
    active = bActive;
}

bool OverlayOutput::MakeBuffers(const WaylandGlobals& globals) {
    presenter.Release();
    Destroy(viewport, wp_viewport_destroy);
    if (width <= 0 || height <= 0) {
        return false;
    }
    int64_t nScale = globals.compositorVersion >= 3 ? info.scale : 1;
    int64_t nFrameWidth = width * nScale, nFrameHeight = height * nScale;
    // At a fractional scale the compositor rounds its scale up and would shrink our frames
    // into the output's pixels, frame after frame; a viewport lets us draw those pixels
    // themselves. Only for a surface with the output's own shape, so over the whole output.
    const int64_t ow = info.UprightWidth(), oh = info.UprightHeight();
    if (globals.viewporter != nullptr && (nFrameWidth != ow || nFrameHeight != oh) &&
        std::llabs(ow * height - oh * width) <= ow + oh && ow >= width) {
        const double dScale = ScaleOver(ow, width);
        nScale = 1;
        nFrameWidth = std::llround(width * dScale);
        nFrameHeight = std::llround(height * dScale);
        viewport = wp_viewporter_get_viewport(globals.viewporter, surface);
        wp_viewport_set_destination(viewport, width, height);
    }
    if (nFrameWidth > INT_MAX || nFrameHeight > INT_MAX ||
        !IsSupportedSurfaceSize(static_cast<int>(nFrameWidth), static_cast<int>(nFrameHeight),
                                32)) {
        return false;
    }
    frameWidth = static_cast<int>(nFrameWidth);
    frameHeight = static_cast<int>(nFrameHeight);
    if (!presenter.Make(globals.shm, surface, frameWidth, frameHeight,
                        globals.compositorVersion >= 4)) {
        return false;
    }
    if (globals.compositorVersion >= 3) {
        wl_surface_set_buffer_scale(surface, static_cast<int32_t>(nScale));
    }
    // Every pixel is opaque: the compositor need not draw what lies below.
    wl_region* region = wl_compositor_create_region(globals.compositor);
    wl_region_add(region, 0, 0, width, height);
    wl_surface_set_opaque_region(surface, region);
    wl_region_destroy(region);
    return true;
}
