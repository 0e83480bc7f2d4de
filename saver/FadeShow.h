#pragma once

#include <array>
#include <memory>

#include "DibSurface.h"
#include "Random.h"
#include "SettingsStore.h"
#include "Tick.h"

// The show without its window: the captured screen, the frame and the scene, and the endless
// cycle prepare → fade in → hold → fade out → rest. One call of Step is one paint's work;
// PresentFrame puts the frame on a device context. Qt-free, so that it is driven step by step
// in tests with a given clock and generator.
class FadeShow {
public:
    enum : int {
        PHASE_PREPARE = 0,
        PHASE_FADE_IN = 1,
        PHASE_HOLD = 2,
        PHASE_FADE_OUT = 3,
        PHASE_REST = 4,
    };
    enum : int {
        SURFACE_CAPTURE = 0,
        SURFACE_FRAME = 1,
        SURFACE_SCENE = 2,
        SURFACE_COUNT = 3,
    };

    struct Rect {
        int left, top, right, bottom;
    };

    // Makes the three screen-sized surfaces, captures the screen into the first and paints the
    // desktop picture into the other two. settings is read afresh wherever a value is used.
    FadeShow(const SettingsStore& settings, TickSource tick, RandomSource& random, int nWidth,
             int nHeight);

    // False when the surfaces could not be made: the show must not run then.
    bool IsReady() const;

    // One paint's step of the cycle.
    void Step();
    void PresentFrame(DeviceContext& dc, const Rect& rcClient);

    bool PrepareNextScene();
    void ComposeSingleColor(COLORREF crColor);
    void ComposeGradation(COLORREF crFirst, COLORREF crSecond);
    bool ComposePicture(const std::string& strPath);
    void BuildFrame(int nLevel);

    DibSurface& Surface(int nRole) { return *m_surfaces[static_cast<size_t>(nRole)]; }

    Rect m_rcScreen;
    int m_nLevel = 0;
    int m_nPictureIndex = -1;
    uint32_t m_dwPhaseTick = 0;
    std::array<std::unique_ptr<DibSurface>, SURFACE_COUNT> m_surfaces;
    int m_nPhase = PHASE_PREPARE;

private:
    void AdvanceLevel(int nNextPhase);
    bool IntervalPassed() const;
    COLORREF RandomColor();

    const SettingsStore& m_settings;
    TickSource m_tick;
    RandomSource& m_random;
};
