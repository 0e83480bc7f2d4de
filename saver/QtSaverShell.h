#pragma once

#include <QPointer>
#include <QSize>
#include <QTimer>
#include <memory>

#include "ImagingPlatform.h"
#include "QSettingsProfileStore.h"
#include "QtDesktopSource.h"
#include "QtMessageSink.h"
#include "QtPictureDecoder.h"
#include "SaverApp.h"
#include "SaverWindow.h"
#include "X11Display.h"

// Starts the modes on Qt and X11: the saver window with the user's settings file, and the
// watch over a host's window.
class QtSaverShell : public SaverShell {
public:
    QtSaverShell();
    ~QtSaverShell() override;

    bool IsWindow(long hWnd) const override { return m_display.IsWindow(hWnd); }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override;
    bool CreateHostedWindow(const char* pszName, long hHost) override;
    bool CreateOwnWindow(const char* pszName) override;
    void RunConfiguration() override;

    // Frames the show's window has put on screen so far (0 without one).
    uint64_t FramesPresented() const;

private:
    bool Create(const char* pszName, SaverWindow::Placement placement, long hParent,
                bool bAutoDelete, QSize screenSize = {});
    void WatchHost(SaverWindow* pWindow, long hHost);

    // How often the host's window is checked for having gone away or changed its size.
    static constexpr int HOST_WATCH_MS = 250;

    X11Display m_display;
    QSettingsProfileStore m_profile;
    QtDesktopSource m_desktop;
    QtBitmapResources m_resources;
    QtPictureDecoder m_pictures;
    QtMessageSink m_messages;
    std::unique_ptr<ScopedImagingPlatform> m_pImaging;
    std::unique_ptr<SaverWindow> m_pKeptWindow;  // a window that does not delete itself
    QPointer<SaverWindow> m_pWindow;             // the show's window, whoever owns it
    QTimer m_hostWatch;
};
