#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/SaverApp.h"
#include "platform/QuitOnSignals.h"
#include "platform/X11Display.h"
#include "saver/QtSaverShell.h"
#include "saver/Translation.h"

int main(int argc, char** argv) {
    // The host's arguments are read as given, before Qt takes out the options it knows.
    const std::vector<std::string> args(argv, argv + argc);
    std::vector<const char*> argPtrs;
    for (const std::string& arg : args) {
        argPtrs.push_back(arg.c_str());
    }

    if (const std::optional<std::string> text =
            SaverApp::HelpOrVersion(static_cast<int>(argPtrs.size()), argPtrs.data())) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }

    // Host windows, screenshots and the wallpaper are X11 things, so the program is an X11
    // client even in a Wayland session (through XWayland), unless asked otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // Qt aborts without its display; say what is missing instead.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && !X11Display().IsOpen()) {
        std::fprintf(stderr,
                     "Velvetfade: cannot open the X display \"%s\"; Velvetfade needs an X11 "
                     "session (or XWayland).\n",
                     qEnvironmentVariable("DISPLAY").toLocal8Bit().constData());
        return 1;
    }
    QApplication app(argc, argv);
    InstallTranslation(app);
    QtSaverShell shell;
    QuitOnSignals(app, [&shell] {
        std::fprintf(stderr, "Velvetfade: frames presented: %llu\n",
                     static_cast<unsigned long long>(shell.FramesPresented()));
    });
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
