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
    auto pWindow = std::make_unique<FadeSaverWindow>();
    if (!pWindow->CreateSaver(m_profile, QString::fromUtf8(pszName),
                              static_cast<unsigned long>(hParent), bAutoDelete)) {
        return false;
    }
    QObject::connect(pWindow.get(), &SaverWindow::saverDestroyed, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);

    if (hParent != 0) {
        // Nothing tells a child window that its foreign parent was destroyed; ask the server.
        SaverWindow* pWatched = pWindow.get();
        QObject::connect(&m_hostWatch, &QTimer::timeout, pWatched, [this, pWatched, hParent] {
            if (!m_display.IsWindow(hParent)) {
                m_hostWatch.stop();
                pWatched->ForceClose();
            }
        });
        m_hostWatch.start(HOST_WATCH_MS);
    }

    if (bAutoDelete) {
        pWindow.release();  // deletes itself when closed
    } else {
        m_pKeptWindow = std::move(pWindow);
    }
    return true;
}

void QtSaverShell::RunConfiguration() {
    RunConfigurationMode(m_profile, m_messages, [](CVelvetfadeConfigDlg& sheet) {
        return sheet.exec() == QDialog::Accepted;
    });
}
