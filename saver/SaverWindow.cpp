#include "saver/SaverWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <limits>

#include "app/ExitConditions.h"
#include "app/ProfileStore.h"
#include "app/SettingsView.h"
#include "platform/X11Display.h"

namespace {

// The first mouse position seen by any saver window of the process.
PointerReference g_mouseReference;

}  // namespace

SaverWindow::SaverWindow(TickSource tick) : m_tick(std::move(tick)) {
    // Every pixel is painted each time, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

SaverWindow::~SaverWindow() {
    if (m_pHost != nullptr) {
        // Our native window is a child of the host's; detach it before the host's stand-in
        // goes, which would otherwise take our window with it.
        if (QWindow* pOwn = windowHandle()) {
            pOwn->setParent(nullptr);
        }
        delete m_pHost;
    }
}

void SaverWindow::ResetMouseReference() {
    g_mouseReference.Reset();
}

bool SaverWindow::CreateSaver(ProfileStore& profile, const QString& strName, Placement placement,
                              unsigned long hParent, bool bAutoDelete) {
    LoadSaverSettings(m_settings, profile, m_overrides);
    m_bAutoDelete = bAutoDelete;
    m_placement = placement;
    setAttribute(Qt::WA_DeleteOnClose, bAutoDelete);
    setWindowTitle(strName);
    if (placement != Placement::FullScreen) {
        // Only the full-screen saver is ended by input; elsewhere the host or the user decides,
        // and the cursor stays as it is.
        m_settings.SetDWordAt(SLOT_EXIT_CONDITIONS, 0);
    }
    if (placement == Placement::InHost || placement == Placement::OnDesktop) {
        // Qt gives every enabled window an arrow cursor of its own, which would show over a
        // host that hides its cursor. A disabled one leaves the cursor unset, so the window
        // below decides; it takes no input, which nothing here needs.
        setEnabled(false);
    }
    if (!OnSettingsLoaded()) {
        return false;
    }

    bool bCreated = false;
    switch (placement) {
        case Placement::FullScreen:
            bCreated = CreateFullScreen();
            break;
        case Placement::InHost:
            bCreated = CreateChildOf(hParent);
            break;
        case Placement::OnDesktop:
            bCreated = CreateOnDesktop();
            break;
        case Placement::OwnWindow:
            bCreated = CreateOwnWindow();
            break;
    }
    if (!bCreated) {
        return false;
    }
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &SaverWindow::OnApplicationStateChanged);
    return OnCreate() != -1;
}

bool SaverWindow::CreateFullScreen() {
    QScreen* pScreen =
        m_pTargetScreen != nullptr ? m_pTargetScreen : QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return false;
    }
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    if (SettingsView(m_settings).ExitsOn(HIDE_CURSOR)) {
        setCursor(Qt::BlankCursor);
    }
    setScreen(pScreen);
    const QRect area = m_targetArea.isEmpty() ? pScreen->geometry() : m_targetArea;
    setGeometry(area);
    if (area == pScreen->geometry()) {
        showFullScreen();
    } else {
        show();  // full screen would take the whole monitor, beyond the screen
    }
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    return true;
}

bool SaverWindow::CreateChildOf(unsigned long hParent) {
    QWindow* pHost = hParent != 0 ? QWindow::fromWinId(static_cast<WId>(hParent)) : nullptr;
    if (pHost == nullptr) {
        return false;
    }
    m_pHost = pHost;
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    winId();  // create the native window so that it can be reparented
    QWindow* pOwn = windowHandle();
    if (pOwn == nullptr) {
        return false;
    }
    pOwn->setParent(pHost);
    // Qt does not track a foreign window's size; ask the server for the host's client area.
    const auto size = X11Display().WindowSize(static_cast<long>(hParent));
    if (!size || size->width <= 0 || size->height <= 0) {
        return false;
    }
    setGeometry(0, 0, size->width, size->height);
    show();
    return true;
}

bool SaverWindow::CreateOnDesktop() {
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return false;
    }
    // Out of the window manager's hands and at the bottom of the stack: every window stays
    // above it, as over the root window's own background.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                   Qt::WindowStaysOnBottomHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Every monitor, as the root window spans them all.
    setGeometry(pScreen->virtualGeometry());
    show();
    lower();
    return true;
}

