// A pointer for a compositor without one (headless sway): plugs in a virtual pointer, waits for
// clients to take it up, then moves it or clicks the left button where it is, and unplugs it.
//   wayland_pointer move DX DY | click
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {
zwlr_virtual_pointer_manager_v1* g_manager = nullptr;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        g_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
const wl_registry_listener REGISTRY = {.global = OnGlobal,
                                       .global_remove = [](void*, wl_registry*, uint32_t) {}};
}  // namespace

int main(int argc, char** argv) {
    const std::string action = argc > 1 ? argv[1] : "";
    if (!(action == "click" || (action == "move" && argc == 4))) {
        std::fprintf(stderr, "usage: wayland_pointer move DX DY | click\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wayland_pointer: no compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY, nullptr);
    wl_display_roundtrip(display);
    if (g_manager == nullptr) {
        std::fprintf(stderr, "wayland_pointer: no virtual pointers here\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, nullptr);
    wl_display_roundtrip(display);
    usleep(500000);  // clients bind the new pointer
    // A move by nothing puts the pointer's focus where it is, so that a click has somewhere to go.
    const double dx = action == "move" ? std::atof(argv[2]) : 0;
    const double dy = action == "move" ? std::atof(argv[3]) : 0;
    zwlr_virtual_pointer_v1_motion(pointer, 0, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
    zwlr_virtual_pointer_v1_frame(pointer);
    if (action == "click") {
        wl_display_roundtrip(display);
        usleep(100000);
        for (const uint32_t state :
             {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(pointer, 0, 0x110, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
    }
    wl_display_roundtrip(display);
    usleep(200000);
    // Disconnecting unplugs the pointer; the proxies go with the connection.
    for (void* proxy : {static_cast<void*>(pointer), static_cast<void*>(g_manager),
                        static_cast<void*>(registry)}) {
        wl_proxy_destroy(static_cast<wl_proxy*>(proxy));
    }
    wl_display_disconnect(display);
    return 0;
}
