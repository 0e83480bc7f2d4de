#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "app/SettingsSlots.h"
#include "app/SettingsStore.h"

class ProfileStore;

// The settings record read by meaning. The record stays as it is stored (numbered slots and
// strings, see SettingsSlots.h); this is the one place that says which slot holds what. The
// show, the saver window and the sheet read the record through it.
class SettingsView {
public:
    explicit SettingsView(const SettingsStore& store) : m_store(store) {}

    uint32_t ExitConditions() const { return Slot(SLOT_EXIT_CONDITIONS); }
    bool ExitsOn(uint32_t dwBit) const { return (ExitConditions() & dwBit) != 0; }
    uint32_t FramesPerSecond() const { return Slot(SLOT_FRAMES_PER_SECOND); }
    uint32_t SceneKind() const { return Slot(SLOT_SCENE_KIND); }
    bool IsRandom(uint32_t dwFlag) const { return (Slot(SLOT_RANDOM_FLAGS) & dwFlag) != 0; }
    uint32_t FadeStep() const { return Slot(SLOT_FADE_STEP); }
    uint32_t SingleColor() const { return Slot(SLOT_SINGLE_COLOR); }
    uint32_t GradationColor1() const { return Slot(SLOT_GRADATION_COLOR1); }
    uint32_t GradationColor2() const { return Slot(SLOT_GRADATION_COLOR2); }
    // Signed: a stored -1 (no choice) is a value of its own.
    int32_t PicturePlacement() const { return static_cast<int32_t>(Slot(SLOT_PICTURE_PLACEMENT)); }
    uint32_t IntervalSeconds() const { return Slot(SLOT_INTERVAL_SECONDS); }

    int PictureCount() const { return std::max(m_store.GetStringCount() - FIRST_PICTURE_SLOT, 0); }
    std::string Picture(int nIndex) const {
        return m_store.GetStringAt(FIRST_PICTURE_SLOT + nIndex);
    }

private:
    uint32_t Slot(int nSlot) const { return m_store.GetDWordAt(nSlot); }

    const SettingsStore& m_store;
};

// What the saver assumes where nothing is stored: a record of these two slots.
constexpr uint32_t SAVER_DEFAULT_EXIT_CONDITIONS = 0x13F;
constexpr uint32_t SAVER_DEFAULT_FRAMES_PER_SECOND = 2;

// What the sheet shows where nothing is stored (a record of ten slots).
constexpr uint32_t SHEET_DEFAULT_EXIT_CONDITIONS = 0x13F;
constexpr uint32_t SHEET_DEFAULT_FRAMES_PER_SECOND = 5;
constexpr uint32_t SHEET_DEFAULT_FADE_STEP = 1;
constexpr uint32_t SHEET_DEFAULT_INTERVAL_SECONDS = 10;

inline void PutSaverDefaults(SettingsStore& store) {
    store.SetDWordAt(SLOT_EXIT_CONDITIONS, SAVER_DEFAULT_EXIT_CONDITIONS);
    store.SetDWordAt(SLOT_FRAMES_PER_SECOND, SAVER_DEFAULT_FRAMES_PER_SECOND);
}

inline void PutSheetDefaults(SettingsStore& store) {
    store.SetDWordAt(SLOT_EXIT_CONDITIONS, SHEET_DEFAULT_EXIT_CONDITIONS);
    store.SetDWordAt(SLOT_FRAMES_PER_SECOND, SHEET_DEFAULT_FRAMES_PER_SECOND);
    store.SetDWordAt(SLOT_FADE_STEP, SHEET_DEFAULT_FADE_STEP);
    store.SetDWordAt(SLOT_INTERVAL_SECONDS, SHEET_DEFAULT_INTERVAL_SECONDS);
}

// The ranges the sheet's sliders offer.
struct SlotRange {
    int nMin, nMax;
};
constexpr SlotRange FRAME_RATE_RANGE{1, 60};
constexpr SlotRange FADE_STEP_RANGE{1, 20};
constexpr SlotRange INTERVAL_RANGE{0, 60};

// The exit bits the sheet stores whatever its boxes say: the middle button always ends the
// saver, and the cursor is always hidden.
constexpr uint32_t EXIT_ALWAYS_STORED = EXIT_MIDDLE_BUTTON | HIDE_CURSOR;

// Settings given on the command line (XScreenSaver's settings dialog passes them): they replace
// the stored ones for one run and are never stored.
struct SettingsOverrides {
    std::optional<uint32_t> framesPerSecond;
    std::optional<uint32_t> fadeStep;
    std::optional<uint32_t> intervalSeconds;
    std::optional<uint32_t> sceneKind;

    void ApplyTo(SettingsStore& store) const;
};

// The record the saver and its previews run with: the stored one over the saver's defaults, as
// designed, then the overrides. Where nothing at all is stored, the saver's defaults would
// never fade (a fade step of 0), so it starts from what the sheet shows and OK would store.
void LoadSaverSettings(SettingsStore& store, ProfileStore& profile,
                       const SettingsOverrides& overrides = {});
