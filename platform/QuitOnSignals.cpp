#include "platform/QuitOnSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace {
bool g_bQuitRequested = false;

int g_signalFds[2] = {-1, -1};

void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    // A full pipe already holds a request; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_signalFds[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

bool QuitOnSignals(QCoreApplication& app, const std::function<void()>& report) {
    if (g_signalFds[0] == -1) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) !=
            0) {
            g_signalFds[0] = g_signalFds[1] = -1;
            return false;
        }
    }
    auto* pNotifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(pNotifier, &QSocketNotifier::activated, &app, [report] {
        char buffer[16];
        bool bQuit = false;
        ssize_t nRead = 0;
        while ((nRead = ::read(g_signalFds[1], buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < nRead; ++i) {
                if (buffer[i] == SIGUSR1 && report) {
                    report();
                } else {
                    bQuit = true;
                }
            }
        }
        // exit, not quit: quit asks the windows first, and a saver window refuses to close on
        // anyone's word but its own. exit ends every running loop, a modal dialog's included.
        if (bQuit) {
            g_bQuitRequested = true;
            QCoreApplication::exit(0);
        }
    });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signalNumber, &action, nullptr);
    }
    // Messages go to standard error in a host's window; a reader that has gone away (a closed
    // pipe) loses them, and must not end the show.
    ::signal(SIGPIPE, SIG_IGN);
    if (report) {
        ::sigaction(SIGUSR1, &action, nullptr);
    }
    return true;
}

bool QuitRequested() {
    return g_bQuitRequested;
}
