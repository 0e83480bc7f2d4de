#include "platform/WaylandOverlay.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "imaging/SurfaceLimits.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The published layer-shell protocol names an argument "namespace", which the generated C
// header uses as a parameter name; C++ needs another spelling. Argument names are not on the
// wire.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace {

// Linux input event codes of the three buttons.
constexpr uint32_t BUTTON_LEFT = 0x110;
constexpr uint32_t BUTTON_RIGHT = 0x111;
constexpr uint32_t BUTTON_MIDDLE = 0x112;
// How long the compositor may take over a capture or the first configure of a surface.
constexpr int ANSWER_TIMEOUT_MS = 3000;

// A shared-memory file, mapped.
struct SharedMemory {
    int fd = -1;
    void* data = MAP_FAILED;
    size_t size = 0;

    SharedMemory() = default;
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;
    ~SharedMemory() { Release(); }

    bool Allocate(size_t nBytes) {
        Release();
        fd = memfd_create("velvetfade", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(nBytes)) != 0) {
            Release();
            return false;
        }
        data = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            Release();
            return false;
        }
        size = nBytes;
        return true;
    }
    void Release() {
        if (data != MAP_FAILED) {
            munmap(data, size);
            data = MAP_FAILED;
        }
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
        size = 0;
    }
    uint8_t* Bytes() const { return static_cast<uint8_t*>(data); }
};

// Destroys a protocol object we may not have made, and forgets it.
template <typename T>
void Destroy(T*& pObject, void (*destroy)(T*)) {
    if (pObject != nullptr) {
        destroy(pObject);
        pObject = nullptr;
    }
}

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

}  // namespace

struct WaylandOverlay::Impl {
    struct Buffer {
        wl_buffer* buffer = nullptr;
        bool busy = false;  // the compositor reads it
    };

    struct Capture {
        zwlr_screencopy_frame_v1* frame = nullptr;
        uint32_t format = 0, width = 0, height = 0, stride = 0;
        bool offered = false;  // a shared-memory buffer was described
        uint32_t flags = 0;    // the frame's: y-invert
        bool done = false;
        bool ok = false;
        SharedMemory memory;
        wl_buffer* buffer = nullptr;
    };

    struct Output {
        Impl* owner = nullptr;
        uint32_t name = 0;  // the registry's
        size_t index = 0;   // among the outputs covered
        wl_output* output = nullptr;
        WaylandOutput info;
        Capture capture;

        wl_surface* surface = nullptr;
        zwlr_layer_surface_v1* layer = nullptr;
        xdg_surface* xdgSurface = nullptr;
        xdg_toplevel* toplevel = nullptr;
        bool configured = false;
        int width = 0, height = 0;  // the surface's, logical
        SharedMemory memory;
        int bufferWidth = 0, bufferHeight = 0;
        Buffer buffers[2];
        int drawn = -1;  // the buffer NextBuffer handed out
        wl_callback* frameCallback = nullptr;
        bool waiting = false;  // asked for a buffer while none was free
    };

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    uint32_t screencopyVersion = 0;
    xdg_wm_base* wmBase = nullptr;
    std::vector<std::string> withheld;
    std::vector<std::unique_ptr<Output>> outputs;
    std::vector<WaylandOutput> infos;

    bool listed = false;  // the outputs are known; later ones are not taken in
    bool covering = false;
    bool hideCursor = false;
    Handlers handlers;
    Output* pointerOutput = nullptr;
    bool keyboardFocus = false;
    bool focusLeft = false;  // left one surface; lost unless another of ours takes it

    ~Impl();
    bool DispatchUntil(const std::function<bool()>& done);
    bool outputsChanged = false;  // since they were listed, covered or not yet
    void OutputsChanged() {
        outputsChanged = true;
        if (covering && handlers.outputsChanged) {
            handlers.outputsChanged();
        }
    }
    void Input(WaylandInput input, int x = 0, int y = 0) {
        if (covering && handlers.input) {
            handlers.input(input, x, y);
        }
    }
    Output* OutputOf(wl_surface* surface) {
        for (auto& pOutput : outputs) {
            if (surface != nullptr && pOutput->surface == surface) {
                return pOutput.get();
            }
        }
        return nullptr;
    }
    bool MakeSurface(Output& output);
    bool MakeBuffers(Output& output);
    void PointerAt(wl_fixed_t sx, wl_fixed_t sy) {
        if (pointerOutput != nullptr) {
            Input(WaylandInput::PointerAt, wl_fixed_to_int(sx), wl_fixed_to_int(sy));
        }
    }
    static void BufferReleased(void* data, wl_buffer* buffer);
    // Tells the saver when an output that had no buffer to draw into has one again.
    void ReadyAgain(Output& output);
};

