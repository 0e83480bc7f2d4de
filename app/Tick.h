#pragma once

#include <cstdint>
#include <functional>

// A 32-bit millisecond tick count that wraps around after about 49.7 days. Elapsed time is
// always taken as an unsigned difference of two ticks, which stays right across the wrap.
using TickSource = std::function<uint32_t()>;

// The steady clock in milliseconds, cut to 32 bits.
uint32_t SteadyTickCount();

inline uint32_t TicksSince(uint32_t dwNow, uint32_t dwStart) {
    return dwNow - dwStart;
}

// How late the frame timer's ticks come, each due one period after the one before: what a
// stalled step costs the frames of every monitor.
class FrameLateness {
public:
    void SetPeriod(uint32_t dwPeriodMs) { m_dwPeriodMs = dwPeriodMs; }
    void OnTick(uint32_t dwNow) {
        if (m_bTicked) {
            const uint32_t dwGap = TicksSince(dwNow, m_dwLastTick);
            if (dwGap > m_dwPeriodMs && dwGap - m_dwPeriodMs > m_dwWorstMs) {
                m_dwWorstMs = dwGap - m_dwPeriodMs;
            }
        }
        m_dwLastTick = dwNow;
        m_bTicked = true;
    }
    // The latest tick's delay since the last call, in milliseconds; the count starts over.
    uint32_t TakeWorst() {
        const uint32_t dwWorst = m_dwWorstMs;
        m_dwWorstMs = 0;
        return dwWorst;
    }

private:
    uint32_t m_dwPeriodMs = 0;
    uint32_t m_dwLastTick = 0;
    uint32_t m_dwWorstMs = 0;
    bool m_bTicked = false;
};