bool SaverWindow::CreateOwnWindow() {
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pScreen == nullptr) {
        return false;
    }
    setWindowFlags(Qt::Window);
    setMinimumSize(MIN_OWN_WINDOW_WIDTH, MIN_OWN_WINDOW_HEIGHT);
    // Two thirds of the screen, centred: the whole frame in the screen's proportions.
    const QRect available = pScreen->availableGeometry();
    QRect frame(0, 0, available.width() * 2 / 3, available.height() * 2 / 3);
    frame.moveCenter(available.center());
    setGeometry(frame);
    show();
    activateWindow();
    return true;
}

void SaverWindow::FitHost(int width, int height) {
    if (m_placement == Placement::InHost && width > 0 && height > 0 &&
        size() != QSize(width, height)) {
        setGeometry(0, 0, width, height);
    }
}

int SaverWindow::OnCreate() {
    m_dwStartTick = Now();
    if (m_bPacedFromOutside) {
        return 0;
    }
    m_clock.Start(SettingsView(m_settings).FramesPerSecond(), [this] { FrameTick(); });
    return 0;
}

void SaverWindow::EndSaverIf(uint32_t dwMask) {
    if (!InputEndsSaver(SettingsView(m_settings).ExitConditions(), dwMask, m_dwStartTick, Now())) {
        return;
    }
    m_bCloseRequested = true;
    // Posted, like a close message: the event handler that asked finishes first.
    QMetaObject::invokeMethod(this, &SaverWindow::EndSaver, Qt::QueuedConnection);
}

void SaverWindow::EndSaver() {
    // A message box runs an event loop of its own, called from deep inside the show's step.
    // Closing now would delete this window, and the box that is its child, under both of them;
    // the first frame tick after the box has gone closes instead.
    if (QApplication::activeModalWidget() != nullptr) {
        m_bEndPending = true;
        return;
    }
    close();
}

void SaverWindow::ForceClose() {
    m_bCloseRequested = true;
    close();
}

void SaverWindow::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void SaverWindow::FrameTick() {
    if (m_bDestroyed) {
        return;
    }
    if (m_bEndPending && QApplication::activeModalWidget() == nullptr) {
        m_bEndPending = false;
        close();
        return;
    }
    OnFrameTimer();
}

void SaverWindow::OnFrameTimer() {
    update();
}

void SaverWindow::mousePressEvent(QMouseEvent* pEvent) {
    switch (pEvent->button()) {
        case Qt::LeftButton:
            EndSaverIf(ExitBitFor(SaverInput::LeftButton));
            break;
        case Qt::MiddleButton:
            EndSaverIf(ExitBitFor(SaverInput::MiddleButton));
            break;
        case Qt::RightButton:
            EndSaverIf(ExitBitFor(SaverInput::RightButton));
            break;
        default:
            break;
    }
    pEvent->accept();
}

void SaverWindow::mouseMoveEvent(QMouseEvent* pEvent) {
    // On the desktop's coordinates: the first position seen may be over another monitor's
    // window.
    const QPoint pt = pEvent->globalPosition().toPoint();
    if (g_mouseReference.MovedTo(pt.x(), pt.y())) {
        EndSaverIf(ExitBitFor(SaverInput::PointerAt));
    }
}

void SaverWindow::keyPressEvent(QKeyEvent* pEvent) {
    if (m_placement == Placement::OwnWindow) {
        // Escape or Q closes a window of our own, as in XScreenSaver's display modes.
        if (pEvent->key() == Qt::Key_Escape || pEvent->key() == Qt::Key_Q) {
            ForceClose();
        }
        pEvent->accept();
        return;
    }
    // Every key counts, modifiers such as Alt on their own included.
    EndSaverIf(ExitBitFor(SaverInput::Key));
    pEvent->accept();
}

void SaverWindow::changeEvent(QEvent* pEvent) {
    // Only another application counts: our own message box taking the focus does not.
    if (pEvent->type() == QEvent::ActivationChange && !isActiveWindow() &&
        QApplication::activeWindow() == nullptr) {
        EndSaverIf(ExitBitFor(SaverInput::FocusLost));
    }
    QWidget::changeEvent(pEvent);
}

void SaverWindow::OnApplicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) {
        EndSaverIf(ExitBitFor(SaverInput::FocusLost));
    }
}

void SaverWindow::closeEvent(QCloseEvent* pEvent) {
    // A close request from the window manager or the keyboard (Alt+F4) is not an exit
    // condition: only the saver's own decision closes it. A window of our own closes normally.
    if (!m_bCloseRequested && m_placement != Placement::OwnWindow) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        m_clock.Stop();
        emit saverDestroyed();
    }
}
