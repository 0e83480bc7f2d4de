#include "QtSaverShell.h"

#include <QCoreApplication>

#include "CVelvetfadeConfigDlg.h"
#include "ConfigurationMode.h"

#include "FadeSaverWindow.h"

QtSaverShell::QtSaverShell() : m_profile(ProgramProfileName()) {
    ImagingPlatform platform;
    platform.profile = &m_profile;
    platform.desktop = &m_desktop;
    platform.resources = &m_resources;
    platform.pictures = &m_pictures;
    platform.messages = &m_messages;
    m_pImaging = std::make_unique<ScopedImagingPlatform>(platform);
}

QtSaverShell::~QtSaverShell() = default;

bool QtSaverShell::CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) {
    return Create(
        pszName, hParent != 0 ? SaverWindow::Placement::InHost : SaverWindow::Placement::FullScreen,
        hParent, bAutoDelete);
}

bool QtSaverShell::CreateHostedWindow(const char* pszName, long hHost) {
    if (hHost == 0 || hHost == m_display.RootWindow()) {
        return Create(pszName, SaverWindow::Placement::OnDesktop, 0, true);
    }
    // The host has already covered the screen; what was on it is in the host's screenshot,
    // whose size is then the screen's.
    QSize screenSize;
    if (std::optional<PlatformImage> screenshot = m_display.HostScreenshot(hHost)) {
        screenSize = QSize(screenshot->width, screenshot->height);
        m_desktop.UseScreenshot(std::move(*screenshot));
    }
    return Create(pszName, SaverWindow::Placement::InHost, hHost, false, screenSize);
}

bool QtSaverShell::CreateOwnWindow(const char* pszName) {
    return Create(pszName, SaverWindow::Placement::OwnWindow, 0, true);
}

bool QtSaverShell::Create(const char* pszName, SaverWindow::Placement placement, long hParent,
                          bool bAutoDelete, QSize screenSize) {
    auto pWindow = std::make_unique<FadeSaverWindow>(SteadyTickCount, nullptr, screenSize);
    // Inside a host's window nobody can answer a message box: the host owns the keyboard and
    // the mouse. Elsewhere the box belongs to the show's window.
    const bool bHosted = placement == SaverWindow::Placement::InHost ||
                         placement == SaverWindow::Placement::OnDesktop;
    m_messages.SetToStandardError(bHosted);
    m_messages.SetOwner(bHosted ? nullptr : pWindow.get());
    m_pWindow = pWindow.get();
    if (!pWindow->CreateSaver(m_profile, QString::fromUtf8(pszName), placement,
                              static_cast<unsigned long>(hParent), bAutoDelete)) {
        return false;
    }
    QObject::connect(pWindow.get(), &SaverWindow::saverDestroyed, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    if (placement == SaverWindow::Placement::InHost) {
        WatchHost(pWindow.get(), hParent);
    }
    if (bAutoDelete) {
        pWindow.release();  // deletes itself when closed
    } else {
        m_pKeptWindow = std::move(pWindow);
    }
    return true;
}

uint64_t QtSaverShell::FramesPresented() const {
    const auto* pWindow = qobject_cast<const FadeSaverWindow*>(m_pWindow.data());
    return pWindow != nullptr ? pWindow->FramesPresented() : 0;
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
