#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/ExitConditions.h"
#include "app/Random.h"
#include "app/SaverApp.h"
#include "platform/IniProfileStore.h"
#include "platform/QtMessageSink.h"
#include "platform/QtPictureDecoder.h"
#include "platform/WaylandLock.h"
#include "platform/WaylandOverlay.h"
#include "saver/FadeShow.h"
#include "saver/FrameClock.h"

// Every output's contents before anything of ours covers them, through whichever way the
// compositor offers (screencopy, KWin's or GNOME's screencast); nothing for an output that could
// not be read, which is said on standard error.
std::vector<std::optional<PlatformImage>> CaptureWaylandOutputs(WaylandOverlay& overlay);

// Starts the full-screen saver on a Wayland compositor: a show for every output, each from that
// output's own contents, on one frame timer; the seat's input ends them all as the settings say.
// Only the full-screen saver runs here: previews and XScreenSaver's windows are X11 windows, and
// the settings sheet and the window of our own run through Qt's platform instead.
class WaylandSaverShell : public SaverShell {
public:
    WaylandSaverShell();
    ~WaylandSaverShell() override;

    bool IsWindow(long) const override { return false; }
    bool CreateSaverWindow(const char* pszName, long hParent, bool bAutoDelete) override;
    bool CreateHostedWindow(const char*, long) override { return false; }
    bool CreateOwnWindow(const char*) override { return false; }
    void RunConfiguration() override {}
    void SetSettingsOverrides(const SettingsOverrides& overrides) override {
        m_overrides = overrides;
    }

    // Frames put on the outputs so far.
    uint64_t FramesPresented() const { return m_nFramesPresented; }
    // The frame timer's latest tick since the last call, in milliseconds after its due time.
    uint32_t TakeLatestFrameMs() { return m_clock.TakeLatestLateMs(); }

private:
    struct Show {
        CapturedOutput desktop;
        StdRandom random;
        std::unique_ptr<FadeShow> show;
    };

    // The outputs' contents before anything of ours covers them, each saying what failed.
    void CaptureOutputs();
    // A show for each output, of its frames' size; false (said) when one cannot be made.
    bool MakeShows();
    // Show i made afresh for the frames' size; false when it cannot be.
    bool MakeShow(size_t i);
    // Our surfaces over every output, with their input; false (said) when they cannot be.
    bool Cover();
    // One frame period: every show's step, and its frame shown when it changed.
    void Advance();
    // Puts show i's current frame on its output, now or once a buffer is free.
    void Present(size_t i);
    void OnInput(WaylandInput input, int x, int y);
    void EndSaverIf(uint32_t dwMask);
    void OnCompositorEvents();

    std::optional<SaverClaim> m_claim;
    IniProfileStore m_profile;
    QtPictureDecoder m_pictures;
    QtMessageSink m_messages;
    ShowServices m_services;
    SettingsStore m_settings;
    SettingsOverrides m_overrides;
    std::set<std::string> m_toldFiles;
    std::unique_ptr<WaylandOverlay> m_pOverlay;
    std::vector<Show> m_shows;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    FrameClock m_clock;
    PointerReference m_pointer;
    uint32_t m_dwStartTick = 0;
    bool m_bEnding = false;
    uint64_t m_nFramesPresented = 0;
};
