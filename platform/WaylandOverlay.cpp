#include "platform/WaylandOverlay.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "platform/WaylandLock.h"
#include "platform/WaylandProtocols.h"
#include "platform/WaylandSeat.h"

namespace {

// How long a lock screen may take to cover the other outputs once it covers one.
constexpr int LOCK_MAPS_WITHIN_MS = 1000;
// A lock draws its surfaces only after they are placed; ours stay that much longer, or the
// desktop would show for a moment where it has not drawn yet (seen once in a CI run).
constexpr int LOCK_DRAWS_WITHIN_MS = 250;

}  // namespace

std::vector<std::string> WithheldProtocols() {
    std::vector<std::string> names;
    const char* pszList = std::getenv("VELVETFADE_WITHHOLD");
    std::stringstream list(pszList != nullptr ? pszList : "");
    for (std::string name; std::getline(list, name, ',');) {
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return names;
}

struct WaylandOverlay::Impl {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    WaylandGlobals globals;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    WaylandSeat seat{[this](wl_surface* pSurface) { return IsOurs(pSurface); }};
    std::vector<std::string> withheld;
    std::vector<std::unique_ptr<OverlayOutput>> outputs;
    std::vector<WaylandOutput> infos;

    bool listed = false;  // the outputs are known; later ones are not taken in
    bool covering = false;
    bool outputsChanged = false;  // since they were listed, covered or not yet
    bool rearranged = false;      // since the last events were handled
    bool deactivated = false;     // a full-screen window of ours, since then
    WaylandOverlay::Handlers handlers;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();
    bool DispatchUntil(const std::function<bool()>& done) { return ::DispatchUntil(display, done); }
    void OutputsChanged() {
        outputsChanged = true;
        if (covering && handlers.outputsChanged) {
            handlers.outputsChanged();
        }
    }
    bool IsOurs(const wl_surface* pSurface) const {
        return pSurface != nullptr &&
               std::any_of(outputs.begin(), outputs.end(),
                           [pSurface](const auto& p) { return p->surface == pSurface; });
    }
    void AddOutput(wl_registry* pRegistry, uint32_t name, uint32_t version);
    // The outputs' connector names where wl_output does not tell them (Mutter): xdg-output's.
    void NameOutputs();
    // Keeps the outputs that show something, numbered; false when none does.
    bool KeepShowingOutputs();
    // What the compositor did to our surfaces since the last events were handled.
    void AfterEvents();
    // Such lock screens are layer surfaces; asking would also take the focus from windows for
    // good, ours among them.
    bool LockScreenUp() const {
        return globals.layerShell != nullptr && InputInhibitorHeld().value_or(false);
    }
};

namespace {

using Impl = WaylandOverlay::Impl;

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t version) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, version));
}

void OnPing(void* /*pData*/, xdg_wm_base* pWmBase, uint32_t serial) {
    xdg_wm_base_pong(pWmBase, serial);
}

const xdg_wm_base_listener WM_BASE_LISTENER = {.ping = OnPing};

// Binds the global when it is one of the compositor's own that we use and have not bound yet.
void BindGlobal(Impl& impl, wl_registry* registry, uint32_t name, const std::string& strInterface,
                uint32_t version) {
    WaylandGlobals& g = impl.globals;
    if (strInterface == wl_compositor_interface.name && g.compositor == nullptr) {
        g.compositorVersion = std::min(version, 4u);
        g.compositor =
            Bind<wl_compositor>(registry, name, &wl_compositor_interface, g.compositorVersion);
    } else if (strInterface == wl_shm_interface.name && g.shm == nullptr) {
        g.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, 1);
    } else if (strInterface == wl_seat_interface.name && !impl.seat.IsBound()) {
        impl.seat.Bind(Bind<wl_seat>(registry, name, &wl_seat_interface, std::min(version, 5u)));
    } else if (strInterface == zwlr_layer_shell_v1_interface.name && g.layerShell == nullptr) {
        g.layerShell = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, 1);
    } else if (strInterface == zwlr_screencopy_manager_v1_interface.name &&
               g.screencopy == nullptr) {
        g.screencopyVersion = std::min(version, 3u);
        g.screencopy = Bind<zwlr_screencopy_manager_v1>(
            registry, name, &zwlr_screencopy_manager_v1_interface, g.screencopyVersion);
    } else if (strInterface == zxdg_output_manager_v1_interface.name &&
               impl.xdgOutputs == nullptr && version >= 2) {
        impl.xdgOutputs =
            Bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, 2);
    } else if (strInterface == wp_viewporter_interface.name && g.viewporter == nullptr) {
        g.viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, 1);
    } else if (strInterface == xdg_wm_base_interface.name && g.wmBase == nullptr) {
        g.wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, 1);
        xdg_wm_base_add_listener(g.wmBase, &WM_BASE_LISTENER, nullptr);
    }
}

