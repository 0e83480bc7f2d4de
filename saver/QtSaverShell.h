#pragma once

#include <QTimer>
#include <memory>

#include "ImagingPlatform.h"
#include "QSettingsProfileStore.h"
#include "QtDesktopSource.h"
#include "QtMessageSink.h"
#include "QtPictureDecoder.h"
#include "SaverApp.h"
#include "X11Display.h"

class SaverWindow;

// Starts the modes on Qt and X11: the saver window with the user's settings file, and the
// watch over the host's preview window.
class QtSaverShell : public SaverShell {
public:
    QtSaverShell();
    ~QtSaverShell() override;

    bool IsWindow(long hWnd) const override { return m_display.IsWindow(hWnd); }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override;
    void RunConfiguration() override;

private:
    // How often the host's preview window is checked for having gone away.
    static constexpr int HOST_WATCH_MS = 250;

    X11Display m_display;
    QSettingsProfileStore m_profile;
    QtDesktopSource m_desktop;
    QtBitmapResources m_resources;
    QtPictureDecoder m_pictures;
    QtMessageSink m_messages;
    std::unique_ptr<ScopedImagingPlatform> m_pImaging;
    std::unique_ptr<SaverWindow> m_pKeptWindow;  // a window that does not delete itself
    QTimer m_hostWatch;
};
