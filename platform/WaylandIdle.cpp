#include "platform/WaylandIdle.h"

#include <algorithm>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/WaylandProtocols.h"

struct WaylandIdle::Impl {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    std::vector<std::string> withheld;
    std::function<void(bool)> notify;

    bool Withheld(const char* pszInterface) const {
        return std::find(withheld.begin(), withheld.end(), pszInterface) != withheld.end();
    }

    ~Impl() {
        Destroy(notification, ext_idle_notification_v1_destroy);
        Destroy(notifier, ext_idle_notifier_v1_destroy);
        Destroy(kdeTimeout, org_kde_kwin_idle_timeout_release);
        if (kdeIdle != nullptr) {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(kdeIdle));
        }
        Destroy(seat, wl_seat_destroy);
        Destroy(registry, wl_registry_destroy);
        if (display != nullptr) {
            wl_display_disconnect(display);
        }
    }
};

namespace {

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, 1));
}

void OnGlobal(void* pData, wl_registry* registry, uint32_t name, const char* pszInterface,
              uint32_t /*version*/) {
    auto& impl = *static_cast<WaylandIdle::Impl*>(pData);
    if (impl.Withheld(pszInterface)) {
        return;
    }
    if (impl.seat == nullptr && std::strcmp(pszInterface, wl_seat_interface.name) == 0) {
        impl.seat = Bind<wl_seat>(registry, name, &wl_seat_interface);
    } else if (impl.notifier == nullptr &&
               std::strcmp(pszInterface, ext_idle_notifier_v1_interface.name) == 0) {
        impl.notifier = Bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface);
    } else if (impl.kdeIdle == nullptr &&
               std::strcmp(pszInterface, org_kde_kwin_idle_interface.name) == 0) {
        impl.kdeIdle = Bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface);
    }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER = {.global = OnGlobal,
                                                .global_remove = OnGlobalRemove};

void Tell(void* pData, bool bIdle) {
    static_cast<WaylandIdle::Impl*>(pData)->notify(bIdle);
}

const ext_idle_notification_v1_listener NOTIFICATION_LISTENER = {
    .idled = [](void* pData, ext_idle_notification_v1*) { Tell(pData, true); },
    .resumed = [](void* pData, ext_idle_notification_v1*) { Tell(pData, false); },
};

const org_kde_kwin_idle_timeout_listener KDE_TIMEOUT_LISTENER = {
    .idle = [](void* pData, org_kde_kwin_idle_timeout*) { Tell(pData, true); },
    .resumed = [](void* pData, org_kde_kwin_idle_timeout*) { Tell(pData, false); },
};

}  // namespace

WaylandIdle::WaylandIdle(std::unique_ptr<Impl> pImpl) : m_pImpl(std::move(pImpl)) {}
WaylandIdle::~WaylandIdle() = default;

std::unique_ptr<WaylandIdle> WaylandIdle::Connect(uint32_t timeoutMs,
                                                  std::function<void(bool)> notify,
                                                  const std::vector<std::string>& withheld,
                                                  std::string& strError) {
    auto pImpl = std::make_unique<Impl>();
    pImpl->display = wl_display_connect(nullptr);
    if (pImpl->display == nullptr) {
        strError = "cannot reach the Wayland compositor.";
        return nullptr;
    }
    pImpl->withheld = withheld;
    pImpl->notify = std::move(notify);
    pImpl->registry = wl_display_get_registry(pImpl->display);
    wl_registry_add_listener(pImpl->registry, &REGISTRY_LISTENER, pImpl.get());
    if (!RoundTrip(pImpl->display)) {
        strError = "the Wayland compositor did not answer.";
        return nullptr;
    }
    if (pImpl->seat == nullptr || (pImpl->notifier == nullptr && pImpl->kdeIdle == nullptr)) {
        return nullptr;
    }
    if (pImpl->notifier != nullptr) {
        pImpl->notification =
            ext_idle_notifier_v1_get_idle_notification(pImpl->notifier, timeoutMs, pImpl->seat);
        ext_idle_notification_v1_add_listener(pImpl->notification, &NOTIFICATION_LISTENER,
                                              pImpl.get());
    } else {
        pImpl->kdeTimeout =
            org_kde_kwin_idle_get_idle_timeout(pImpl->kdeIdle, pImpl->seat, timeoutMs);
        org_kde_kwin_idle_timeout_add_listener(pImpl->kdeTimeout, &KDE_TIMEOUT_LISTENER,
                                               pImpl.get());
    }
    wl_display_flush(pImpl->display);
    return std::unique_ptr<WaylandIdle>(new WaylandIdle(std::move(pImpl)));
}

const char* WaylandIdle::Protocol() const {
    return m_pImpl->notification != nullptr ? ext_idle_notifier_v1_interface.name
                                            : org_kde_kwin_idle_interface.name;
}

int WaylandIdle::FileDescriptor() const {
    return wl_display_get_fd(m_pImpl->display);
}

bool WaylandIdle::ProcessEvents() {
    wl_display* display = m_pImpl->display;
    if (wl_display_prepare_read(display) == 0 && wl_display_read_events(display) < 0) {
        return false;
    }
    const bool bFine = wl_display_dispatch_pending(display) >= 0;
    wl_display_flush(display);
    return bFine;
}