namespace {

using Impl = WaylandOverlay::Impl;
using Output = WaylandOverlay::Impl::Output;

// --- outputs -------------------------------------------------------------------------------

const wl_output_listener OUTPUT_LISTENER = {
    .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                   const char*, int32_t) {},
    .mode =
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
                static_cast<Output*>(data)->info.width = width;
                static_cast<Output*>(data)->info.height = height;
            }
        },
    .done = [](void*, wl_output*) {},
    .scale = [](void* data, wl_output*,
                int32_t factor) { static_cast<Output*>(data)->info.scale = std::max(factor, 1); },
#ifdef WL_OUTPUT_NAME_SINCE_VERSION
    .name = nullptr,
    .description = nullptr,
#endif
};

// --- the registry ----------------------------------------------------------------------------

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t version) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, version));
}

extern const wl_seat_listener SEAT_LISTENER;

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto& impl = *static_cast<Impl*>(data);
    const std::string strInterface(interface);
    if (std::find(impl.withheld.begin(), impl.withheld.end(), strInterface) !=
        impl.withheld.end()) {
        return;
    }
    if (strInterface == wl_compositor_interface.name && impl.compositor == nullptr) {
        impl.compositorVersion = std::min(version, 4u);
        impl.compositor =
            Bind<wl_compositor>(registry, name, &wl_compositor_interface, impl.compositorVersion);
    } else if (strInterface == wl_shm_interface.name && impl.shm == nullptr) {
        impl.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, 1);
    } else if (strInterface == wl_seat_interface.name && impl.seat == nullptr) {
        impl.seat = Bind<wl_seat>(registry, name, &wl_seat_interface, std::min(version, 5u));
        wl_seat_add_listener(impl.seat, &SEAT_LISTENER, &impl);
    } else if (strInterface == zwlr_layer_shell_v1_interface.name && impl.layerShell == nullptr) {
        impl.layerShell =
            Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, 1);
    } else if (strInterface == zwlr_screencopy_manager_v1_interface.name &&
               impl.screencopy == nullptr) {
        impl.screencopyVersion = std::min(version, 3u);
        impl.screencopy = Bind<zwlr_screencopy_manager_v1>(
            registry, name, &zwlr_screencopy_manager_v1_interface, impl.screencopyVersion);
    } else if (strInterface == xdg_wm_base_interface.name && impl.wmBase == nullptr) {
        static const xdg_wm_base_listener WM_BASE_LISTENER = {
            .ping = [](void*, xdg_wm_base* wmBase, uint32_t serial) {
                xdg_wm_base_pong(wmBase, serial);
            }};
        impl.wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, 1);
        xdg_wm_base_add_listener(impl.wmBase, &WM_BASE_LISTENER, nullptr);
    } else if (strInterface == wl_output_interface.name) {
        if (impl.listed) {
            // Only the outputs there at the start are covered; a monitor plugged in later is
            // somebody at the desk.
            impl.OutputsChanged();
            return;
        }
        auto pOutput = std::make_unique<Output>();
        pOutput->owner = &impl;
        pOutput->name = name;
        pOutput->output =
            Bind<wl_output>(registry, name, &wl_output_interface, std::min(version, 2u));
        wl_output_add_listener(pOutput->output, &OUTPUT_LISTENER, pOutput.get());
        impl.outputs.push_back(std::move(pOutput));
    }
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto& impl = *static_cast<Impl*>(data);
    for (const auto& pOutput : impl.outputs) {
        if (pOutput->name == name) {
            impl.OutputsChanged();
        }
    }
}

const wl_registry_listener REGISTRY_LISTENER = {.global = OnGlobal,
                                                .global_remove = OnGlobalRemove};

// --- capture ---------------------------------------------------------------------------------

