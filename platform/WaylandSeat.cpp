#include "platform/WaylandSeat.h"

#include <unistd.h>

#include "platform/WaylandProtocols.h"

namespace {

// Linux input event codes of the three buttons.
constexpr uint32_t BUTTON_LEFT = 0x110;
constexpr uint32_t BUTTON_RIGHT = 0x111;
constexpr uint32_t BUTTON_MIDDLE = 0x112;

WaylandSeat& SeatOf(void* pData) {
    return *static_cast<WaylandSeat*>(pData);
}

// --- pointer ---------------------------------------------------------------------------------

void OnPointerEnter(void* pData, wl_pointer* pPointer, uint32_t serial, wl_surface* pSurface,
                    wl_fixed_t sx, wl_fixed_t sy) {
    SeatOf(pData).PointerEntered(pPointer, serial, pSurface, wl_fixed_to_int(sx),
                                 wl_fixed_to_int(sy));
}

void OnPointerLeave(void* pData, wl_pointer* /*pPointer*/, uint32_t /*serial*/,
                    wl_surface* /*pSurface*/) {
    SeatOf(pData).PointerLeft();
}

void OnPointerMotion(void* pData, wl_pointer* /*pPointer*/, uint32_t /*time*/, wl_fixed_t sx,
                     wl_fixed_t sy) {
    SeatOf(pData).PointerAt(wl_fixed_to_int(sx), wl_fixed_to_int(sy));
}

void OnPointerButton(void* pData, wl_pointer* /*pPointer*/, uint32_t /*serial*/, uint32_t /*time*/,
                     uint32_t button, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
        SeatOf(pData).Button(button);
    }
}

void OnPointerAxis(void* /*pData*/, wl_pointer* /*pPointer*/, uint32_t /*time*/, uint32_t /*axis*/,
                   wl_fixed_t /*value*/) {}
void OnPointerFrame(void* /*pData*/, wl_pointer* /*pPointer*/) {}
void OnPointerAxisSource(void* /*pData*/, wl_pointer* /*pPointer*/, uint32_t /*source*/) {}
void OnPointerAxisStop(void* /*pData*/, wl_pointer* /*pPointer*/, uint32_t /*time*/,
                       uint32_t /*axis*/) {}
void OnPointerAxisDiscrete(void* /*pData*/, wl_pointer* /*pPointer*/, uint32_t /*axis*/,
                           int32_t /*discrete*/) {}

const wl_pointer_listener POINTER_LISTENER = {
    .enter = OnPointerEnter,
    .leave = OnPointerLeave,
    .motion = OnPointerMotion,
    .button = OnPointerButton,
    .axis = OnPointerAxis,
    .frame = OnPointerFrame,
    .axis_source = OnPointerAxisSource,
    .axis_stop = OnPointerAxisStop,
    .axis_discrete = OnPointerAxisDiscrete,
#ifdef WL_POINTER_AXIS_VALUE120_SINCE_VERSION
    .axis_value120 = nullptr,
#endif
#ifdef WL_POINTER_AXIS_RELATIVE_DIRECTION_SINCE_VERSION
    .axis_relative_direction = nullptr,
#endif
};

// --- keyboard --------------------------------------------------------------------------------

void OnKeymap(void* /*pData*/, wl_keyboard* /*pKeyboard*/, uint32_t /*format*/, int32_t fd,
              uint32_t /*size*/) {
    close(fd);
}

void OnKeyboardEnter(void* pData, wl_keyboard* /*pKeyboard*/, uint32_t /*serial*/,
                     wl_surface* pSurface, wl_array* /*pKeys*/) {
    SeatOf(pData).KeyboardEntered(pSurface);
}

void OnKeyboardLeave(void* pData, wl_keyboard* /*pKeyboard*/, uint32_t /*serial*/,
                     wl_surface* /*pSurface*/) {
    SeatOf(pData).KeyboardLeft();
}

