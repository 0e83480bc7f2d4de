#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/Tick.h"

// The one frame clock of a saver: the period that the settings' frames a second give, a
// precise timer that calls back once a period, and how late its ticks came. The windows of
// every monitor, or a single window, step on one clock.
class FrameClock {
public:
    // 1000 / frames a second, at least 1 ms; 0 frames a second counts as 1.
    static int PeriodMs(uint32_t dwFramesPerSecond);

    // Calls tick once a period from now on (a running clock starts over).
    void Start(uint32_t dwFramesPerSecond, std::function<void()> tick);
    void Stop() { m_timer.stop(); }
    // The latest tick since the last call, in milliseconds after its due time.
    uint32_t TakeLatestLateMs() { return m_lateness.TakeWorst(); }

private:
    QTimer m_timer;
    FrameLateness m_lateness;
    std::function<void()> m_tick;
};
