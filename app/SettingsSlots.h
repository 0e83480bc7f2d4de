#pragma once

#include <cstdint>

// Meanings of the settings record's slots. The store itself knows none of these; the saver
// window, the scene engine and the configuration pages apply them.

// DWORD slots.
enum : int {
    SLOT_EXIT_CONDITIONS = 0,
    SLOT_FRAMES_PER_SECOND = 1,
    SLOT_SCENE_KIND = 2,
    SLOT_RANDOM_FLAGS = 3,
    SLOT_FADE_STEP = 4,
    SLOT_SINGLE_COLOR = 5,
    SLOT_GRADATION_COLOR1 = 6,
    SLOT_GRADATION_COLOR2 = 7,
    SLOT_PICTURE_PLACEMENT = 8,
    SLOT_INTERVAL_SECONDS = 9,
    SLOT_COUNT = 10,
};

// String slots 0-4 are reserved and kept empty; picture paths follow.
constexpr int FIRST_PICTURE_SLOT = 5;

// Bits of SLOT_EXIT_CONDITIONS.
constexpr uint32_t EXIT_OTHER_APP_ACTIVE = 0x001;
constexpr uint32_t EXIT_LEFT_BUTTON = 0x002;
constexpr uint32_t EXIT_RIGHT_BUTTON = 0x004;
constexpr uint32_t EXIT_MIDDLE_BUTTON = 0x008;
constexpr uint32_t EXIT_MOUSE_MOVE = 0x010;
constexpr uint32_t EXIT_KEY_DOWN = 0x020;
constexpr uint32_t HIDE_CURSOR = 0x100;

// Bits of SLOT_RANDOM_FLAGS.
constexpr uint32_t RANDOM_SINGLE_COLOR = 0x1;
constexpr uint32_t RANDOM_GRADATION_COLOR1 = 0x2;
constexpr uint32_t RANDOM_GRADATION_COLOR2 = 0x4;
constexpr uint32_t RANDOM_ORDER = 0x8;

// Values of SLOT_SCENE_KIND.
constexpr uint32_t SCENE_SINGLE_COLOR = 0;
constexpr uint32_t SCENE_GRADATION = 1;
constexpr uint32_t SCENE_BITMAP = 2;
constexpr uint32_t SCENE_RANDOM = 3;

// Values of SLOT_PICTURE_PLACEMENT.
constexpr uint32_t PLACE_RANDOM_POSITION = 0;
constexpr uint32_t PLACE_CENTER = 1;
constexpr uint32_t PLACE_TILE = 2;
constexpr uint32_t PLACE_STRETCH = 3;
