#include "SaverApp.h"

bool SaverApp::InitInstance(int argc, const char* const* argv) {
    SaverCommandLineInfo cmdInfo(m_shell);
    ParseCommandLine(argc, argv, cmdInfo);
    m_mode = ChooseMode(cmdInfo);

    switch (m_mode) {
        case SaverMode::Preview:
            // A preview request whose handle was dropped still lands here with a null parent:
            // the window then covers the screen, but is not deleted with its window.
            return m_shell.CreateSaverWindow("Velvetfade", cmdInfo.m_hPreviewParent, false);
        case SaverMode::Configure:
            return RunConfiguration();
        case SaverMode::Saver:
            break;
    }
    // Without a window nothing would ever end the event loop, so end the program instead.
    return m_shell.CreateSaverWindow("Velvetfade", 0, true);
}

bool SaverApp::RunConfiguration() {
    m_shell.RunConfiguration();
    return false;  // the program ends without an event loop
}