void StartCopy(Impl& impl, Output& output) {
    Impl::Capture& capture = output.capture;
    const size_t nBytes = size_t{capture.stride} * capture.height;
    if (!capture.offered || !IsRedFirst(capture.format) || capture.width == 0 ||
        capture.height == 0 || capture.stride < capture.width * 4 ||
        !IsSupportedSurfaceSize(static_cast<int>(std::min<uint32_t>(capture.width, INT_MAX)),
                                static_cast<int>(std::min<uint32_t>(capture.height, INT_MAX)),
                                32) ||
        !capture.memory.Allocate(nBytes)) {
        capture.done = true;
        return;
    }
    wl_shm_pool* pool =
        wl_shm_create_pool(impl.shm, capture.memory.fd, static_cast<int32_t>(nBytes));
    capture.buffer = wl_shm_pool_create_buffer(
        pool, 0, static_cast<int32_t>(capture.width), static_cast<int32_t>(capture.height),
        static_cast<int32_t>(capture.stride), capture.format);
    wl_shm_pool_destroy(pool);
    zwlr_screencopy_frame_v1_copy(capture.frame, capture.buffer);
}

const zwlr_screencopy_frame_v1_listener FRAME_LISTENER = {
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
           uint32_t stride) {
            auto& output = *static_cast<Output*>(data);
            Impl::Capture& capture = output.capture;
            // Before version 3 the description is the last word; from 3 on, buffer_done is.
            const bool bFirstOffer = !capture.offered;
            capture.offered = true;
            capture.format = format;
            capture.width = width;
            capture.height = height;
            capture.stride = stride;
            if (bFirstOffer && output.owner->screencopyVersion < 3) {
                StartCopy(*output.owner, output);
            }
        },
    .flags = [](void* data, zwlr_screencopy_frame_v1*,
                uint32_t flags) { static_cast<Output*>(data)->capture.flags = flags; },
    .ready =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
            static_cast<Output*>(data)->capture.done = true;
            static_cast<Output*>(data)->capture.ok = true;
        },
    .failed = [](void* data,
                 zwlr_screencopy_frame_v1*) { static_cast<Output*>(data)->capture.done = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done =
        [](void* data, zwlr_screencopy_frame_v1*) {
            auto& output = *static_cast<Output*>(data);
            StartCopy(*output.owner, output);
        },
};

PlatformImage ToPlatformImage(const Impl::Capture& capture) {
    return CapturedImage(capture.memory.Bytes(), capture.width, capture.height, capture.stride,
                         capture.format, capture.flags);
}

// --- surfaces --------------------------------------------------------------------------------

void Configured(Output& output, int width, int height) {
    if (output.configured && (width != output.width || height != output.height) && width > 0 &&
        height > 0) {
        output.owner->OutputsChanged();  // the output's mode changed under us
    }
    if (!output.configured) {
        // A size left to us: the output's, in logical pixels.
        output.width = width > 0 ? width : output.info.width / output.info.scale;
        output.height = height > 0 ? height : output.info.height / output.info.scale;
        output.configured = true;
    }
}

const zwlr_layer_surface_v1_listener LAYER_LISTENER = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
           uint32_t height) {
            zwlr_layer_surface_v1_ack_configure(layer, serial);
            Configured(*static_cast<Output*>(data),
                       static_cast<int>(std::min<uint32_t>(width, INT_MAX)),
                       static_cast<int>(std::min<uint32_t>(height, INT_MAX)));
        },
    .closed = [](void* data,
                 zwlr_layer_surface_v1*) { static_cast<Output*>(data)->owner->OutputsChanged(); },
};

// The toplevel's size comes first, the surface's configure after it.
const xdg_toplevel_listener TOPLEVEL_LISTENER = {
    .configure =
        [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
            auto& output = *static_cast<Output*>(data);
            if (!output.configured) {
                output.width = width;
                output.height = height;
            }
        },
    // Closing is the saver's decision alone, as with a window manager's close on X11.
    .close = [](void*, xdg_toplevel*) {},
#ifdef XDG_TOPLEVEL_CONFIGURE_BOUNDS_SINCE_VERSION
    .configure_bounds = nullptr,
#endif
#ifdef XDG_TOPLEVEL_WM_CAPABILITIES_SINCE_VERSION
    .wm_capabilities = nullptr,
#endif
};

const xdg_surface_listener XDG_SURFACE_LISTENER = {
    .configure = [](void* data, xdg_surface* surface, uint32_t serial) {
        xdg_surface_ack_configure(surface, serial);
        auto& output = *static_cast<Output*>(data);
        if (!output.configured) {
            Configured(output, output.width, output.height);
        }
    }};

