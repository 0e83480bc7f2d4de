#pragma once

#include <array>
#include <cstddef>
#include <optional>

// The bookkeeping of two buffers that a display server reads frames from: a frame is drawn into
// one the server has finished with while it may still read the other, and nobody waits for the
// server. When it reads both, the frame waits and goes out as soon as one comes back. Knows
// nothing of the server or the pixels.
class BufferPair {
public:
    // The buffer for the next frame: a free one, the one not shown last when both are. None
    // while the server reads both; the frame then waits.
    std::optional<size_t> Take() {
        const size_t nOther = m_nLastShown == 0 ? 1 : 0;
        for (const size_t i : {nOther, 1 - nOther}) {
            if (m_nReads[i] == 0) {
                return i;
            }
        }
        m_bWaiting = true;
        return std::nullopt;
    }
    // The frame waits although a buffer may be free: the server is not ready for it yet.
    void Wait() { m_bWaiting = true; }
    // Buffer i went to the server with the frame.
    void Shown(size_t i) {
        ++m_nReads[i];
        m_nLastShown = static_cast<int>(i);
        m_bWaiting = false;
    }
    // The server reads buffer i once more (to show the last frame again).
    void ReadAgain(size_t i) { ++m_nReads[i]; }
    // The server has finished one read of buffer i.
    void Finished(size_t i) {
        if (m_nReads[i] > 0) {
            --m_nReads[i];
        }
    }
    // True, once, when a frame waits and a buffer is free for it.
    bool TakeWaitingFrame() {
        if (!m_bWaiting || (m_nReads[0] > 0 && m_nReads[1] > 0)) {
            return false;
        }
        m_bWaiting = false;
        return true;
    }
    // The buffer shown last, -1 before the first.
    int LastShown() const { return m_nLastShown; }
    // New buffers, none of them read or shown.
    void Reset() { *this = BufferPair(); }

private:
    std::array<int, 2> m_nReads{};  // reads the server has not finished, per buffer
    int m_nLastShown = -1;
    bool m_bWaiting = false;
};
