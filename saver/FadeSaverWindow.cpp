#include "FadeSaverWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "QtPaintTarget.h"

namespace {
QSize PrimaryScreenSize() {
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen != nullptr ? pScreen->geometry().size() : QSize();
}
}  // namespace

FadeSaverWindow::FadeSaverWindow(TickSource tick, RandomSource* pRandom, QSize screenSize)
    : SaverWindow(tick) {
    if (screenSize.isEmpty()) {
        screenSize = PrimaryScreenSize();
    }
    m_pShow = std::make_unique<FadeShow>(m_settings, std::move(tick),
                                         pRandom != nullptr ? *pRandom : m_ownRandom,
                                         screenSize.width(), screenSize.height());
}

FadeSaverWindow::~FadeSaverWindow() = default;

int FadeSaverWindow::OnCreate() {
    // Without its surfaces (too little memory for the screen) the show cannot run at all.
    if (!m_pShow->IsReady()) {
        return -1;
    }
    return SaverWindow::OnCreate() == -1 ? -1 : 0;
}

void FadeSaverWindow::paintEvent(QPaintEvent* /*pEvent*/) {
    m_pShow->Step();
    const QSize client = size();
    if (m_paintImage.size() != client) {
        m_paintImage = MakePaintImage(client);
    }
    DeviceContext dc(PixelTargetFor(m_paintImage));
    m_pShow->PresentFrame(dc, {0, 0, client.width(), client.height()});
    QPainter painter(this);
    painter.drawImage(0, 0, m_paintImage);
}
