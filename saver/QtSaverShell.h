#pragma once

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/SaverApp.h"
#include "platform/IniProfileStore.h"
#include "platform/QtDesktopSource.h"
#include "platform/QtMessageSink.h"
#include "platform/QtPictureDecoder.h"
#include "platform/WaylandOverlay.h"
#include "platform/X11Display.h"
#include "saver/FadeSaverWindow.h"
#include "saver/SaverWindow.h"

// Starts the modes on Qt and X11: the saver's windows (one a monitor) with the user's settings
// file, and the watch over a host's window.
class QtSaverShell : public SaverShell {
public:
    QtSaverShell();
    ~QtSaverShell() override;

    bool IsWindow(long hWnd) const override { return m_display.IsWindow(hWnd); }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override;
    bool CreateHostedWindow(const char* pszName, long hHost) override;
    bool CreateOwnWindow(const char* pszName) override;
    void RunConfiguration() override;
    void SetSettingsOverrides(const SettingsOverrides& overrides) override {
        m_overrides = overrides;
    }

    // Frames the shows' windows have put on screen so far (0 without one).
    uint64_t FramesPresented() const;
    // The frame timer's latest tick since the last call, in milliseconds after its due time.
    uint32_t TakeLatestFrameMs() { return m_clock.TakeLatestLateMs(); }

private:
    // The full-screen saver: a window on every monitor, each with its own show.
    bool CreateOnEveryMonitor(const char* pszName, bool bAutoDelete);
    // One show's window over the part of the desktop given (the primary screen when empty);
    // prepare sets it up before it is made. Null when it could not be made.
    FadeSaverWindow* Create(const char* pszName, SaverWindow::Placement placement, long hParent,
                            bool bAutoDelete, QRect screen = {},
                            const std::function<void(FadeSaverWindow&)>& prepare = {});
    void WatchHost(SaverWindow* pWindow, long hHost);

    // How often the host's window is checked for having gone away or changed its size.
    static constexpr int HOST_WATCH_MS = 250;

    X11Display m_display;
    IniProfileStore m_profile;
    QtDesktopSource m_desktop;
    CapturedOutput m_waylandDesktop;  // the window of our own on Wayland
    QtPictureDecoder m_pictures;
    QtMessageSink m_messages;
    ShowServices m_services;
    std::set<std::string> m_toldFiles;
    SettingsOverrides m_overrides;
    // Windows that do not delete themselves, and every show's window whoever owns it.
    std::vector<std::unique_ptr<SaverWindow>> m_keptWindows;
    std::vector<QPointer<FadeSaverWindow>> m_windows;
    FrameClock m_clock;  // one for the windows of every monitor
    QTimer m_hostWatch;
};
