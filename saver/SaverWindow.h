#pragma once

#include <QWidget>
#include <functional>

#include "app/SettingsStore.h"
#include "app/SettingsView.h"
#include "app/Tick.h"
#include "saver/FrameClock.h"

class ProfileStore;
class QScreen;
class QWindow;

// The window the show runs in: full-screen and top-most, a child filling a host's window, beneath
// every other window on the desktop, or an ordinary window. It loads the settings, paces the
// frames with a timer and, full-screen, hides the cursor and ends the saver on the configured
// input events. It draws nothing itself but black; the show is added by a derived class.
class SaverWindow : public QWidget {
    Q_OBJECT

public:
    // A window of our own cannot be made smaller than this.
    static constexpr int MIN_OWN_WINDOW_WIDTH = 160;
    static constexpr int MIN_OWN_WINDOW_HEIGHT = 120;

    enum class Placement {
        FullScreen,  // top-most over the primary screen; the configured input ends it
        InHost,      // a child filling a host's window (a preview, or XScreenSaver's window)
        OnDesktop,   // over the primary screen beneath every other window, like the root window
        OwnWindow,   // an ordinary resizable window that closes like any other
    };

    explicit SaverWindow(TickSource tick = SteadyTickCount);
    ~SaverWindow() override;

    // Loads the settings from profile and creates the window. hParent: the X window id of the
    // host's window for InHost, else unused. bAutoDelete: the object deletes itself once its
    // window is closed. False when the window could not be made. Away from full screen no input
    // ends the show.
    bool CreateSaver(ProfileStore& profile, const QString& strName, Placement placement,
                     unsigned long hParent, bool bAutoDelete);
    // The Windows command line's two windows: full-screen for hParent 0, else InHost.
    bool CreateSaver(ProfileStore& profile, const QString& strName, unsigned long hParent,
                     bool bAutoDelete) {
        return CreateSaver(profile, strName,
                           hParent != 0 ? Placement::InHost : Placement::FullScreen, hParent,
                           bAutoDelete);
    }

    // Keeps an InHost window the size of its host's window, which nothing tells us about.
    void FitHost(int width, int height);

    // Before CreateSaver: the monitor a full-screen window covers (the primary one when none is
    // given), and whether its frames are paced from outside (by FrameTick, one timer for the
    // windows of every monitor) instead of by a timer of its own.
    // area: the part of that monitor the window covers (the monitor when empty).
    void SetTargetScreen(QScreen* pScreen, QRect area = {}) {
        m_pTargetScreen = pScreen;
        m_targetArea = area;
    }
    void SetPacedFromOutside(bool bOutside) { m_bPacedFromOutside = bOutside; }
    // Before CreateSaver: settings from the command line that replace the stored ones.
    void SetSettingsOverrides(const SettingsOverrides& overrides) { m_overrides = overrides; }
    // One frame period has passed.
    void FrameTick();
    // The start of the grace time, shared by the windows of every monitor.
    void SetStartTick(uint32_t dwStartTick) { m_dwStartTick = dwStartTick; }

    // Closes the saver when slot 0 has a bit of dwMask and the grace time has passed.
    void EndSaverIf(uint32_t dwMask);

    // Ends the saver regardless of the exit conditions (the host's window went away).
    void ForceClose();

    // The reference position of the mouse-move test is shared by the whole process, as the
    // first position seen; tests that create several windows reset it.
    static void ResetMouseReference();

    const SettingsStore& Settings() const { return m_settings; }
    uint32_t StartTick() const { return m_dwStartTick; }

signals:
    // The window is gone: the event loop should end.
    void saverDestroyed();

protected:
    // Takes the start tick and starts the frame timer. Returns -1 on failure, else 0.
    // Called once the settings are loaded, before the window is made: false to make none.
    virtual bool OnSettingsLoaded() { return true; }
    virtual int OnCreate();

    // One frame period has passed; the base class only repaints.
    virtual void OnFrameTimer();

    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

    uint32_t Now() const { return m_tick(); }

    SettingsStore m_settings;
    bool m_bAutoDelete = false;
    uint32_t m_dwStartTick = 0;

private:
    void OnApplicationStateChanged(Qt::ApplicationState state);
    // Closes the window once no message box of ours is open.
    void EndSaver();
    bool CreateFullScreen();
    bool CreateChildOf(unsigned long hParent);
    bool CreateOnDesktop();
    bool CreateOwnWindow();

    TickSource m_tick;
    Placement m_placement = Placement::FullScreen;
    QWindow* m_pHost = nullptr;  // stand-in for the host's window; ours
    QScreen* m_pTargetScreen = nullptr;
    QRect m_targetArea;
    bool m_bPacedFromOutside = false;
    SettingsOverrides m_overrides;

    FrameClock m_clock;  // unless paced from outside
    bool m_bCloseRequested = false;
    bool m_bEndPending = false;  // decided while a message box was open
    bool m_bDestroyed = false;
};