const wl_buffer_listener BUFFER_LISTENER = {.release = Impl::BufferReleased};

const wl_callback_listener FRAME_DONE_LISTENER = {
    .done = [](void* data, wl_callback* callback, uint32_t) {
        auto& output = *static_cast<Output*>(data);
        wl_callback_destroy(callback);
        output.frameCallback = nullptr;
        output.owner->ReadyAgain(output);
    }};

// --- input -----------------------------------------------------------------------------------

const wl_pointer_listener POINTER_LISTENER = {
    .enter =
        [](void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t sx,
           wl_fixed_t sy) {
            auto& impl = *static_cast<Impl*>(data);
            impl.pointerOutput = impl.OutputOf(surface);
            if (impl.hideCursor && impl.pointerOutput != nullptr) {
                wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
            }
            impl.PointerAt(sx, sy);
        },
    .leave = [](void* data, wl_pointer*, uint32_t,
                wl_surface*) { static_cast<Impl*>(data)->pointerOutput = nullptr; },
    .motion = [](void* data, wl_pointer*, uint32_t, wl_fixed_t sx,
                 wl_fixed_t sy) { static_cast<Impl*>(data)->PointerAt(sx, sy); },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
            if (state != WL_POINTER_BUTTON_STATE_PRESSED) {
                return;
            }
            auto& impl = *static_cast<Impl*>(data);
            if (button == BUTTON_LEFT) {
                impl.Input(WaylandInput::LeftButton);
            } else if (button == BUTTON_MIDDLE) {
                impl.Input(WaylandInput::MiddleButton);
            } else if (button == BUTTON_RIGHT) {
                impl.Input(WaylandInput::RightButton);
            }
        },
    .axis = [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
#ifdef WL_POINTER_AXIS_VALUE120_SINCE_VERSION
    .axis_value120 = nullptr,
#endif
#ifdef WL_POINTER_AXIS_RELATIVE_DIRECTION_SINCE_VERSION
    .axis_relative_direction = nullptr,
#endif
};

const wl_keyboard_listener KEYBOARD_LISTENER = {
    .keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); },
    .enter =
        [](void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
            auto& impl = *static_cast<Impl*>(data);
            impl.keyboardFocus = impl.OutputOf(surface) != nullptr;
        },
    .leave =
        [](void* data, wl_keyboard*, uint32_t, wl_surface*) {
            auto& impl = *static_cast<Impl*>(data);
            impl.keyboardFocus = false;
            impl.focusLeft = true;
        },
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
            if (state == WL_KEYBOARD_KEY_STATE_PRESSED) {
                static_cast<Impl*>(data)->Input(WaylandInput::Key);
            }
        },
    .modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_seat_listener SEAT_LISTENER = {
    .capabilities =
        [](void* data, wl_seat* seat, uint32_t capabilities) {
            auto& impl = *static_cast<Impl*>(data);
            // A device that goes leaves its object behind without events; a new one needs a
            // new object.
            if ((capabilities & WL_SEAT_CAPABILITY_POINTER) == 0) {
                Destroy(impl.pointer, wl_pointer_destroy);
                impl.pointerOutput = nullptr;
            }
            if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
                Destroy(impl.keyboard, wl_keyboard_destroy);
            }
            if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && impl.pointer == nullptr) {
                impl.pointer = wl_seat_get_pointer(seat);
                wl_pointer_add_listener(impl.pointer, &POINTER_LISTENER, &impl);
            }
            if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && impl.keyboard == nullptr) {
                impl.keyboard = wl_seat_get_keyboard(seat);
                wl_keyboard_add_listener(impl.keyboard, &KEYBOARD_LISTENER, &impl);
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

}  // namespace

void WaylandOverlay::Impl::BufferReleased(void* data, wl_buffer* buffer) {
    auto& output = *static_cast<Output*>(data);
    for (Buffer& candidate : output.buffers) {
        if (candidate.buffer == buffer) {
            candidate.busy = false;
        }
    }
    output.owner->ReadyAgain(output);
}

void WaylandOverlay::Impl::ReadyAgain(Output& output) {
    const bool bFree = std::any_of(std::begin(output.buffers), std::end(output.buffers),
                                   [](const Buffer& b) { return b.buffer != nullptr && !b.busy; });
    if (output.waiting && output.frameCallback == nullptr && bFree && handlers.ready) {
        output.waiting = false;
        handlers.ready(output.index);
    }
}

