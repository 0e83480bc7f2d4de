#include "saver/IdleShell.h"

#include <QCoreApplication>
#include <cstdio>

#include "platform/SessionBus.h"
#include "platform/WaylandOverlay.h"
#include "platform/X11Display.h"

namespace {

void Say(const std::string& strText) {
    std::fprintf(stderr, "Velvetfade: %s\n", strText.c_str());
}

// A saver asked to end gets this long to take its surfaces away before it is killed.
constexpr int SAVER_END_MS = 2000;

}  // namespace

IdleShell::IdleShell(uint32_t dwSeconds, const std::string& program,
                     const std::vector<std::string>& saverArgs)
    : m_dwSeconds(dwSeconds),
      m_watch(dwSeconds * 1000),
      m_program(QString::fromStdString(program)) {
    for (const std::string& arg : saverArgs) {
        m_saverArgs << QString::fromStdString(arg);
    }
    m_saver.setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(&m_saver, &QProcess::finished, [this] { m_watch.SaverEnded(); });
    QObject::connect(&m_saver, &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            Say("cannot start the saver (" + m_saver.errorString().toStdString() + ").");
            m_watch.SaverEnded();
        }
    });
    m_readTimer.setSingleShot(true);
    m_readTimer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_readTimer, &QTimer::timeout, [this] { Read(); });
}

IdleShell::~IdleShell() {
    // Whoever ends the watch ends its saver too, but lets it leave as it would.
    if (m_saver.state() != QProcess::NotRunning) {
        m_saver.terminate();
        if (!m_saver.waitForFinished(SAVER_END_MS)) {
            m_saver.kill();
            m_saver.waitForFinished(SAVER_END_MS);
        }
    }
}

bool IdleShell::Start(bool bWayland, std::string& strError) {
    if (bWayland) {
        m_saverArgs << QStringLiteral("--wayland");
        return WatchCompositor(strError);
    }
    auto pDisplay = std::make_shared<X11Display>();
    if (!pDisplay->IsOpen()) {
        strError = "cannot open the X display \"" + qEnvironmentVariable("DISPLAY").toStdString() +
                   "\" to watch the idle time.";
        return false;
    }
    if (!pDisplay->IdleMs()) {
        strError = "the X server has no screen-saver extension to tell the idle time.";
        return false;
    }
    Say("starts the saver after " + std::to_string(m_dwSeconds) +
        " s idle, as the X server counts it.");
    WatchReadings([pDisplay] { return pDisplay->IdleMs(); });
    return true;
}

bool IdleShell::WatchCompositor(std::string& strError) {
    m_pCompositor = WaylandIdle::Connect(
        m_dwSeconds * 1000, [this](bool bIdle) { StartSaverIf(m_watch.Notified(bIdle)); },
        WithheldProtocols(), strError);
    if (m_pCompositor) {
        Say("starts the saver after " + std::to_string(m_dwSeconds) + " s idle, as the " +
            "compositor tells (" + m_pCompositor->Protocol() + ").");
        m_pNotifier = std::make_unique<QSocketNotifier>(m_pCompositor->FileDescriptor(),
                                                        QSocketNotifier::Read);
        QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, [this] {
            if (!m_pCompositor->ProcessEvents()) {
                Say("the Wayland compositor went away.");
                QCoreApplication::exit(1);
            }
        });
        return true;
    }
    if (!strError.empty()) {
        return false;
    }
    if (MutterIdleMs()) {
        Say("starts the saver after " + std::to_string(m_dwSeconds) +
            " s idle, as GNOME counts it (org.gnome.Mutter.IdleMonitor).");
        WatchReadings(MutterIdleMs);
        return true;
    }
    strError =
        "the compositor tells no idle time (neither ext-idle-notify, org_kde_kwin_idle nor "
        "GNOME's IdleMonitor); start the saver with the desktop's own idle daemon instead.";
    return false;
}

void IdleShell::WatchReadings(std::function<std::optional<uint32_t>()> readIdleMs) {
    m_readIdleMs = std::move(readIdleMs);
    m_readTimer.start(0);
}

void IdleShell::Read() {
    const std::optional<uint32_t> idleMs = m_readIdleMs();
    if (!idleMs) {
        // A compositor busy with something else (starting the saver's own screencast, say) may
        // miss one answer; one that stays away is gone.
        if (++m_nFailedReadings >= MAX_FAILED_READINGS) {
            Say("the idle time can no longer be read; the watch ends.");
            QCoreApplication::exit(1);
            return;
        }
        m_readTimer.start(static_cast<int>(IdleWatch::IDLE_READING_MS));
        return;
    }
    m_nFailedReadings = 0;
    StartSaverIf(m_watch.Reading(*idleMs));
    m_readTimer.start(static_cast<int>(m_watch.NextReadingMs()));
}

void IdleShell::StartSaverIf(bool bStart) {
    if (!bStart) {
        return;
    }
    // GNOME's and the X server's counters run on while a video plays; GNOME's session manager
    // knows better. (The compositors' own word heeds such holds already.)
    if (GnomeIdleInhibited()) {
        m_watch.StartDeclined();
        return;
    }
    m_saver.start(m_program, m_saverArgs);
}