void OnGlobal(void* pData, wl_registry* registry, uint32_t name, const char* pszInterface,
              uint32_t version) {
    auto& impl = *static_cast<Impl*>(pData);
    const std::string strInterface(pszInterface);
    if (std::find(impl.withheld.begin(), impl.withheld.end(), strInterface) !=
        impl.withheld.end()) {
        return;
    }
    if (strInterface == wl_output_interface.name) {
        impl.AddOutput(registry, name, version);
    } else {
        BindGlobal(impl, registry, name, strInterface, version);
    }
}

void OnGlobalRemove(void* pData, wl_registry* /*registry*/, uint32_t name) {
    auto& impl = *static_cast<Impl*>(pData);
    for (const auto& pOutput : impl.outputs) {
        if (pOutput->name == name) {
            impl.OutputsChanged();
        }
    }
}

const wl_registry_listener REGISTRY_LISTENER = {.global = OnGlobal,
                                                .global_remove = OnGlobalRemove};

}  // namespace

void WaylandOverlay::Impl::AddOutput(wl_registry* pRegistry, uint32_t name, uint32_t version) {
    if (listed) {
        // Only the outputs there at the start are covered; a monitor plugged in later is
        // somebody at the desk.
        OutputsChanged();
        return;
    }
    auto pOutput = std::make_unique<OverlayOutput>(
        Bind<wl_output>(pRegistry, name, &wl_output_interface, std::min(version, 4u)), name,
        OutputEvents{});
    OverlayOutput& output = *pOutput;
    output.events.closed = [this] { OutputsChanged(); };
    output.events.rearranged = [this, &output] {
        rearranged = true;
        output.rearranged = true;
    };
    output.events.deactivated = [this] { deactivated = true; };
    outputs.push_back(std::move(pOutput));
}

void WaylandOverlay::Impl::AfterEvents() {
    if (!covering) {
        return;
    }
    if (rearranged) {
        // On wlroots compositors of the older kind a lock screen's surfaces go beneath ours.
        if (LockScreenUp()) {
            // It maps them one output after another, each placing ours there again; leaving
            // before it covers every output would show the desktop on the rest. A lock that
            // covers fewer outputs is given a moment.
            ::DispatchUntil(
                display,
                [this] {
                    return std::all_of(outputs.begin(), outputs.end(),
                                       [](const auto& p) { return p->rearranged; });
                },
                LOCK_MAPS_WITHIN_MS);
            ::DispatchUntil(
                display, [] { return false; }, LOCK_DRAWS_WITHIN_MS);
            if (handlers.locked) {
                handlers.locked();
            }
            return;
        }
        // Asking took the keyboard from our surfaces for a moment and placed them again: take
        // all that in now, in the same events, so that it is neither a loss of focus nor
        // another reason to ask.
        RoundTrip(display);
        rearranged = false;
        for (auto& pOutput : outputs) {
            pOutput->rearranged = false;
        }
    }
    for (auto& pOutput : outputs) {
        if (pOutput->resizePending) {
            pOutput->resizePending = false;
            if (!pOutput->MakeBuffers(globals)) {
                OutputsChanged();  // nothing left to show there
            } else if (handlers.resized) {
                handlers.resized(pOutput->index);
            }
        }
    }
    // Our windows pass the focus among themselves; only when none has it any more has another
    // window come above them.
    if (deactivated) {
        deactivated = false;
        if (std::none_of(outputs.begin(), outputs.end(), [](const auto& p) { return p->active; }) &&
            handlers.uncovered) {
            handlers.uncovered();
        }
    }
}

bool WaylandOverlay::Impl::KeepShowingOutputs() {
    // An output without a mode (switched off) shows nothing to cover.
    std::erase_if(outputs, [](const std::unique_ptr<OverlayOutput>& p) {
        return p->info.width <= 0 || p->info.height <= 0;
    });
    for (size_t i = 0; i < outputs.size(); ++i) {
        outputs[i]->index = i;
        infos.push_back(outputs[i]->info);
    }
    listed = true;
    return !outputs.empty();
}

WaylandOverlay::Impl::~Impl() {
    outputs.clear();
    seat.Release();
    Destroy(xdgOutputs, zxdg_output_manager_v1_destroy);
    globals.Release();
    Destroy(registry, wl_registry_destroy);
    if (display != nullptr) {
        wl_display_flush(display);
        wl_display_disconnect(display);
    }
}

