#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the desktop tells on the session bus, asked only of services that run (nothing is
// started to answer), each answer awaited a second at most.

// Whether a program owns that name on the session bus now.
bool SessionServiceRuns(const std::string& name);

// GNOME's idle counter (org.gnome.Mutter.IdleMonitor), in milliseconds; nothing where no
// Mutter answers.
std::optional<uint32_t> MutterIdleMs();

// The screen locker that says the session is locked (or its screen saver is on), by its bus
// name; nothing when none says so.
std::optional<std::string> SessionLockedBy();

// Whether GNOME's session manager holds the session from going idle (a video playing, a
// presentation): GNOME's idle counter, unlike its own blanking, does not heed that.
bool GnomeIdleInhibited();
