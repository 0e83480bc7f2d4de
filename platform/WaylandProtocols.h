#pragma once

// The protocols the Wayland rooms speak, as wayland-scanner writes them at build time. Only the
// velvetfade_wayland library's sources see these headers.
#include <wayland-client.h>

#include <functional>

#include "viewporter-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The published layer-shell protocol names an argument "namespace", which the generated C
// header uses as a parameter name; C++ needs another spelling. Argument names are not on the
// wire.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

// How long the compositor may take over an answer: a capture, a configure, a round trip.
inline constexpr int ANSWER_TIMEOUT_MS = 3000;

// Reads and dispatches the connection's events until done() holds; false when the connection
// fails or done() still does not hold after timeoutMs, so that a compositor that
// does not answer cannot hang the saver.
bool DispatchUntil(wl_display* pDisplay, const std::function<bool()>& done,
                   int timeoutMs = ANSWER_TIMEOUT_MS);
// A round trip within that time: every request sent so far has been handled and its events
// dispatched.
bool RoundTrip(wl_display* pDisplay);

// Destroys a protocol object we may not have made, and forgets it.
template <typename T>
void Destroy(T*& pObject, void (*destroy)(T*)) {
    if (pObject != nullptr) {
        destroy(pObject);
        pObject = nullptr;
    }
}
