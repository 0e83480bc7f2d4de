#include "app/IdleWatch.h"

#include <algorithm>

bool IdleWatch::Reading(uint32_t dwIdleMs) {
    // A counter that went down means input since the last reading, however short the gap.
    const bool bBack = dwIdleMs < m_dwLastIdleMs;
    m_dwLastIdleMs = dwIdleMs;
    if (bBack && m_bIdle) {
        (void)Notified(false);
    }
    return Notified(dwIdleMs >= m_dwTimeoutMs);
}

bool IdleWatch::Notified(bool bIdle) {
    if (!bIdle) {
        m_bIdle = false;
        m_bStartedThisIdle = false;
        return false;
    }
    m_bIdle = true;
    // A saver still running covers this idle time as well.
    const bool bStart = !m_bStartedThisIdle && !m_bSaverRunning;
    m_bStartedThisIdle = true;
    m_bSaverRunning = m_bSaverRunning || bStart;
    return bStart;
}

uint32_t IdleWatch::NextReadingMs() const {
    if (m_bIdle) {
        return IDLE_READING_MS;
    }
    // A little past the moment, so that the reading then is over the timeout.
    return std::max<uint32_t>(m_dwTimeoutMs - std::min(m_dwLastIdleMs, m_dwTimeoutMs), 10) + 10;
}