void OnKey(void* pData, wl_keyboard* /*pKeyboard*/, uint32_t /*serial*/, uint32_t /*time*/,
           uint32_t /*key*/, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) {
        SeatOf(pData).Input(SaverInput::Key);
    }
}

void OnModifiers(void* /*pData*/, wl_keyboard* /*pKeyboard*/, uint32_t /*serial*/,
                 uint32_t /*depressed*/, uint32_t /*latched*/, uint32_t /*locked*/,
                 uint32_t /*group*/) {}
void OnRepeatInfo(void* /*pData*/, wl_keyboard* /*pKeyboard*/, int32_t /*rate*/,
                  int32_t /*delay*/) {}

const wl_keyboard_listener KEYBOARD_LISTENER = {
    .keymap = OnKeymap,
    .enter = OnKeyboardEnter,
    .leave = OnKeyboardLeave,
    .key = OnKey,
    .modifiers = OnModifiers,
    .repeat_info = OnRepeatInfo,
};

// --- seat ------------------------------------------------------------------------------------

void OnCapabilities(void* pData, wl_seat* /*pSeat*/, uint32_t capabilities) {
    SeatOf(pData).Capabilities(capabilities);
}

void OnSeatName(void* /*pData*/, wl_seat* /*pSeat*/, const char* /*pszName*/) {}

const wl_seat_listener SEAT_LISTENER = {.capabilities = OnCapabilities, .name = OnSeatName};

}  // namespace

void WaylandSeat::Bind(wl_seat* pSeat) {
    m_pSeat = pSeat;
    wl_seat_add_listener(m_pSeat, &SEAT_LISTENER, this);
}

void WaylandSeat::Capabilities(uint32_t capabilities) {
    // A device that goes leaves its object behind without events; a new one needs a new object.
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) == 0) {
        Destroy(m_pPointer, wl_pointer_destroy);
        m_bPointerOver = false;
    }
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        Destroy(m_pKeyboard, wl_keyboard_destroy);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && m_pPointer == nullptr) {
        m_pPointer = wl_seat_get_pointer(m_pSeat);
        wl_pointer_add_listener(m_pPointer, &POINTER_LISTENER, this);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && m_pKeyboard == nullptr) {
        m_pKeyboard = wl_seat_get_keyboard(m_pSeat);
        wl_keyboard_add_listener(m_pKeyboard, &KEYBOARD_LISTENER, this);
    }
}

void WaylandSeat::PointerEntered(wl_pointer* pPointer, uint32_t serial, wl_surface* pSurface, int x,
                                 int y) {
    m_bPointerOver = m_isOurs(pSurface);
    if (m_bHideCursor && m_bPointerOver) {
        wl_pointer_set_cursor(pPointer, serial, nullptr, 0, 0);
    }
    PointerAt(x, y);
}

void WaylandSeat::PointerAt(int x, int y) {
    if (m_bPointerOver) {
        Input(SaverInput::PointerAt, x, y);
    }
}

void WaylandSeat::Button(uint32_t button) {
    if (button == BUTTON_LEFT) {
        Input(SaverInput::LeftButton);
    } else if (button == BUTTON_MIDDLE) {
        Input(SaverInput::MiddleButton);
    } else if (button == BUTTON_RIGHT) {
        Input(SaverInput::RightButton);
    }
}

void WaylandSeat::KeyboardLeft() {
    m_bKeyboardFocus = false;
    m_bFocusLeft = true;
}

void WaylandSeat::EndOfEvents() {
    // Focus moving from one of our surfaces to another is no loss.
    if (m_bFocusLeft && !m_bKeyboardFocus) {
        Input(SaverInput::FocusLost);
    }
    m_bFocusLeft = false;
}

void WaylandSeat::Input(SaverInput input, int x, int y) const {
    if (m_report) {
        m_report(input, x, y);
    }
}

void WaylandSeat::Release() {
    Destroy(m_pPointer, wl_pointer_destroy);
    Destroy(m_pKeyboard, wl_keyboard_destroy);
    Destroy(m_pSeat, wl_seat_destroy);
}
