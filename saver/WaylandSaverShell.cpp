#include "saver/WaylandSaverShell.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/SettingsView.h"
#include "imaging/DesktopPictures.h"
#include "platform/DesktopCapture.h"
#include "platform/SessionBus.h"
#include "saver/FrameClock.h"

namespace {

void Say(const std::string& strText) {
    std::fprintf(stderr, "Velvetfade: %s\n", strText.c_str());
}

// Ends the saver once the event loop runs: what calls this may be in the middle of reading
// the compositor's events, or ahead of the loop.
void EndSoon() {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

}  // namespace

WaylandSaverShell::WaylandSaverShell()
    : m_profile(IniProfileStore::ForProgram(ProgramProfileName())) {
    // Nobody could answer a message box under the overlay: messages go to standard error.
    m_messages.SetToStandardError(true);
}

WaylandSaverShell::~WaylandSaverShell() = default;

bool WaylandSaverShell::CreateSaverWindow(const char* /*pszName*/, long hParent,
                                          bool /*bAutoDelete*/) {
    if (hParent != 0) {
        Say("a preview runs inside an X11 window; there is none on Wayland.");
        return false;
    }
    // Not starting is no failure here: the screen is already taken care of.
    m_claim = SaverClaim::Take();
    if (!m_claim) {
        Say("another Velvetfade saver already covers this compositor.");
        EndSoon();
        return true;
    }
    std::string strError;
    m_pOverlay = WaylandOverlay::Connect(WithheldProtocols(), strError);
    if (!m_pOverlay) {
        Say(strError);
        return false;
    }
    // Our surfaces would cover the lock screen, and the desktop would show once they went.
    if (m_pOverlay->LockScreenUp()) {
        Say("the screen is locked; the saver does not start over the lock screen.");
        EndSoon();
        return true;
    }
    if (const std::optional<std::string> locker = SessionLockedBy()) {
        Say("the screen is locked (" + *locker + " says so); the saver does not start.");
        EndSoon();
        return true;
    }
    LoadSaverSettings(m_settings, m_profile, m_overrides);
    // What is on the outputs now, before anything of ours covers them.
    CaptureOutputs();
    // Our surfaces show nothing until their first frame, made by the shows, goes out.
    if (!Cover() || !MakeShows()) {
        return false;
    }
    m_dwStartTick = SteadyTickCount();
    m_pNotifier =
        std::make_unique<QSocketNotifier>(m_pOverlay->FileDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated,
                     [this] { OnCompositorEvents(); });
    // The captured outputs at once; the first step as soon as the event loop runs, so that the
    // next level comes one period later.
    for (size_t i = 0; i < m_shows.size(); ++i) {
        Present(i);
    }
    m_pOverlay->Flush();
    QTimer::singleShot(0, [this] { Advance(); });
    m_clock.Start(SettingsView(m_settings).FramesPerSecond(), [this] { Advance(); });
    // Cover's waiting may have read events that the socket will not announce again.
    OnCompositorEvents();
    return true;
}

std::vector<std::optional<PlatformImage>> CaptureWaylandOutputs(WaylandOverlay& overlay) {
    std::optional<std::vector<std::optional<PlatformImage>>> captures;
    std::string strError;
    if (overlay.CanCapture()) {
        captures = overlay.CaptureOutputs();
    } else {
        // KDE Plasma and GNOME have no screencopy, but services of their own on the session bus.
        std::vector<std::string> connectors;
        for (const WaylandOutput& output : overlay.Outputs()) {
            connectors.push_back(output.connector);
        }
        captures = KWinScreenshotOutputs(connectors, strError);
        if (!captures) {
            captures = MutterCastOutputs(connectors, strError);
        }
    }
    if (!captures) {
        Say(NO_SCREENCOPY_MESSAGE);
        return std::vector<std::optional<PlatformImage>>(overlay.Outputs().size());
    }
    for (size_t i = 0; i < captures->size(); ++i) {
        if (!(*captures)[i]) {
            Say("output " + std::to_string(i + 1) + " could not be read" +
                (strError.empty() ? "" : " (" + strError + ")") + "; its fade starts from black.");
        }
    }
    return std::move(*captures);
}

void WaylandSaverShell::CaptureOutputs() {
    std::vector<std::optional<PlatformImage>> captures = CaptureWaylandOutputs(*m_pOverlay);
    m_shows.resize(m_pOverlay->Outputs().size());
    for (size_t i = 0; i < m_shows.size(); ++i) {
        m_shows[i].desktop = CapturedOutput(std::move(captures[i]));
    }
}

bool WaylandSaverShell::MakeShows() {
    const std::vector<WaylandOutput>& outputs = m_pOverlay->Outputs();
    // Pictures keep their size in inches at the first output's scale.
    m_pictures = QtPictureDecoder(96 * outputs.front().scale, 96 * outputs.front().scale);
    m_services.pictures = &m_pictures;
    m_services.messages = &m_messages;
    m_services.toldFiles = &m_toldFiles;
    m_services.bLoadInBackground = true;
    m_services.bUseMmx = ReadMmxSwitch(m_profile);
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (!MakeShow(i)) {
            return false;
        }
    }
    return true;
}

