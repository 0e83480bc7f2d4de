#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <memory>

#include "app/Random.h"
#include "saver/FadeShow.h"
#include "saver/SaverWindow.h"

class QSocketNotifier;
class X11FramePresenter;

// The saver window with the show. The frame timer advances the show by one step a period and
// shows the frame when it changed; paints only show the current frame again. On X11 the frames
// go through the server's shared memory, two images in turn; elsewhere through Qt's painting.
// A frame smaller or larger than the show (a preview) is stretched without smoothing.
class FadeSaverWindow : public SaverWindow {
    Q_OBJECT

public:
    // The show is made, and the screen captured, once the settings are loaded and before the
    // window exists. screen: the part of the desktop the show covers, whose size is its
    // surfaces' (the primary screen when empty); pRandom: the generator (the window's own when
    // null).
    explicit FadeSaverWindow(const ShowServices& services, TickSource tick = SteadyTickCount,
                             RandomSource* pRandom = nullptr, QRect screen = {});
    ~FadeSaverWindow() override;

    // Which of several shows (one a monitor) this one is; before the window is made.
    void SetShowIndex(int nIndex) { m_nShowIndex = nIndex; }
    // Frames put on the window since it was made.
    uint64_t FramesPresented() const { return m_nFramesPresented; }

protected:
    bool OnSettingsLoaded() override;
    int OnCreate() override;
    void OnFrameTimer() override;
    QPaintEngine* paintEngine() const override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    // One step of the show, never entered again from a message box's event loop below it.
    void Advance();
    // Puts the current frame on the window, now or as soon as an image is free.
    void PresentCurrentFrame();
    void OnPresenterEvents();

    ShowServices m_services;
    TickSource m_tick;
    StdRandom m_ownRandom;
    RandomSource& m_random;
    QRect m_screen;
    int m_nShowIndex = 0;
    std::unique_ptr<FadeShow> m_pShow;
    std::unique_ptr<X11FramePresenter> m_pPresenter;
    std::unique_ptr<QSocketNotifier> m_pPresenterNotifier;
    QImage m_paintImage;
    bool m_bStepping = false;
    uint64_t m_nFramesPresented = 0;
};
