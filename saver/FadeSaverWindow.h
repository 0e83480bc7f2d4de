#pragma once

#include <QImage>
#include <QSize>
#include <memory>

#include "FadeShow.h"
#include "Random.h"
#include "SaverWindow.h"

// The saver window with the show: every paint is one step of the cycle, and the frame is
// stretched (without smoothing) over the whole client area, so a preview shows all of it.
class FadeSaverWindow : public SaverWindow {
    Q_OBJECT

public:
    // Captures the screen at once, before the window exists. screenSize: the size of the
    // show's surfaces; the primary screen's when empty. pRandom: the generator (the window's
    // own when null).
    explicit FadeSaverWindow(TickSource tick = SteadyTickCount, RandomSource* pRandom = nullptr,
                             QSize screenSize = {});
    ~FadeSaverWindow() override;

    FadeShow& Show() { return *m_pShow; }
    // What the last paint put on the window.
    const QImage& PaintedImage() const { return m_paintImage; }

protected:
    int OnCreate() override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    StdRandom m_ownRandom;
    std::unique_ptr<FadeShow> m_pShow;
    QImage m_paintImage;
};
