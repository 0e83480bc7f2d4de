#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "QtSaverShell.h"
#include "QuitOnSignals.h"
#include "SaverApp.h"
#include "Translation.h"

int main(int argc, char** argv) {
    // The host's arguments are read as given, before Qt takes out the options it knows.
    const std::vector<std::string> args(argv, argv + argc);
    std::vector<const char*> argPtrs;
    for (const std::string& arg : args) {
        argPtrs.push_back(arg.c_str());
    }

    // Host windows, screenshots and the wallpaper are X11 things, so the program is an X11
    // client even in a Wayland session (through XWayland), unless asked otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QuitOnSignals(app);
    InstallTranslation(app);
    QtSaverShell shell;
    SaverApp saverApp(shell);
    if (!saverApp.InitInstance(static_cast<int>(argPtrs.size()), argPtrs.data(),
                               std::getenv("XSCREENSAVER_WINDOW"))) {
        if (!saverApp.FailureMessage().empty()) {
            std::fprintf(stderr, "Velvetfade: %s\n", saverApp.FailureMessage().c_str());
            return 1;
        }
        return 0;
    }
    app.exec();
    return 0;
}