WaylandOverlay::Impl::~Impl() {
    for (auto& pOutput : outputs) {
        Output& output = *pOutput;
        Destroy(output.capture.frame, zwlr_screencopy_frame_v1_destroy);
        Destroy(output.capture.buffer, wl_buffer_destroy);
        Destroy(output.frameCallback, wl_callback_destroy);
        for (Buffer& buffer : output.buffers) {
            Destroy(buffer.buffer, wl_buffer_destroy);
        }
        Destroy(output.layer, zwlr_layer_surface_v1_destroy);
        Destroy(output.toplevel, xdg_toplevel_destroy);
        Destroy(output.xdgSurface, xdg_surface_destroy);
        Destroy(output.surface, wl_surface_destroy);
        wl_output_destroy(output.output);
    }
    Destroy(pointer, wl_pointer_destroy);
    Destroy(keyboard, wl_keyboard_destroy);
    Destroy(seat, wl_seat_destroy);
    Destroy(screencopy, zwlr_screencopy_manager_v1_destroy);
    Destroy(layerShell, zwlr_layer_shell_v1_destroy);
    Destroy(wmBase, xdg_wm_base_destroy);
    Destroy(shm, wl_shm_destroy);
    Destroy(compositor, wl_compositor_destroy);
    Destroy(registry, wl_registry_destroy);
    if (display != nullptr) {
        wl_display_flush(display);
        wl_display_disconnect(display);
    }
}

bool WaylandOverlay::Impl::DispatchUntil(const std::function<bool()>& done) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ANSWER_TIMEOUT_MS);
    for (;;) {
        if (wl_display_dispatch_pending(display) < 0) {
            return false;
        }
        if (done()) {
            return true;
        }
        if (wl_display_prepare_read(display) != 0) {
            continue;
        }
        wl_display_flush(display);
        const auto nLeft =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{wl_display_get_fd(display), POLLIN, 0};
        const int nReady = nLeft > 0 ? poll(&pfd, 1, static_cast<int>(nLeft)) : 0;
        if (nReady <= 0) {
            wl_display_cancel_read(display);
            if (nReady < 0 && errno == EINTR) {
                continue;
            }
            return false;  // no answer in time
        }
        if (wl_display_read_events(display) < 0) {
            return false;
        }
    }
}

std::unique_ptr<WaylandOverlay> WaylandOverlay::Connect(const std::vector<std::string>& withheld,
                                                        std::string& strError) {
    auto pImpl = std::make_unique<Impl>();
    pImpl->withheld = withheld;
    pImpl->display = wl_display_connect(nullptr);
    if (pImpl->display == nullptr) {
        const char* pszName = std::getenv("WAYLAND_DISPLAY");
        strError = std::string("cannot connect to the Wayland compositor \"") +
                   (pszName != nullptr ? pszName : "wayland-0") + "\".";
        return nullptr;
    }
    pImpl->registry = wl_display_get_registry(pImpl->display);
    wl_registry_add_listener(pImpl->registry, &REGISTRY_LISTENER, pImpl.get());
    // The globals, then what the outputs and the seat say about themselves.
    if (wl_display_roundtrip(pImpl->display) < 0 || wl_display_roundtrip(pImpl->display) < 0) {
        strError = "the Wayland compositor closed the connection.";
        return nullptr;
    }
    if (pImpl->compositor == nullptr || pImpl->shm == nullptr) {
        strError = "the Wayland compositor offers no surfaces in shared memory.";
        return nullptr;
    }
    for (const auto& pOutput : pImpl->outputs) {
        if (pOutput->info.width <= 0 || pOutput->info.height <= 0) {
            // An output without a mode (switched off) shows nothing to cover.
            continue;
        }
        pImpl->infos.push_back(pOutput->info);
    }
    std::erase_if(pImpl->outputs, [](const std::unique_ptr<Output>& p) {
        if (p->info.width > 0 && p->info.height > 0) {
            return false;
        }
        wl_output_destroy(p->output);
        return true;
    });
    for (size_t i = 0; i < pImpl->outputs.size(); ++i) {
        pImpl->outputs[i]->index = i;
    }
    pImpl->listed = true;
    if (pImpl->outputs.empty()) {
        strError = "the Wayland compositor has no output to cover.";
        return nullptr;
    }
    return std::unique_ptr<WaylandOverlay>(new WaylandOverlay(std::move(pImpl)));
}

