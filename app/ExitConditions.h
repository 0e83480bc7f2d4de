#pragma once

#include <cstdint>

#include "app/SettingsSlots.h"
#include "app/Tick.h"

// Time after the saver starts during which no input ends it.
inline constexpr uint32_t EXIT_GRACE_MS = 1500;

// What the user did, as every kind of saver window reports it.
enum class SaverInput {
    Key,         // any key went down, a modifier on its own included
    LeftButton,  // a button went down
    MiddleButton,
    RightButton,
    PointerAt,  // the pointer is at (x, y) of the desktop
    FocusLost,  // another application took the keyboard
};

// The exit condition each kind of input answers to; a pointer position counts only once it
// differs from the first seen (PointerReference).
constexpr uint32_t ExitBitFor(SaverInput input) {
    switch (input) {
        case SaverInput::Key:
            return EXIT_KEY_DOWN;
        case SaverInput::LeftButton:
            return EXIT_LEFT_BUTTON;
        case SaverInput::MiddleButton:
            return EXIT_MIDDLE_BUTTON;
        case SaverInput::RightButton:
            return EXIT_RIGHT_BUTTON;
        case SaverInput::PointerAt:
            return EXIT_MOUSE_MOVE;
        case SaverInput::FocusLost:
            return EXIT_OTHER_APP_ACTIVE;
    }
    return 0;
}

// Whether input of a kind in dwMask ends a full-screen saver whose exit conditions (slot 0) are
// dwFlags and which started at dwStartTick.
inline bool InputEndsSaver(uint32_t dwFlags, uint32_t dwMask, uint32_t dwStartTick,
                           uint32_t dwNow) {
    return (dwFlags & dwMask) != 0 && TicksSince(dwNow, dwStartTick) > EXIT_GRACE_MS;
}

// The pointer has moved once it is anywhere but where it was first seen; no threshold.
class PointerReference {
public:
    bool MovedTo(int x, int y) {
        if (!m_bSeen) {
            m_bSeen = true;
            m_x = x;
            m_y = y;
            return false;
        }
        return x != m_x || y != m_y;
    }
    void Reset() { m_bSeen = false; }

private:
    bool m_bSeen = false;
    int m_x = 0, m_y = 0;
};
