#include "saver/FrameClock.h"

#include <algorithm>

int FrameClock::PeriodMs(uint32_t dwFramesPerSecond) {
    const uint32_t dwFps = std::max<uint32_t>(dwFramesPerSecond, 1);
    return static_cast<int>(std::max<uint32_t>(1000 / dwFps, 1));
}

void FrameClock::Start(uint32_t dwFramesPerSecond, std::function<void()> tick) {
    m_timer.stop();
    m_timer.disconnect();
    m_tick = std::move(tick);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(PeriodMs(dwFramesPerSecond));
    m_lateness.SetPeriod(static_cast<uint32_t>(m_timer.interval()));
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        m_lateness.OnTick(SteadyTickCount());
        m_tick();
    });
    m_timer.start();
}
