#include "app/SaverApp.h"

namespace {
constexpr const char* SAVER_NAME = "Velvetfade";
}

const char* const SaverApp::USAGE =
    "Usage: Velvetfade [--root | --window-id WINDOW | --window] [--wayland] [SETTINGS]\n"
    "       Velvetfade [/s | /c | /p WINDOW]\n"
    "       Velvetfade --idle SECONDS [--wayland] [SETTINGS]\n"
    "Takes a snapshot of the screen, then cross-fades endlessly from it to a scene and back.\n"
    "\n"
    "  --root             draw in the window $XSCREENSAVER_WINDOW names, else on the desktop\n"
    "                     beneath every other window\n"
    "  --window-id WINDOW draw in that X window (decimal or 0x-hexadecimal)\n"
    "  --window           show the fade in an ordinary window\n"
    "  --wayland          run on the Wayland compositor even where DISPLAY is set (the default\n"
    "                     when only WAYLAND_DISPLAY is)\n"
    "  /s                 run full-screen as a screen saver (also without arguments)\n"
    "  /c                 open the settings\n"
    "  /p WINDOW          run as a preview in that X window (decimal)\n"
    "  --idle SECONDS     stay in the background and run the saver full-screen whenever the\n"
    "                     session has been idle that long (1 to 86400)\n"
    "  --help, --version  say this, or the version, and end\n"
    "\n"
    "SETTINGS, for this run only instead of the stored ones:\n"
    "  --frame-rate N     frames a second, 1 to 60\n"
    "  --fade-step N      how far each frame fades, 1 to 20 per cent\n"
    "  --hold N           seconds a scene, and the desktop between scenes, stay, 0 to 60\n"
    "  --scene KIND       colour, gradation, pictures or random\n"
    "\n"
    "See the manual page Velvetfade(6).\n";

std::optional<std::string> SaverApp::HelpOrVersion(int argc, const char* const* argv) {
    const XScreenSaverOptions options = ParseXScreenSaverOptions(argc, argv);
    if (options.bHelp) {
        return std::string(USAGE);
    }
    if (options.bVersion) {
        return std::string("Velvetfade " VELVETFADE_VERSION "\n");
    }
    return std::nullopt;
}

std::optional<std::string> SaverApp::UsageError(int argc, const char* const* argv) {
    std::string strError = ParseXScreenSaverOptions(argc, argv).strError;
    if (!strError.empty()) {
        return strError;
    }
    if (const auto saverArgs = IdleSaverArguments(argc, argv)) {
        std::vector<const char*> ptrs{argv[0]};
        for (const std::string& arg : *saverArgs) {
            ptrs.push_back(arg.c_str());
        }
        if (RequestedMode(static_cast<int>(ptrs.size()), ptrs.data(), nullptr) !=
            SaverMode::Saver) {
            return std::string(
                "--idle starts the full-screen saver; it does not go with /c, /p, "
                "--root, --window-id or --window.");
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> SaverApp::IdleSaverArguments(int argc,
                                                                     const char* const* argv) {
    if (!ParseXScreenSaverOptions(argc, argv).idleSeconds) {
        return std::nullopt;
    }
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--idle") {
            ++i;  // and its value
        } else if (arg.rfind("--idle=", 0) != 0) {
            args.push_back(arg);
        }
    }
    args.emplace_back("/s");
    return args;
}

namespace {
bool IsSet(const char* psz) {
    return psz != nullptr && psz[0] != '\0';
}

// Nothing is asked of the windowing side while the mode is only being found out.
class NoWindows : public WindowQuery {
public:
    bool IsWindow(long) const override { return false; }
};
}  // namespace

SaverMode SaverApp::ModeOf(const SaverCommandLineInfo& cmdInfo, const XScreenSaverOptions& options,
                           bool bHostSet) {
    const SaverMode mode = ChooseMode(cmdInfo);
    if (mode != SaverMode::Saver) {
        return mode;
    }
    // XScreenSaver's conventions say where the show runs, when they are given; the host's
    // variable alone is enough, unless /s asked for the full-screen saver.
    if (options.bWindowId || options.bRoot) {
        return SaverMode::Host;
    }
    if (options.bOwnWindow) {
        return SaverMode::Window;
    }
    return bHostSet && !cmdInfo.m_bSaver ? SaverMode::Host : SaverMode::Saver;
}

SaverMode SaverApp::RequestedMode(int argc, const char* const* argv, const char* pszHostWindow) {
    const NoWindows noWindows;
    SaverCommandLineInfo cmdInfo(noWindows);
    ParseCommandLine(argc, argv, cmdInfo);
    return ModeOf(cmdInfo, ParseXScreenSaverOptions(argc, argv), IsSet(pszHostWindow));
}

bool SaverApp::UsesWayland(int argc, const char* const* argv, const char* pszWaylandDisplay,
                           const char* pszDisplay) {
    return ParseXScreenSaverOptions(argc, argv).bWayland ||
           (IsSet(pszWaylandDisplay) && !IsSet(pszDisplay));
}

bool SaverApp::InitInstance(int argc, const char* const* argv, const char* pszHostWindow) {
    SaverCommandLineInfo cmdInfo(m_shell);
    ParseCommandLine(argc, argv, cmdInfo);
    const XScreenSaverOptions options = ParseXScreenSaverOptions(argc, argv);
    m_mode = ModeOf(cmdInfo, options, IsSet(pszHostWindow));
    m_shell.SetSettingsOverrides(options.overrides);

    switch (m_mode) {
        case SaverMode::Preview:
            // A preview request whose handle was dropped still lands here with a null parent:
            // the window then covers the screen, but is not deleted with its window.
            return m_shell.CreateSaverWindow(SAVER_NAME, cmdInfo.m_hPreviewParent, false) ||
                   Fail("the saver window could not be created.");
        case SaverMode::Configure:
            return RunConfiguration();
        case SaverMode::Window:
            return m_shell.CreateOwnWindow(SAVER_NAME) || Fail("the window could not be created.");
        case SaverMode::Host:
            if (options.bWindowId) {
                if (!options.windowId) {
                    return Fail("--window-id needs a window number, decimal or 0x-hex, not \"" +
                                options.strWindowIdText + "\".");
                }
                if (!m_shell.IsWindow(*options.windowId)) {
                    return Fail("there is no window " + options.strWindowIdText + ".");
                }
                return StartHosted(*options.windowId);
            }
            return IsSet(pszHostWindow) ? StartInHostVariable(pszHostWindow) : StartHosted(0);
        case SaverMode::Saver:
            break;
    }
    // Without a window nothing would ever end the event loop, so end the program instead.
    return m_shell.CreateSaverWindow(SAVER_NAME, 0, true) ||
           Fail("the saver window could not be created.");
}

bool SaverApp::StartInHostVariable(const char* pszHostWindow) {
    const std::optional<long> hHost = ParseWindowNumber(pszHostWindow);
    if (!hHost || !m_shell.IsWindow(*hHost)) {
        return Fail(std::string("XSCREENSAVER_WINDOW=\"") + pszHostWindow + "\" names no window.");
    }
    return StartHosted(*hHost);
}

bool SaverApp::StartHosted(long hHost) {
    return m_shell.CreateHostedWindow(SAVER_NAME, hHost) ||
           Fail("the saver window could not be created.");
}

bool SaverApp::Fail(std::string strMessage) {
    m_strFailure = std::move(strMessage);
    return false;
}

bool SaverApp::RunConfiguration() {
    m_shell.RunConfiguration();
    return false;  // the program ends without an event loop
}
