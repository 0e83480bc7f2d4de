#include "saver/QtSaverShell.h"

#include <cstdio>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "config/CVelvetfadeConfigDlg.h"
#include "config/ConfigurationMode.h"

#include "app/SettingsView.h"
#include "imaging/DesktopPictures.h"
#include "platform/SessionBus.h"
#include "saver/FadeSaverWindow.h"
#include "saver/WaylandSaverShell.h"

QtSaverShell::QtSaverShell() : m_profile(IniProfileStore::ForProgram(ProgramProfileName())) {
    m_services.desktop = &m_desktop;
    m_services.pictures = &m_pictures;
    m_services.messages = &m_messages;
    m_services.toldFiles = &m_toldFiles;
    m_services.bLoadInBackground = true;
    m_services.bUseMmx = ReadMmxSwitch(m_profile);
}

QtSaverShell::~QtSaverShell() {
    // A signal or a monitor change ends the event loop with the windows still open: they go
    // the way a closed one goes, with their shows and X connections.
    m_keptWindows.clear();
    for (const auto& pWindow : m_windows) {
        delete pWindow.data();
    }
}

bool QtSaverShell::CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) {
    if (hParent != 0) {
        return Create(pszName, SaverWindow::Placement::InHost, hParent, bAutoDelete) != nullptr;
    }
    return CreateOnEveryMonitor(pszName, bAutoDelete);
}

bool QtSaverShell::CreateOnEveryMonitor(const char* pszName, bool bAutoDelete) {
    // Not starting is no failure: the locker already hides the screen.
    if (const std::optional<std::string> locker = SessionLockedBy()) {
        std::fprintf(stderr,
                     "Velvetfade: the screen is locked (%s says so); the saver does not start.\n",
                     locker->c_str());
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        return true;
    }
    // The primary monitor first: its window owns the message boxes.
    QList<QScreen*> screens = QGuiApplication::screens();
    if (QScreen* pPrimary = QGuiApplication::primaryScreen()) {
        screens.removeOne(pPrimary);
        screens.prepend(pPrimary);
    }
    // RandR lets a monitor reach past the screen (or lie wholly outside it); only the part on
    // the screen can be captured and covered.
    QRect desktop;
    if (const auto root = m_display.WindowSize(m_display.RootWindow())) {
        desktop = QRect(0, 0, root->width, root->height);
    }
    std::vector<QPointer<FadeSaverWindow>> windows;
    for (QScreen* pScreen : screens) {
        const QRect area =
            desktop.isEmpty() ? pScreen->geometry() : pScreen->geometry().intersected(desktop);
        if (area.isEmpty()) {
            continue;
        }
        const int nShow = static_cast<int>(windows.size());
        FadeSaverWindow* pWindow =
            Create(pszName, SaverWindow::Placement::FullScreen, 0, bAutoDelete, area,
                   [pScreen, area, nShow](FadeSaverWindow& window) {
                       window.SetTargetScreen(pScreen, area);
                       window.SetPacedFromOutside(true);
                       window.SetShowIndex(nShow);
                   });
        if (pWindow == nullptr) {
            return false;
        }
        windows.emplace_back(pWindow);
    }
    if (windows.empty()) {
        return false;
    }
    // One grace time and one frame timer for all, so that the monitors step together.
    const uint32_t dwStart = windows.front()->StartTick();
    for (const auto& pWindow : windows) {
        pWindow->SetStartTick(dwStart);
    }
    m_clock.Start(SettingsView(windows.front()->Settings()).FramesPerSecond(), [windows] {
        for (const auto& pWindow : windows) {
            if (pWindow != nullptr) {
                pWindow->FrameTick();
            }
        }
    });
    // A monitor that comes or goes changes what there is to cover; whoever plugged it in is
    // there, so the saver ends.
    const auto end = [] { QCoreApplication::exit(0); };
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, QCoreApplication::instance(), end);
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, QCoreApplication::instance(), end);
    return true;
}

