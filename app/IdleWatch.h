#pragma once

#include <cstdint>

// When to start the saver from the session's idle time: once the user has been idle for the
// time asked, once for each time they go idle, never over a saver that still runs. After a saver
// ends without the user coming back (a lock screen ended it, or it did not start under one), the
// next start waits until they have been back and gone idle again.
//
// The idle time comes either as readings (the X server's or GNOME's idle counter, read from
// time to time) or as the compositor's word that the user went idle or came back.
class IdleWatch {
public:
    explicit IdleWatch(uint32_t dwTimeoutMs) : m_dwTimeoutMs(dwTimeoutMs) {}

    // A reading of how long the user has been idle. True when the saver is to start now.
    [[nodiscard]] bool Reading(uint32_t dwIdleMs);
    // The compositor's word: idle for the timeout, or back. True when the saver is to start now.
    [[nodiscard]] bool Notified(bool bIdle);
    // The saver started when asked has ended.
    void SaverEnded() { m_bSaverRunning = false; }
    // The saver was not started after all (something holds the session from going idle): the
    // next reading over the timeout asks again.
    void StartDeclined() {
        m_bSaverRunning = false;
        m_bStartedThisIdle = false;
    }

    // After a reading, how long until the next is worth taking: the rest of the timeout while
    // the user is active; while idle, soon, to see them come back.
    uint32_t NextReadingMs() const;

    static constexpr uint32_t IDLE_READING_MS = 1000;

private:
    uint32_t m_dwTimeoutMs;
    uint32_t m_dwLastIdleMs = 0;
    bool m_bIdle = false;
    bool m_bStartedThisIdle = false;
    bool m_bSaverRunning = false;
};
