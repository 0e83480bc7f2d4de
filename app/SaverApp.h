#pragma once

#include "SaverCommandLineInfo.h"

// What the application needs from the windowing side to start a mode.
class SaverShell : public WindowQuery {
public:
    // Creates and shows the saver window. hParent 0 means full-screen; otherwise the window
    // fills the client area of the window hParent names. bAutoDelete: the window object is
    // deleted once its window is gone. False when no window could be made.
    virtual bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) = 0;
    // Runs the configuration sheet modally over the user's settings; saves them on OK.
    virtual void RunConfiguration() = 0;
};

// Chooses the mode from the command line and starts it. The caller runs the event loop when
// InitInstance returns true and ends the program when it returns false.
class SaverApp {
public:
    explicit SaverApp(SaverShell& shell) : m_shell(shell) {}

    // argv as the program received it; argv[0] is the program itself.
    bool InitInstance(int argc, const char* const* argv);

    SaverMode GetMode() const { return m_mode; }

private:
    bool RunConfiguration();

    SaverShell& m_shell;
    SaverMode m_mode = SaverMode::Saver;
};