WaylandOverlay::WaylandOverlay(std::unique_ptr<Impl> pImpl) : m_pImpl(std::move(pImpl)) {}

WaylandOverlay::~WaylandOverlay() = default;

const std::vector<WaylandOutput>& WaylandOverlay::Outputs() const {
    return m_pImpl->infos;
}

bool WaylandOverlay::CanCapture() const {
    return m_pImpl->screencopy != nullptr;
}

bool WaylandOverlay::HasLayerShell() const {
    return m_pImpl->layerShell != nullptr;
}

std::vector<std::optional<PlatformImage>> WaylandOverlay::CaptureOutputs() {
    Impl& impl = *m_pImpl;
    std::vector<std::optional<PlatformImage>> images(impl.outputs.size());
    if (impl.screencopy == nullptr) {
        return images;
    }
    for (auto& pOutput : impl.outputs) {
        // Without the cursor: it moves on while the fade runs.
        pOutput->capture.frame =
            zwlr_screencopy_manager_v1_capture_output(impl.screencopy, 0, pOutput->output);
        zwlr_screencopy_frame_v1_add_listener(pOutput->capture.frame, &FRAME_LISTENER,
                                              pOutput.get());
    }
    impl.DispatchUntil([&impl] {
        return std::all_of(impl.outputs.begin(), impl.outputs.end(),
                           [](const std::unique_ptr<Output>& p) { return p->capture.done; });
    });
    for (size_t i = 0; i < impl.outputs.size(); ++i) {
        Impl::Capture& capture = impl.outputs[i]->capture;
        if (capture.ok) {
            images[i] = ToPlatformImage(capture);
        }
        Destroy(capture.frame, zwlr_screencopy_frame_v1_destroy);
        Destroy(capture.buffer, wl_buffer_destroy);
        capture.memory.Release();
    }
    return images;
}

