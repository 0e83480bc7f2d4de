#pragma once

#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/IdleWatch.h"
#include "platform/WaylandIdle.h"

// --idle: stays in the background and starts the full-screen saver, as a program of its own,
// each time the session has been idle for the time asked. The idle time comes from the
// compositor on Wayland (ext-idle-notify or KDE's idle protocol, GNOME's IdleMonitor on the
// session bus) and from the X server's screen-saver extension on X11. The saver itself declines
// to start while the session is locked.
class IdleShell {
public:
    // program: how to start this program again; saverArgs: the saver's arguments after it.
    IdleShell(uint32_t dwSeconds, const std::string& program,
              const std::vector<std::string>& saverArgs);
    ~IdleShell();
    IdleShell(const IdleShell&) = delete;
    IdleShell& operator=(const IdleShell&) = delete;

    // Starts watching, on the Wayland compositor or on the X server; false, with the reason,
    // when it tells no idle time.
    bool Start(bool bWayland, std::string& strError);

private:
    bool WatchCompositor(std::string& strError);
    // Watches a counter read from time to time.
    void WatchReadings(std::function<std::optional<uint32_t>()> readIdleMs);
    void Read();
    void StartSaverIf(bool bStart);

    uint32_t m_dwSeconds;
    IdleWatch m_watch;
    QString m_program;
    QStringList m_saverArgs;
    QProcess m_saver;
    QTimer m_readTimer;
    std::function<std::optional<uint32_t>()> m_readIdleMs;
    static constexpr int MAX_FAILED_READINGS = 5;
    int m_nFailedReadings = 0;  // in a row
    std::unique_ptr<WaylandIdle> m_pCompositor;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