bool QtSaverShell::CreateHostedWindow(const char* pszName, long hHost) {
    if (hHost == 0 || hHost == m_display.RootWindow()) {
        const QScreen* pScreen = QGuiApplication::primaryScreen();
        return Create(pszName, SaverWindow::Placement::OnDesktop, 0, true,
                      pScreen != nullptr ? pScreen->virtualGeometry() : QRect()) != nullptr;
    }
    // The host has already covered the screen; what was on it is in the host's screenshot,
    // whose size is then the screen's.
    QRect screen;
    if (std::optional<PlatformImage> screenshot = m_display.HostScreenshot(hHost)) {
        screen = QRect(0, 0, screenshot->width, screenshot->height);
        m_desktop.UseScreenshot(std::move(*screenshot));
    }
    return Create(pszName, SaverWindow::Placement::InHost, hHost, false, screen) != nullptr;
}

bool QtSaverShell::CreateOwnWindow(const char* pszName) {
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        // Qt cannot read the screen on Wayland; the compositor's screencopy can, as long as it
        // is read before the window appears. The show starts from the first output.
        std::string strError;
        const auto pOverlay = WaylandOverlay::Connect(WithheldProtocols(), strError);
        if (pOverlay) {
            std::vector<std::optional<PlatformImage>> captures = CaptureWaylandOutputs(*pOverlay);
            m_waylandDesktop = CapturedOutput(std::move(captures.front()));
        } else {
            std::fprintf(stderr, "Velvetfade: %s The fade starts from black.\n", strError.c_str());
        }
        // Qt's own grab would only give black here.
        m_services.desktop = &m_waylandDesktop;
    }
    return Create(pszName, SaverWindow::Placement::OwnWindow, 0, true) != nullptr;
}

FadeSaverWindow* QtSaverShell::Create(const char* pszName, SaverWindow::Placement placement,
                                      long hParent, bool bAutoDelete, QRect screen,
                                      const std::function<void(FadeSaverWindow&)>& prepare) {
    auto pWindow = std::make_unique<FadeSaverWindow>(m_services, SteadyTickCount, nullptr, screen);
    pWindow->SetSettingsOverrides(m_overrides);
    if (prepare) {
        prepare(*pWindow);
    }
    // Inside a host's window nobody can answer a message box: the host owns the keyboard and
    // the mouse. Elsewhere the box belongs to the show's (first) window.
    const bool bHosted = placement == SaverWindow::Placement::InHost ||
                         placement == SaverWindow::Placement::OnDesktop;
    m_messages.SetToStandardError(bHosted);
    if (m_windows.empty()) {
        m_messages.SetOwner(bHosted ? nullptr : pWindow.get());
    }
    m_windows.emplace_back(pWindow.get());
    if (!pWindow->CreateSaver(m_profile, QString::fromUtf8(pszName), placement,
                              static_cast<unsigned long>(hParent), bAutoDelete)) {
        return nullptr;
    }
    // One window ending ends them all; the others would refuse the quit's request to close.
    QObject::connect(
        pWindow.get(), &SaverWindow::saverDestroyed, QCoreApplication::instance(),
        [this] {
            for (const auto& pOther : m_windows) {
                if (pOther != nullptr) {
                    pOther->ForceClose();
                }
            }
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
    if (placement == SaverWindow::Placement::InHost) {
        WatchHost(pWindow.get(), hParent);
    }
    FadeSaverWindow* pMade = pWindow.get();
    if (bAutoDelete) {
        (void)pWindow.release();  // deletes itself when closed
    } else {
        m_keptWindows.push_back(std::move(pWindow));
    }
    return pMade;
}

uint64_t QtSaverShell::FramesPresented() const {
    uint64_t nFrames = 0;
    for (const auto& pWindow : m_windows) {
        nFrames += pWindow != nullptr ? pWindow->FramesPresented() : 0;
    }
    return nFrames;
}

void QtSaverShell::WatchHost(SaverWindow* pWindow, long hHost) {
    // Nothing tells a child window that its foreign parent was destroyed or resized; ask the
    // server.
    QObject::connect(&m_hostWatch, &QTimer::timeout, pWindow, [this, pWindow, hHost] {
        const std::optional<X11Display::Size> size = m_display.WindowSize(hHost);
        if (!size) {
            m_hostWatch.stop();
            pWindow->ForceClose();
            return;
        }
        pWindow->FitHost(size->width, size->height);
    });
    m_hostWatch.start(HOST_WATCH_MS);
}

void QtSaverShell::RunConfiguration() {
    RunConfigurationMode(m_profile, m_messages, [](CVelvetfadeConfigDlg& sheet) {
        return sheet.exec() == QDialog::Accepted;
    });
}
