#include "saver/FadeSaverWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/QtPaintTarget.h"
#include "platform/X11FramePresenter.h"

namespace {
QRect PrimaryScreen() {
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen != nullptr ? pScreen->geometry() : QRect();
}
}  // namespace

FadeSaverWindow::FadeSaverWindow(const ShowServices& services, TickSource tick,
                                 RandomSource* pRandom, QRect screen)
    : SaverWindow(tick),
      m_services(services),
      m_tick(std::move(tick)),
      m_random(pRandom != nullptr ? *pRandom : m_ownRandom),
      m_screen(screen.isEmpty() ? PrimaryScreen() : screen) {}

bool FadeSaverWindow::OnSettingsLoaded() {
    m_pShow = FadeShow::Create(m_settings, m_services, m_tick, m_random, m_screen.width(),
                               m_screen.height(), m_screen.x(), m_screen.y());
    if (m_pShow) {
        m_pShow->SetShowIndex(m_nShowIndex);
    }
    return true;
}

FadeSaverWindow::~FadeSaverWindow() = default;

int FadeSaverWindow::OnCreate() {
    // Without its surfaces (too little memory for the screen) the show cannot run at all.
    if (m_pShow == nullptr) {
        return -1;
    }
    if (SaverWindow::OnCreate() == -1) {
        return -1;
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_pPresenter = X11FramePresenter::Create(static_cast<uint32_t>(winId()), width(), height());
    }
    if (m_pPresenter) {
        // Our own child window covers this one and shows the frames: Qt paints nothing here,
        // so it never fills a window-sized backing store (33 MB at 3840x2160).
        setAttribute(Qt::WA_PaintOnScreen);
        m_pPresenterNotifier = std::make_unique<QSocketNotifier>(m_pPresenter->FileDescriptor(),
                                                                 QSocketNotifier::Read);
        connect(m_pPresenterNotifier.get(), &QSocketNotifier::activated, this,
                &FadeSaverWindow::OnPresenterEvents);
        // A frame the server had no free image for goes out as soon as one is free.
        m_pPresenter->OnReady([this] { PresentCurrentFrame(); });
    }
    // The captured screen at once; the first step, which prepares the first scene and shows
    // it at level 0 (the same picture), as soon as the event loop runs, so that the next
    // level comes one period later.
    PresentCurrentFrame();
    QTimer::singleShot(0, this, &FadeSaverWindow::Advance);
    return 0;
}

void FadeSaverWindow::OnFrameTimer() {
    Advance();
}

void FadeSaverWindow::Advance() {
    if (m_bStepping) {
        return;
    }
    m_bStepping = true;
    const bool bChanged = m_pShow->Step();
    m_bStepping = false;
    if (bChanged) {
        PresentCurrentFrame();
    }
}

void FadeSaverWindow::PresentCurrentFrame() {
    if (m_pPresenter) {
        if (m_pPresenter->Show(
                [this](const PixelTarget& target) { m_pShow->RenderFrame(target); })) {
            ++m_nFramesPresented;
        }
        return;
    }
    const QSize client = size();
    if (m_paintImage.size() != client) {
        m_paintImage = MakePaintImage(client);
    }
    m_pShow->RenderFrame(PixelTargetFor(m_paintImage));
    ++m_nFramesPresented;
    update();
}

void FadeSaverWindow::OnPresenterEvents() {
    m_pPresenter->ProcessEvents();
}

QPaintEngine* FadeSaverWindow::paintEngine() const {
    return m_pPresenter ? nullptr : SaverWindow::paintEngine();
}

void FadeSaverWindow::paintEvent(QPaintEvent* /*pEvent*/) {
    if (m_pPresenter) {
        return;  // the presenter's window shows the frames, exposures included
    }
    QPainter painter(this);
    if (m_paintImage.size() != size()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(0, 0, m_paintImage);
}

void FadeSaverWindow::resizeEvent(QResizeEvent* pEvent) {
    SaverWindow::resizeEvent(pEvent);
    if (m_pPresenter) {
        if (!m_pPresenter->Resize(width(), height())) {
            // Out of shared memory at the new size: Qt's painting takes over.
            m_pPresenterNotifier.reset();
            m_pPresenter.reset();
        }
    }
    if (m_pPresenter || !m_paintImage.isNull()) {
        PresentCurrentFrame();
    }
    if (m_pPresenter) {
        // Making the images anew waited for the server, which may have queued events meanwhile
        // that the socket will not announce again.
        OnPresenterEvents();
    }
}
