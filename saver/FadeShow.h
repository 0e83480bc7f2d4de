#pragma once

#include <array>
#include <future>
#include <memory>
#include <set>
#include <vector>

#include "app/Random.h"
#include "app/SettingsView.h"
#include "app/Tick.h"
#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"
#include "imaging/PictureFile.h"
#include "imaging/PictureList.h"

class MessageSink;

// What the show needs from the platform it runs on. A missing service (null) counts as one
// that fails: no screen (the capture stays black), no wallpaper, no pictures beyond BMP and
// JPEG, no messages shown.
struct ShowServices {
    DesktopSource* desktop = nullptr;
    PictureDecoder* pictures = nullptr;
    MessageSink* messages = nullptr;
    bool bUseMmx = ProcessorHasMmx();  // the stored "MMX" switch, read once at start
    // The files whose messages have been told this run, shared by the shows of every monitor:
    // a file is told about once, and fails quietly after that, as a missing file does. Null:
    // every failure is told.
    std::set<std::string>* toldFiles = nullptr;
    // Pictures are read on a thread of their own, so that a large one holds up no monitor's
    // frames; the show waits in its preparation until the picture is ready. Off, it is read
    // within the step.
    bool bLoadInBackground = false;
};

// The show without its window: the captured screen, the frame and the scene, and the endless
// cycle prepare → fade in → hold → fade out → rest. One call of Step is one frame period's work;
// RenderFrame puts the current frame into the window's pixels. Qt-free, so that it is driven
// step by step in tests with a given clock and generator.
//
// A fade frame is the captured screen mixed into the scene at a level. It is mixed straight into
// the window's pixels when they have the show's size. The 24-bit frame surface is made and
// brought up to date only when something reads it (a scaled window, a test), with exactly the
// bytes the mix would have left there; scenes are composed in the scene surface itself, and a
// scene made of the frame as it stands is mixed there in place. A full-screen show thus holds
// two screen-sized surfaces.
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

    // Makes the captured screen's and the scene's surfaces, captures the screen from (nLeft,
    // nTop) of the desktop into the first and paints the desktop picture into the scene (the
    // frame as it stands until the first step). settings (loaded
    // already) is read afresh wherever a value is used; the folders in its picture list are
    // read here, once.
    // Nothing when the two surfaces cannot be made (too little memory for the screen): then
    // the show cannot run at all.
    [[nodiscard]] static std::unique_ptr<FadeShow> Create(const SettingsStore& settings,
                                                          const ShowServices& services,
                                                          TickSource tick, RandomSource& random,
                                                          int nWidth, int nHeight, int nLeft = 0,
                                                          int nTop = 0);

    // One show among several (one a monitor): the nth draws its own random choices and starts
    // n pictures further down the list, so that neighbours differ.
    void SetShowIndex(int nIndex);

    // One frame period's step of the cycle. True when the frame to show changed.
    bool Step();
    // Puts the current frame into target: mixed straight into 32-bit pixels of the show's size,
    // else the frame surface stretched over the whole target without smoothing. Before the
    // first step the frame is the captured screen.
    void RenderFrame(const PixelTarget& target);
    void PresentFrame(DeviceContext& dc, const Rect& rcClient);

    // True when the next scene is ready; false when the picture failed, or is still being read
    // (IsLoadingPicture): the next call then finishes it.
    bool PrepareNextScene();
    bool IsLoadingPicture() const { return m_pendingPicture.valid(); }
    void ComposeSingleColor(COLORREF crColor);
    void ComposeGradation(COLORREF crFirst, COLORREF crSecond);
    bool ComposePicture(const PictureEntry& entry, LoadedPicture& loaded);
    void BuildFrame(int nLevel);

    // The pictures the list stands for, its folders opened.
    const std::vector<PictureEntry>& Pictures() const { return m_pictures; }

    // The frame surface is made, or brought up to date, first.
    DibSurface& Surface(int nRole);

    Rect m_rcScreen;
    int m_nLevel = 0;
    int m_nPictureIndex = -1;
    uint32_t m_dwPhaseTick = 0;
    std::array<DibSurface, SURFACE_COUNT> m_surfaces;  // the frame's empty until it is read
    int m_nPhase = PHASE_PREPARE;

private:
    FadeShow(const SettingsStore& settings, const ShowServices& services, TickSource tick,
             RandomSource& random, DibSurface&& capture, DibSurface&& scene, int nLeft, int nTop);
    DibSurface& Own(int nRole) { return m_surfaces[static_cast<size_t>(nRole)]; }
    const DibSurface& Own(int nRole) const { return m_surfaces[static_cast<size_t>(nRole)]; }
    // The scene surface for a new scene drawn over all of it.
    DibSurface& SceneToOverwrite();
    // The frame as it stands becomes the scene (a kind without a scene of its own).
    void TakeFrameAsScene();
    void AdvanceLevel(int nNextPhase);
    bool IntervalPassed() const;
    COLORREF RandomColor();
    void StartLoadingPicture(const PictureEntry& entry);
    bool FinishPicture();

    SettingsView m_view;
    ShowServices m_services;
    TickSource m_tick;
    RandomSource& m_random;
    uint32_t m_dwSeedOffset = 0;
    int m_nShownLevel = 0;
    // The frame on show is the captured screen mixed into the scene at m_nShownLevel (after a
    // fade step); otherwise it is the scene itself (before the first, after a new scene).
    bool m_bFrameIsMix = false;
    bool m_bFrameSurfaceCurrent = false;  // the frame surface, if made, holds the frame on show
    bool m_bStarted = false;              // a step has been made
    std::vector<PictureEntry> m_pictures;
    PictureEntry m_loadingEntry;
    std::future<LoadedPicture> m_pendingPicture;  // the picture being read, if any
};
