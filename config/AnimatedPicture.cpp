#include "config/AnimatedPicture.h"

#include <QImage>
#include <QPainter>

#include "imaging/DesktopPictures.h"
#include "platform/QtPaintTarget.h"

AnimatedPicture::AnimatedPicture(QWidget* pParent) : QWidget(pParent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

AnimatedPicture::~AnimatedPicture() = default;

int AnimatedPicture::LoadPictures(BitmapResources& resources, unsigned nFirst, unsigned nSecond) {
    m_surfaces.clear();
    auto pFirst = std::make_unique<DibSurface>();
    auto pSecond = std::make_unique<DibSurface>();
    if (!LoadBitmapResource(*pFirst, &resources, nFirst, true) ||
        !LoadBitmapResource(*pSecond, &resources, nSecond, true) ||
        pFirst->GetWidth() != pSecond->GetWidth() || pFirst->GetHeight() != pSecond->GetHeight()) {
        return 0;
    }
    pFirst->SetUseMmx(m_bUseMmx);
    pSecond->SetUseMmx(m_bUseMmx);
    auto pWork = std::make_unique<DibSurface>(pFirst->Duplicate());
    m_surfaces.push_back(std::move(pFirst));
    m_surfaces.push_back(std::move(pSecond));
    m_surfaces.push_back(std::move(pWork));
    m_nPosition = 0;
    return 1;
}

void AnimatedPicture::ReplaceColor(COLORREF crKey, COLORREF crReplacement) {
    for (auto& pSurface : m_surfaces) {
        pSurface->ReplaceColor(crKey, crReplacement);
    }
}

void AnimatedPicture::StartTimer(int nPeriodMs) {
    StopTimer();  // one timer: a second start replaces the first
    m_nTimerId = startTimer(nPeriodMs);
}

void AnimatedPicture::StopTimer() {
    if (m_nTimerId != 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

void AnimatedPicture::Advance() {
    m_nPosition += m_nStep;
    if (m_nPosition > 200) {
        m_nPosition = 0;
    }
}

void AnimatedPicture::timerEvent(QTimerEvent* /*pEvent*/) {
    Advance();
    update();
}

void AnimatedPicture::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    if (m_surfaces.size() <= 2) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    DibSurface& work = *m_surfaces[2];
    m_surfaces[0]->CopyPixelsTo(work);
    m_surfaces[1]->BlendInto(work, Level());
    QImage image(work.GetWidth(), work.GetHeight(), QImage::Format_RGB32);
    DeviceContext dc(PixelTargetFor(image));
    work.BlitTo(dc, 0, 0);
    painter.drawImage(0, 0, image);
}
