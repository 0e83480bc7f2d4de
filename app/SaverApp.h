#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/SaverCommandLineInfo.h"
#include "app/XScreenSaverOptions.h"

// What the application needs from the windowing side to start a mode.
class SaverShell : public WindowQuery {
public:
    // Creates and shows the saver window. hParent 0 means full-screen; otherwise the window
    // fills the client area of the window hParent names. bAutoDelete: the window object is
    // deleted once its window is gone. False when no window could be made.
    [[nodiscard]] virtual bool CreateSaverWindow(const char* pszName, long hParent,
                                                 bool bAutoDelete) = 0;
    // Runs the show inside a screen-saver host's window until the program is ended: no input
    // ends it and the host's cursor stays. hHost 0 stands for the root window, where the show
    // lies beneath every other window. False when no window could be made.
    [[nodiscard]] virtual bool CreateHostedWindow(const char* pszName, long hHost) = 0;
    // Runs the show in an ordinary resizable window that closes like any other.
    [[nodiscard]] virtual bool CreateOwnWindow(const char* pszName) = 0;
    // Runs the configuration sheet modally over the user's settings; saves them on OK.
    virtual void RunConfiguration() = 0;
    // Settings from the command line for the shows of this run, before any window is made; the
    // sheet does not use them.
    virtual void SetSettingsOverrides(const SettingsOverrides& overrides) = 0;
};

// Chooses the mode from the command line and starts it. The caller runs the event loop when
// InitInstance returns true and ends the program when it returns false.
class SaverApp {
public:
    explicit SaverApp(SaverShell& shell) : m_shell(shell) {}

    // argv as the program received it; argv[0] is the program itself. pszHostWindow: the value
    // of $XSCREENSAVER_WINDOW, null when it is not set.
    [[nodiscard]] bool InitInstance(int argc, const char* const* argv,
                                    const char* pszHostWindow = nullptr);

    // The mode InitInstance would start for these arguments, without starting anything.
    static SaverMode RequestedMode(int argc, const char* const* argv, const char* pszHostWindow);
    // Whether the program runs on the Wayland compositor rather than an X server: when asked
    // (--wayland), or when a compositor is named and no X display is.
    static bool UsesWayland(int argc, const char* const* argv, const char* pszWaylandDisplay,
                            const char* pszDisplay);
    // With --idle, the arguments (after the program's name) of the full-screen saver to start
    // when the session is idle: the command line's own without --idle, and /s. Nothing without
    // --idle.
    static std::optional<std::vector<std::string>> IdleSaverArguments(int argc,
                                                                      const char* const* argv);
    // Why InitInstance returned false; empty when the program simply has nothing more to do.
    const std::string& FailureMessage() const { return m_strFailure; }

    // The text for --help or --version, which the program prints instead of starting anything
    // (before it even needs a display); nothing when neither was asked for.
    static std::optional<std::string> HelpOrVersion(int argc, const char* const* argv);
    // What is wrong with the command line, for a message before the usage (exit status 2);
    // nothing when it can be run.
    static std::optional<std::string> UsageError(int argc, const char* const* argv);
    static const char* const USAGE;

private:
    static SaverMode ModeOf(const SaverCommandLineInfo& cmdInfo, const XScreenSaverOptions& options,
                            bool bHostSet);
    bool RunConfiguration();
    // In the window $XSCREENSAVER_WINDOW names; fails when it names none.
    bool StartInHostVariable(const char* pszHostWindow);
    bool StartHosted(long hHost);
    bool Fail(std::string strMessage);

    SaverShell& m_shell;
    SaverMode m_mode = SaverMode::Saver;
    std::string m_strFailure;
};
