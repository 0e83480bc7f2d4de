#pragma once

#include <optional>
#include <string>

#include "app/SettingsView.h"

// How XScreenSaver starts a display mode, each option with one or two dashes:
//   --root          draw on the root window, or on $XSCREENSAVER_WINDOW when the host set it
//   --window-id N   draw into window N, decimal or 0x-hex
//   --window        run in a window of our own
// and our own --wayland (run on the Wayland compositor even where an X display is set) and
// --idle SECONDS (stay in the background and start the full-screen saver after that much idle
// time).
// Two dashes only, as one-dash words belong to the Windows parser: --help, --version, and the
// settings for one run that XScreenSaver's dialog offers (--frame-rate N, --fade-step N, --hold N,
// --scene KIND), also written --name=value. Any other two-dash word is a mistake: hosts never
// send one. Everything else is left to the Windows-style parser, which sees every argument too.
struct XScreenSaverOptions {
    bool bHelp = false;
    bool bVersion = false;
    bool bRoot = false;
    bool bOwnWindow = false;
    bool bWayland = false;
    bool bWindowId = false;               // --window-id was given
    std::optional<long> windowId;         // its value, when it is a window number
    std::string strWindowIdText;          // its value as given, for the message when it is not
    std::optional<uint32_t> idleSeconds;  // --idle
    SettingsOverrides overrides;
    std::string strError;  // what is wrong with the command line; empty when nothing is
};

// The idle times --idle takes: a second to a day.
inline constexpr SlotRange IDLE_SECONDS_RANGE = {1, 86400};

// argv as the program received it; argv[0] is the program itself.
XScreenSaverOptions ParseXScreenSaverOptions(int argc, const char* const* argv);

// An X window number as hosts write it: decimal or 0x-hex digits only, 1 to 0xFFFFFFFF.
// Nothing for anything else (signs, blanks, trailing text, overflow, null).
std::optional<long> ParseWindowNumber(const char* psz);
