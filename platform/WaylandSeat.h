#pragma once

#include <cstdint>
#include <functional>

#include "app/ExitConditions.h"

struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_surface;

// The seat's pointer and keyboard, told as the saver's input: buttons, keys, positions over our
// surfaces and the keyboard focus leaving them. Reports nothing until the saver covers the
// outputs.
class WaylandSeat {
public:
    using Report = std::function<void(SaverInput, int x, int y)>;

    // isOurs: whether a surface is one of the saver's.
    explicit WaylandSeat(std::function<bool(wl_surface*)> isOurs) : m_isOurs(std::move(isOurs)) {}
    WaylandSeat(const WaylandSeat&) = delete;
    WaylandSeat& operator=(const WaylandSeat&) = delete;
    ~WaylandSeat() { Release(); }

    // Takes the seat and listens to it.
    void Bind(wl_seat* pSeat);
    bool IsBound() const { return m_pSeat != nullptr; }
    // Hides the cursor over our surfaces from the next time it enters one.
    void HideCursor(bool bHide) { m_bHideCursor = bHide; }
    // From now on input goes to report.
    void StartReporting(Report report) { m_report = std::move(report); }
    // After a batch of events: focus that left one of our surfaces for none of the others is lost.
    void EndOfEvents();
    void Release();

    // The compositor's news, from the listeners.
    void Capabilities(uint32_t capabilities);
    void PointerEntered(wl_pointer* pPointer, uint32_t serial, wl_surface* pSurface, int x, int y);
    void PointerLeft() { m_bPointerOver = false; }
    void PointerAt(int x, int y);
    void Button(uint32_t button);
    void KeyboardEntered(wl_surface* pSurface) { m_bKeyboardFocus = m_isOurs(pSurface); }
    void KeyboardLeft();
    void Input(SaverInput input, int x = 0, int y = 0) const;

private:
    std::function<bool(wl_surface*)> m_isOurs;
    Report m_report;
    wl_seat* m_pSeat = nullptr;
    wl_pointer* m_pPointer = nullptr;
    wl_keyboard* m_pKeyboard = nullptr;
    bool m_bHideCursor = false;
    bool m_bPointerOver = false;  // over one of our surfaces
    bool m_bKeyboardFocus = false;
    bool m_bFocusLeft = false;  // left one surface; lost unless another of ours takes it
};
