#include "platform/WaylandLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/WaylandProtocols.h"
#include "wlr-input-inhibitor-unstable-v1-client-protocol.h"

namespace {

void OnGlobal(void* pData, wl_registry* pRegistry, uint32_t name, const char* pszInterface,
              uint32_t /*version*/) {
    auto& pManager = *static_cast<zwlr_input_inhibit_manager_v1**>(pData);
    if (pManager == nullptr &&
        std::strcmp(pszInterface, zwlr_input_inhibit_manager_v1_interface.name) == 0) {
        pManager = static_cast<zwlr_input_inhibit_manager_v1*>(
            wl_registry_bind(pRegistry, name, &zwlr_input_inhibit_manager_v1_interface, 1));
    }
}

void OnGlobalRemove(void* /*pData*/, wl_registry* /*pRegistry*/, uint32_t /*name*/) {}

const wl_registry_listener REGISTRY_LISTENER = {.global = OnGlobal,
                                                .global_remove = OnGlobalRemove};

void Quiet(const char* /*pszFormat*/, va_list /*args*/) {}
// libwayland's own way of telling its errors, which it has no other way to restore.
void ToStandardError(const char* pszFormat, va_list args) {
    std::vfprintf(stderr, pszFormat, args);
}

// Whether the connection ended on the compositor's "already inhibited".
bool RefusedAsInhibited(wl_display* pDisplay) {
    const wl_interface* pInterface = nullptr;
    uint32_t id = 0;
    return wl_display_get_error(pDisplay) == EPROTO &&
           wl_display_get_protocol_error(pDisplay, &pInterface, &id) ==
               ZWLR_INPUT_INHIBIT_MANAGER_V1_ERROR_ALREADY_INHIBITED &&
           pInterface == &zwlr_input_inhibit_manager_v1_interface;
}

}  // namespace

std::optional<bool> InputInhibitorHeld() {
    wl_display* pDisplay = wl_display_connect(nullptr);
    if (pDisplay == nullptr) {
        return std::nullopt;
    }
    zwlr_input_inhibit_manager_v1* pManager = nullptr;
    wl_registry* pRegistry = wl_display_get_registry(pDisplay);
    wl_registry_add_listener(pRegistry, &REGISTRY_LISTENER, &pManager);
    std::optional<bool> held;
    if (RoundTrip(pDisplay) && pManager != nullptr) {
        zwlr_input_inhibitor_v1* pInhibitor = zwlr_input_inhibit_manager_v1_get_inhibitor(pManager);
        // The refusal is the answer we ask for, not an error to print.
        wl_log_set_handler_client(Quiet);
        const bool bAnswered = RoundTrip(pDisplay);
        wl_log_set_handler_client(ToStandardError);
        if (bAnswered) {
            held = false;
            // Let go at once: a lock screen that asked meanwhile would be refused, and die.
            zwlr_input_inhibitor_v1_destroy(pInhibitor);
            wl_display_flush(pDisplay);
        } else if (wl_display_get_error(pDisplay) == 0) {
            zwlr_input_inhibitor_v1_destroy(pInhibitor);  // no answer in time: none to give
        } else {
            if (RefusedAsInhibited(pDisplay)) {
                held = true;
            }
            // The connection is gone: only our side of the object remains.
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(pInhibitor));
        }
    }
    if (pManager != nullptr) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(pManager));
    }
    wl_registry_destroy(pRegistry);
    wl_display_disconnect(pDisplay);
    return held;
}

std::optional<SaverClaim> SaverClaim::Take() {
    const char* pszRuntime = std::getenv("XDG_RUNTIME_DIR");
    const char* pszDisplay = std::getenv("WAYLAND_DISPLAY");
    if (pszRuntime == nullptr || *pszRuntime == '\0') {
        return SaverClaim(-1);
    }
    std::string strDisplay =
        pszDisplay != nullptr && *pszDisplay != '\0' ? pszDisplay : "wayland-0";
    // A socket named by its full path keeps only its file name here.
    strDisplay = strDisplay.substr(strDisplay.find_last_of('/') + 1);
    const std::string strPath = std::string(pszRuntime) + "/velvetfade-" + strDisplay + ".lock";
    const int fd = open(strPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return SaverClaim(-1);  // a folder we cannot write to should not stop the saver
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return std::nullopt;
    }
    return SaverClaim(fd);
}

SaverClaim& SaverClaim::operator=(SaverClaim&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

SaverClaim::~SaverClaim() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}