bool WaylandSaverShell::MakeShow(size_t i) {
    Show& show = m_shows[i];
    m_services.desktop = &show.desktop;
    const auto [width, height] = m_pOverlay->FrameSize(i);
    show.show =
        FadeShow::Create(m_settings, m_services, SteadyTickCount, show.random, width, height);
    if (!show.show) {
        Say("there is not enough memory for the show.");
        return false;
    }
    show.show->SetShowIndex(static_cast<int>(i));
    return true;
}

bool WaylandSaverShell::Cover() {
    if (!m_pOverlay->HasLayerShell()) {
        Say("the compositor has no overlay layer (wlr-layer-shell); the saver covers each "
            "output with a full-screen window instead.");
    }
    for (size_t i = 0; i < m_shows.size(); ++i) {
        // A frame that found no free buffer goes out once the compositor can take it.
        m_pOverlay->Presenter(i).OnReady([this, i] { Present(i); });
    }
    WaylandOverlay::Handlers handlers;
    handlers.input = [this](WaylandInput input, int x, int y) { OnInput(input, x, y); };
    // A monitor that comes or goes changes what there is to cover; whoever plugged it in is
    // there, so the saver ends.
    handlers.outputsChanged = EndSoon;
    // The lock screen beneath shows as soon as we go.
    handlers.locked = [] {
        Say("the screen was locked; the saver ends and leaves the lock screen.");
        EndSoon();
    };
    // Where the compositor lets a new window above ours, the saver would go on under it
    // unseen while the rest of the output still fades: someone is at work, so it ends.
    handlers.uncovered = EndSoon;
    // The compositor gave an output's surface another size (a new mode, or a compositor that
    // settles on a size late): that output's show starts again at it, from the same snapshot.
    handlers.resized = [this](size_t i) {
        if (i < m_shows.size() && m_shows[i].show) {
            if (!MakeShow(i)) {
                EndSoon();
                return;
            }
            Present(i);
        }
    };
    std::string strError;
    if (!m_pOverlay->Cover(SettingsView(m_settings).ExitsOn(HIDE_CURSOR), std::move(handlers),
                           strError)) {
        Say(strError);
        return false;
    }
    return true;
}

void WaylandSaverShell::Advance() {
    for (size_t i = 0; i < m_shows.size(); ++i) {
        if (m_shows[i].show->Step()) {
            Present(i);
        }
    }
    m_pOverlay->Flush();
}

void WaylandSaverShell::Present(size_t i) {
    if (!m_shows[i].show) {
        return;  // covered before the shows are made
    }
    FadeShow& show = *m_shows[i].show;
    if (m_pOverlay->Presenter(i).Show(
            [&show](const PixelTarget& target) { show.RenderFrame(target); })) {
        ++m_nFramesPresented;
    }
}

void WaylandSaverShell::OnCompositorEvents() {
    if (!m_pOverlay->ProcessEvents()) {
        Say("the Wayland compositor closed the connection.");
        QCoreApplication::exit(1);
    }
}

void WaylandSaverShell::OnInput(WaylandInput input, int x, int y) {
    // A position ends the saver only once it differs from the first one seen.
    if (input != SaverInput::PointerAt || m_pointer.MovedTo(x, y)) {
        EndSaverIf(ExitBitFor(input));
    }
}

void WaylandSaverShell::EndSaverIf(uint32_t dwMask) {
    if (!m_bEnding && InputEndsSaver(SettingsView(m_settings).ExitConditions(), dwMask,
                                     m_dwStartTick, SteadyTickCount())) {
        m_bEnding = true;
        QCoreApplication::exit(0);
    }
}
