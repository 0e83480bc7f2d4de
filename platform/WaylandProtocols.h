#pragma once

// The protocols the Wayland rooms speak, as wayland-scanner writes them at build time. Only the
// velvetfade_wayland library's sources see these headers.
#include <wayland-client.h>

#include "viewporter-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The published layer-shell protocol names an argument "namespace", which the generated C
// header uses as a parameter name; C++ needs another spelling. Argument names are not on the
// wire.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

// Destroys a protocol object we may not have made, and forgets it.
template <typename T>
void Destroy(T*& pObject, void (*destroy)(T*)) {
    if (pObject != nullptr) {
        destroy(pObject);
        pObject = nullptr;
    }
}