bool WaylandOverlay::Impl::MakeSurface(Output& output) {
    output.surface = wl_compositor_create_surface(compositor);
    if (layerShell != nullptr) {
        output.layer =
            zwlr_layer_shell_v1_get_layer_surface(layerShell, output.surface, output.output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "velvetfade");
        zwlr_layer_surface_v1_set_anchor(output.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over panels and bars too, not beside them.
        zwlr_layer_surface_v1_set_exclusive_zone(output.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(output.layer, 1);
        zwlr_layer_surface_v1_add_listener(output.layer, &LAYER_LISTENER, &output);
    } else if (wmBase != nullptr) {
        output.xdgSurface = xdg_wm_base_get_xdg_surface(wmBase, output.surface);
        xdg_surface_add_listener(output.xdgSurface, &XDG_SURFACE_LISTENER, &output);
        output.toplevel = xdg_surface_get_toplevel(output.xdgSurface);
        xdg_toplevel_add_listener(output.toplevel, &TOPLEVEL_LISTENER, &output);
        xdg_toplevel_set_title(output.toplevel, "Velvetfade");
        xdg_toplevel_set_app_id(output.toplevel, "velvetfade");
        xdg_toplevel_set_fullscreen(output.toplevel, output.output);
    } else {
        return false;
    }
    wl_surface_commit(output.surface);
    return true;
}

bool WaylandOverlay::Impl::MakeBuffers(Output& output) {
    const int nScale = compositorVersion >= 3 ? output.info.scale : 1;
    output.bufferWidth = output.width * nScale;
    output.bufferHeight = output.height * nScale;
    if (!IsSupportedSurfaceSize(output.bufferWidth, output.bufferHeight, 32)) {
        return false;
    }
    const size_t nStride = size_t{static_cast<unsigned>(output.bufferWidth)} * 4;
    const size_t nOne = nStride * static_cast<unsigned>(output.bufferHeight);
    if (nOne * 2 > INT32_MAX || !output.memory.Allocate(nOne * 2)) {
        return false;
    }
    wl_shm_pool* pool =
        wl_shm_create_pool(shm, output.memory.fd, static_cast<int32_t>(output.memory.size));
    for (int i = 0; i < 2; ++i) {
        Buffer& buffer = output.buffers[i];
        buffer.buffer = wl_shm_pool_create_buffer(
            pool, static_cast<int32_t>(nOne) * i, output.bufferWidth, output.bufferHeight,
            static_cast<int32_t>(nStride), WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffer.buffer, &BUFFER_LISTENER, &output);
    }
    wl_shm_pool_destroy(pool);
    if (nScale > 1) {
        wl_surface_set_buffer_scale(output.surface, nScale);
    }
    // Every pixel is opaque: the compositor need not draw what lies below.
    wl_region* region = wl_compositor_create_region(compositor);
    wl_region_add(region, 0, 0, output.width, output.height);
    wl_surface_set_opaque_region(output.surface, region);
    wl_region_destroy(region);
    return true;
}

bool WaylandOverlay::Cover(bool bHideCursor, Handlers handlers, std::string& strError) {
    Impl& impl = *m_pImpl;
    impl.hideCursor = bHideCursor;
    impl.handlers = std::move(handlers);
    for (auto& pOutput : impl.outputs) {
        if (!impl.MakeSurface(*pOutput)) {
            strError =
                "the Wayland compositor offers neither layer surfaces (wlr-layer-shell) "
                "nor windows (xdg-shell).";
            return false;
        }
    }
    const bool bAnswered = impl.DispatchUntil([&impl] {
        return std::all_of(impl.outputs.begin(), impl.outputs.end(),
                           [](const std::unique_ptr<Output>& p) { return p->configured; });
    });
    if (!bAnswered) {
        strError = "the Wayland compositor did not place the saver's surfaces.";
        return false;
    }
    for (auto& pOutput : impl.outputs) {
        if (pOutput->width <= 0 || pOutput->height <= 0 || !impl.MakeBuffers(*pOutput)) {
            strError = "there is not enough memory for the saver's surfaces.";
            return false;
        }
    }
    impl.covering = true;
    // An output that came or went while the saver was starting counts as any other change.
    if (impl.outputsChanged && impl.handlers.outputsChanged) {
        impl.handlers.outputsChanged();
    }
    return true;
}

PixelTarget WaylandOverlay::NextBuffer(size_t i) {
    Output& output = *m_pImpl->outputs.at(i);
    output.drawn = -1;
    if (output.frameCallback == nullptr) {
        for (int n = 0; n < 2; ++n) {
            if (output.buffers[n].buffer != nullptr && !output.buffers[n].busy) {
                output.drawn = n;
                break;
            }
        }
    }
    if (output.drawn < 0) {
        output.waiting = true;
        return {};
    }
    const size_t nStride = size_t{static_cast<unsigned>(output.bufferWidth)} * 4;
    PixelTarget target;
    target.bits = output.memory.Bytes() + nStride * static_cast<unsigned>(output.bufferHeight) *
                                              static_cast<unsigned>(output.drawn);
    target.width = output.bufferWidth;
    target.height = output.bufferHeight;
    target.stride = static_cast<int>(nStride);
    target.bitCount = 32;
    target.bottomUp = false;
    return target;
}

void WaylandOverlay::Present(size_t i) {
    Output& output = *m_pImpl->outputs.at(i);
    if (output.drawn < 0) {
        return;
    }
    Impl::Buffer& buffer = output.buffers[output.drawn];
    output.drawn = -1;
    wl_surface_attach(output.surface, buffer.buffer, 0, 0);
    if (m_pImpl->compositorVersion >= 4) {
        wl_surface_damage_buffer(output.surface, 0, 0, INT32_MAX, INT32_MAX);
    } else {
        wl_surface_damage(output.surface, 0, 0, INT32_MAX, INT32_MAX);
    }
    output.frameCallback = wl_surface_frame(output.surface);
    wl_callback_add_listener(output.frameCallback, &FRAME_DONE_LISTENER, &output);
    wl_surface_commit(output.surface);
    buffer.busy = true;
}

int WaylandOverlay::FileDescriptor() const {
    return wl_display_get_fd(m_pImpl->display);
}

bool WaylandOverlay::ProcessEvents() {
    Impl& impl = *m_pImpl;
    if (wl_display_prepare_read(impl.display) == 0 && wl_display_read_events(impl.display) < 0) {
        return false;
    }
    if (wl_display_dispatch_pending(impl.display) < 0) {
        return false;
    }
    // Focus moving from one of our surfaces to another is no loss.
    if (impl.focusLeft && !impl.keyboardFocus) {
        impl.Input(WaylandInput::FocusLost);
    }
    impl.focusLeft = false;
    Flush();
    return true;
}

void WaylandOverlay::Flush() {
    // A full socket keeps the rest for the next flush.
    wl_display_flush(m_pImpl->display);
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
