#include <malloc.h>
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/SaverApp.h"
#include "platform/QuitOnSignals.h"
#include "platform/X11Display.h"
#include "saver/IdleShell.h"
#include "saver/QtSaverShell.h"
#include "saver/Translation.h"
#include "saver/WaylandSaverShell.h"

namespace {

// Starts the mode with the shell and runs the event loop; the program's exit status.
template <typename Shell>
int Run(QCoreApplication& app, Shell& shell, const std::vector<const char*>& args) {
    QuitOnSignals(app, [&shell] {
        std::fprintf(stderr, "Velvetfade: frames presented: %llu\n",
                     static_cast<unsigned long long>(shell.FramesPresented()));
        std::fprintf(stderr, "Velvetfade: latest frame since the last report: %u ms late\n",
                     shell.TakeLatestFrameMs());
    });
    SaverApp saverApp(shell);
    if (!saverApp.InitInstance(static_cast<int>(args.size()), args.data(),
                               std::getenv("XSCREENSAVER_WINDOW"))) {
        if (!saverApp.FailureMessage().empty()) {
            std::fprintf(stderr, "Velvetfade: %s\n", saverApp.FailureMessage().c_str());
            return 1;
        }
        return 0;
    }
    return QuitRequested() ? 0 : app.exec();
}

bool HasQtPlatform(const char* pszName) {
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !plugins.entryList({QStringLiteral("libq%1*.so").arg(QLatin1String(pszName))}).isEmpty();
}

// In a Wayland session without an X display: the saver runs on the compositor itself (its exit
// status), previews and hosts cannot run (1), and the sheet and the window go to Qt's Wayland
// platform (nothing: the Qt application below takes them).
std::optional<int> RunOnWayland(int argc, char** argv, const std::vector<const char*>& args) {
    const int nArgs = static_cast<int>(args.size());
    switch (SaverApp::RequestedMode(nArgs, args.data(), std::getenv("XSCREENSAVER_WINDOW"))) {
        case SaverMode::Saver: {
            // The saver speaks to the compositor itself; Qt only runs the event loop.
            QCoreApplication app(argc, argv);
            WaylandSaverShell shell;
            return Run(app, shell, args);
        }
        case SaverMode::Preview:
        case SaverMode::Host:
            std::fprintf(stderr,
                         "Velvetfade: previews and XScreenSaver's windows are X11 windows; "
                         "they need an X display (DISPLAY is not set).\n");
            return 1;
        case SaverMode::Configure:
        case SaverMode::Window:
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                if (!HasQtPlatform("wayland")) {
                    std::fprintf(stderr,
                                 "Velvetfade: the settings and the window need Qt's "
                                 "Wayland platform (Debian package qt6-wayland).\n");
                    return 1;
                }
                qputenv("QT_QPA_PLATFORM", "wayland");
            }
            break;
    }
    return std::nullopt;
}

// Help, the version or a usage error end the program before anything is shown.
std::optional<int> AnswerWithoutShowing(const std::vector<const char*>& args) {
    const int nArgs = static_cast<int>(args.size());
    if (const std::optional<std::string> text = SaverApp::HelpOrVersion(nArgs, args.data())) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    // A mistyped option must not blank the screen: hosts never send one.
    if (const std::optional<std::string> error = SaverApp::UsageError(nArgs, args.data())) {
        std::fprintf(stderr, "Velvetfade: %s\n%s", error->c_str(), SaverApp::USAGE);
        return 2;
    }
    return std::nullopt;
}

// --idle: the watch runs until it is ended, starting the saver whenever the session is idle.
// In a Wayland session it watches the compositor even where DISPLAY is set: XWayland's idle time
// counts only X11 windows' input, and a saver on XWayland would see only their contents.
int RunIdleWatch(int argc, char** argv, const std::vector<const char*>& args,
                 const std::vector<std::string>& saverArgs) {
    QCoreApplication app(argc, argv);
    const XScreenSaverOptions options =
        ParseXScreenSaverOptions(static_cast<int>(args.size()), args.data());
    IdleShell shell(*options.idleSeconds, args[0], saverArgs);
    std::string strError;
    if (!shell.Start(options.bWayland || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                     strError)) {
        std::fprintf(stderr, "Velvetfade: %s\n", strError.c_str());
        return 1;
    }
    QuitOnSignals(app, [] {});
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Screen-sized buffers (a capture, a wallpaper, a decoded picture) come and go at start and
    // with each picture. Above this size they are mapped and given back when freed; glibc would
    // otherwise raise the limit after the first and keep the later ones in the heap, about 90 MB
    // kept for nothing at two 3840x2160 monitors.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // The host's arguments are read as given, before Qt takes out the options it knows.
    const std::vector<std::string> args(argv, argv + argc);
    std::vector<const char*> argPtrs;
    argPtrs.reserve(args.size());
    for (const std::string& arg : args) {
        argPtrs.push_back(arg.c_str());
    }
    if (const std::optional<int> status = AnswerWithoutShowing(argPtrs)) {
        return *status;
    }
    if (auto saverArgs =
            SaverApp::IdleSaverArguments(static_cast<int>(argPtrs.size()), argPtrs.data())) {
        return RunIdleWatch(argc, argv, argPtrs, *saverArgs);
    }
    if (SaverApp::UsesWayland(static_cast<int>(argPtrs.size()), argPtrs.data(),
                              std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"))) {
        if (const std::optional<int> status = RunOnWayland(argc, argv, argPtrs)) {
            return *status;
        }
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
                     "session or a Wayland compositor.\n",
                     qEnvironmentVariable("DISPLAY").toLocal8Bit().constData());
        return 1;
    }
    QApplication app(argc, argv);
    InstallTranslation(app);
    QtSaverShell shell;
    return Run(app, shell, argPtrs);
}
