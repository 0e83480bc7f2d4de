#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/ImagingPlatform.h"

// Every monitor's contents through GNOME's screencast (org.gnome.Mutter.ScreenCast on the
// session bus, read over PipeWire): the interface through which GNOME's own screen sharing reads
// the screen, asked directly since a portal would first ask the user. connectors: the monitors
// by connector name ("" for the primary one). Nothing at all when no Mutter offers it;
// otherwise one entry a monitor, empty for one that could not be read (strError says why).
std::optional<std::vector<std::optional<PlatformImage>>> MutterCastOutputs(
    const std::vector<std::string>& connectors, std::string& strError);

// Every output's contents through KWin's screenshot service (org.kde.KWin.ScreenShot2 on the
// session bus), which KWin grants to programs whose installed desktop entry asks for it
// (X-KDE-DBUS-Restricted-Interfaces). Its screencast would serve as well, but sends a frame only
// when something on the screen changes, and an idle desktop does not. connectors: the outputs
// by name, as wl_output tells them. Nothing at all when no KWin offers it; otherwise one entry
// an output, empty for one that could not be read (strError says why).
std::optional<std::vector<std::optional<PlatformImage>>> KWinScreenshotOutputs(
    const std::vector<std::string>& connectors, std::string& strError);