bool DispatchUntil(wl_display* display, const std::function<bool()>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
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

namespace {

void OnSyncDone(void* pData, wl_callback* /*pCallback*/, uint32_t /*data*/) {
    *static_cast<bool*>(pData) = true;
}

const wl_callback_listener SYNC_LISTENER = {.done = OnSyncDone};

}  // namespace

bool RoundTrip(wl_display* display) {
    bool bDone = false;
    wl_callback* pSync = wl_display_sync(display);
    wl_callback_add_listener(pSync, &SYNC_LISTENER, &bDone);
    const bool bAnswered = DispatchUntil(display, [&bDone] { return bDone; });
    wl_callback_destroy(pSync);
    return bAnswered;
}

namespace {

const zxdg_output_v1_listener XDG_OUTPUT_LISTENER = {
    .logical_position = [](void*, zxdg_output_v1*, int32_t, int32_t) {},
    .logical_size = [](void*, zxdg_output_v1*, int32_t, int32_t) {},
    .done = [](void*, zxdg_output_v1*) {},
    .name =
        [](void* pData, zxdg_output_v1*, const char* pszName) {
            static_cast<WaylandOutput*>(pData)->connector = pszName != nullptr ? pszName : "";
        },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

void WaylandOverlay::Impl::NameOutputs() {
    if (xdgOutputs == nullptr || std::all_of(outputs.begin(), outputs.end(), [](const auto& p) {
            return !p->info.connector.empty();
        })) {
        return;
    }
    std::vector<zxdg_output_v1*> named;
    for (auto& pOutput : outputs) {
        named.push_back(zxdg_output_manager_v1_get_xdg_output(xdgOutputs, pOutput->output));
        zxdg_output_v1_add_listener(named.back(), &XDG_OUTPUT_LISTENER, &pOutput->info);
    }
    RoundTrip(display);
    for (zxdg_output_v1* pNamed : named) {
        zxdg_output_v1_destroy(pNamed);
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
    if (pImpl->globals.compositor == nullptr || pImpl->globals.shm == nullptr) {
        strError = "the Wayland compositor offers no surfaces in shared memory.";
        return nullptr;
    }
    pImpl->NameOutputs();
    if (!pImpl->KeepShowingOutputs()) {
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
    return m_pImpl->globals.screencopy != nullptr;
}

bool WaylandOverlay::HasLayerShell() const {
    return m_pImpl->globals.layerShell != nullptr;
}

bool WaylandOverlay::LockScreenUp() const {
    return m_pImpl->LockScreenUp();
}

std::vector<std::optional<PlatformImage>> WaylandOverlay::CaptureOutputs() {
    Impl& impl = *m_pImpl;
    std::vector<std::optional<PlatformImage>> images(impl.outputs.size());
    if (impl.globals.screencopy == nullptr) {
        return images;
    }
    for (auto& pOutput : impl.outputs) {
        pOutput->capture.Start(impl.globals.screencopy, impl.globals.screencopyVersion,
                               pOutput->output, impl.globals.shm);
    }
    impl.DispatchUntil([&impl] {
        return std::all_of(impl.outputs.begin(), impl.outputs.end(),
                           [](const auto& p) { return p->capture.Done(); });
    });
    for (size_t i = 0; i < impl.outputs.size(); ++i) {
        if (std::optional<PlatformImage> image = impl.outputs[i]->capture.Image()) {
            images[i] = UprightImage(*image, impl.outputs[i]->info.transform);
        }
        impl.outputs[i]->capture.Release();
    }
    return images;
}

bool WaylandOverlay::Cover(bool bHideCursor, Handlers handlers, std::string& strError) {
    Impl& impl = *m_pImpl;
    impl.seat.HideCursor(bHideCursor);
    auto input = std::move(handlers.input);
    impl.handlers = std::move(handlers);
    for (auto& pOutput : impl.outputs) {
        if (!pOutput->MakeSurface(impl.globals)) {
            strError =
                "the Wayland compositor offers neither layer surfaces (wlr-layer-shell) "
                "nor windows (xdg-shell).";
            return false;
        }
    }
    const bool bAnswered = impl.DispatchUntil([&impl] {
        return std::all_of(impl.outputs.begin(), impl.outputs.end(),
                           [](const auto& p) { return p->configured; });
    });
    if (!bAnswered) {
        strError = "the Wayland compositor did not place the saver's surfaces.";
        return false;
    }
    for (auto& pOutput : impl.outputs) {
        if (!pOutput->MakeBuffers(impl.globals)) {
            strError = "there is not enough memory for the saver's surfaces.";
            return false;
        }
    }
    impl.covering = true;
    impl.seat.StartReporting(std::move(input));
    // An output that came or went while the saver was starting counts as any other change.
    if (impl.outputsChanged && impl.handlers.outputsChanged) {
        impl.handlers.outputsChanged();
    }
    return true;
}

FramePresenter& WaylandOverlay::Presenter(size_t i) {
    return m_pImpl->outputs.at(i)->presenter;
}

std::pair<int, int> WaylandOverlay::FrameSize(size_t i) const {
    const OverlayOutput& output = *m_pImpl->outputs.at(i);
    return {output.frameWidth, output.frameHeight};
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
    impl.AfterEvents();
    impl.seat.EndOfEvents();
    Flush();
    return true;
}

void WaylandOverlay::Flush() {
    // A full socket keeps the rest for the next flush.
    wl_display_flush(m_pImpl->display);
}
