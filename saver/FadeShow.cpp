#include "saver/FadeShow.h"

#include <chrono>
#include <system_error>

#include "app/MessageSink.h"
#include "app/SettingsView.h"
#include "imaging/DesktopPictures.h"
#include "imaging/PictureFile.h"

std::unique_ptr<FadeShow> FadeShow::Create(const SettingsStore& settings,
                                           const ShowServices& services, TickSource tick,
                                           RandomSource& random, int nWidth, int nHeight, int nLeft,
                                           int nTop) {
    // The frame surface is made only when something reads it (see Surface).
    std::optional<DibSurface> capture = DibSurface::Make(nWidth, nHeight, 24);
    std::optional<DibSurface> scene = DibSurface::Make(nWidth, nHeight, 24);
    if (!capture || !scene) {
        return nullptr;
    }
    return std::unique_ptr<FadeShow>(new FadeShow(settings, services, std::move(tick), random,
                                                  std::move(*capture), std::move(*scene), nLeft,
                                                  nTop));
}

FadeShow::FadeShow(const SettingsStore& settings, const ShowServices& services, TickSource tick,
                   RandomSource& random, DibSurface&& capture, DibSurface&& scene, int nLeft,
                   int nTop)
    : m_rcScreen{0, 0, capture.GetWidth(), capture.GetHeight()},
      m_view(settings),
      m_services(services),
      m_tick(std::move(tick)),
      m_random(random) {
    m_surfaces[SURFACE_CAPTURE] = std::move(capture);
    m_surfaces[SURFACE_SCENE] = std::move(scene);
    for (int nRole : {SURFACE_CAPTURE, SURFACE_SCENE}) {
        Own(nRole).SetUseMmx(services.bUseMmx);
    }
    CaptureScreen(Own(SURFACE_CAPTURE), services.desktop, nLeft, nTop);
    PaintDesktopInto(Own(SURFACE_SCENE), services.desktop);

    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(m_view.PictureCount()));
    for (int i = 0; i < m_view.PictureCount(); ++i) {
        entries.push_back(m_view.Picture(i));
    }
    m_pictures = ExpandPictureList(entries, ReadablePictureSuffixes(services.pictures));
}

void FadeShow::SetShowIndex(int nIndex) {
    m_dwSeedOffset = static_cast<uint32_t>(nIndex);
    m_nPictureIndex = nIndex - 1;
}

DibSurface& FadeShow::Surface(int nRole) {
    if (nRole == SURFACE_FRAME && !m_bFrameSurfaceCurrent) {
        DibSurface& frame = Own(SURFACE_FRAME);
        if (!frame.HasBits()) {
            // Stays empty when there is no memory for it: then nothing is drawn from it.
            if (std::optional<DibSurface> made =
                    DibSurface::Make(m_rcScreen.right, m_rcScreen.bottom, 24)) {
                frame = std::move(*made);
                frame.SetUseMmx(m_services.bUseMmx);
            }
        }
        if (frame.HasBits()) {
            if (m_bFrameIsMix) {
                Own(SURFACE_CAPTURE).BlendOver(Own(SURFACE_SCENE), frame, m_nShownLevel);
            } else {
                Own(SURFACE_SCENE).CopyPixelsTo(frame);
            }
        }
        m_bFrameSurfaceCurrent = true;
    }
    return Own(nRole);
}

DibSurface& FadeShow::SceneToOverwrite() {
    m_bFrameIsMix = false;
    m_bFrameSurfaceCurrent = false;
    return Own(SURFACE_SCENE);
}

void FadeShow::TakeFrameAsScene() {
    // The frame as it stands becomes the scene; where it is the scene already, nothing changes.
    if (m_bFrameIsMix) {
        Own(SURFACE_CAPTURE).BlendOver(Own(SURFACE_SCENE), Own(SURFACE_SCENE), m_nShownLevel);
        m_bFrameIsMix = false;
    }
}

bool FadeShow::Step() {
    m_bStarted = true;
    const int nPhase = m_nPhase;
    switch (m_nPhase) {
        case PHASE_PREPARE:
            if (PrepareNextScene()) {
                m_nPhase = PHASE_FADE_IN;
            } else if (IsLoadingPicture()) {
                return false;  // nothing changes until the picture is ready
            }
            // Whatever the preparation gave, this paint shows a fade-in frame.
            [[fallthrough]];
        case PHASE_FADE_IN:
            BuildFrame(m_nLevel);
            AdvanceLevel(PHASE_HOLD);
            break;
        case PHASE_HOLD:
            if (IntervalPassed()) {
                m_nPhase = PHASE_FADE_OUT;
            }
            break;
        case PHASE_FADE_OUT:
            BuildFrame(100 - m_nLevel);
            AdvanceLevel(PHASE_REST);
            break;
        case PHASE_REST:
            if (IntervalPassed()) {
                m_nPhase = PHASE_PREPARE;
            }
            break;
        default:
            break;
    }
    // Hold and rest show the last frame again; every step of a fade makes a new one.
    return nPhase == PHASE_PREPARE || nPhase == PHASE_FADE_IN || nPhase == PHASE_FADE_OUT;
}

void FadeShow::AdvanceLevel(int nNextPhase) {
    // The step is unsigned: a stored value above 100 ends the fade after one frame instead of
    // running the level backwards into an overflow.
    const uint32_t dwStep = m_view.FadeStep();
    m_nLevel = dwStep > 100 ? 101 : m_nLevel + static_cast<int>(dwStep);
    if (m_nLevel > 100) {
        m_nLevel = 0;
        m_nPhase = nNextPhase;
        m_dwPhaseTick = m_tick();
    }
}

bool FadeShow::IntervalPassed() const {
    const uint32_t dwInterval = m_view.IntervalSeconds() * 1000u;
    return TicksSince(m_tick(), m_dwPhaseTick) > dwInterval;
}

COLORREF FadeShow::RandomColor() {
    return m_random.Uniform(0, 0xFFFFFF);
}

bool FadeShow::PrepareNextScene() {
    if (IsLoadingPicture()) {
        return FinishPicture();
    }
    m_random.Seed(m_tick() + m_dwSeedOffset);
    uint32_t dwKind = m_view.SceneKind();
    if (dwKind == SCENE_RANDOM) {
        dwKind = m_random.Uniform(0, 2);
    }
    switch (dwKind) {
        case SCENE_SINGLE_COLOR:
            ComposeSingleColor(m_view.IsRandom(RANDOM_SINGLE_COLOR) ? RandomColor()
                                                                    : m_view.SingleColor());
            break;
        case SCENE_GRADATION: {
            const COLORREF crFirst =
                m_view.IsRandom(RANDOM_GRADATION_COLOR1) ? RandomColor() : m_view.GradationColor1();
            COLORREF crSecond = m_view.GradationColor2();
            if (m_view.IsRandom(RANDOM_GRADATION_COLOR2)) {
                crSecond = m_view.IsRandom(RANDOM_GRADATION_COLOR1)
                               ? RGB(255 - GetRValue(crFirst), 255 - GetGValue(crFirst),
                                     255 - GetBValue(crFirst))
                               : RandomColor();
            }
            ComposeGradation(crFirst, crSecond);
            break;
        }
        case SCENE_BITMAP: {
            const int nCount = static_cast<int>(m_pictures.size());
            if (nCount <= 0) {
                break;
            }
            int nIndex = 0;
            if (m_view.IsRandom(RANDOM_ORDER)) {
                nIndex = static_cast<int>(m_random.Uniform(0, static_cast<uint32_t>(nCount - 1)));
            } else {
                nIndex = m_nPictureIndex + 1 < nCount ? m_nPictureIndex + 1 : 0;
            }
            m_nPictureIndex = nIndex;
            StartLoadingPicture(m_pictures[static_cast<size_t>(nIndex)]);
            return FinishPicture();
        }
        default:
            break;
    }
    TakeFrameAsScene();
    return true;
}

void FadeShow::ComposeSingleColor(COLORREF crColor) {
    DeviceContext& dc = *SceneToOverwrite().MemDC();
    const Brush oldBrush = dc.SelectBrush(Brush{crColor & 0xFFFFFF, false});
    // The outline, in the current pen, lies wholly outside the surface.
    dc.Rectangle(-1, -1, m_rcScreen.right + 1, m_rcScreen.bottom + 1);
    dc.SelectBrush(oldBrush);
}

void FadeShow::ComposeGradation(COLORREF crFirst, COLORREF crSecond) {
    SceneToOverwrite().FillGradation(crFirst, crSecond, GRADATION_TOP_TO_BOTTOM);
}

void FadeShow::StartLoadingPicture(const PictureEntry& entry) {
    m_loadingEntry = entry;
    auto load = [strPath = entry.path, pDecoder = m_services.pictures] {
        return LoadImageFile(strPath.c_str(), pDecoder);
    };
    if (m_services.bLoadInBackground) {
        try {
            m_pendingPicture = std::async(std::launch::async, load);
            return;
        } catch (const std::system_error&) {
            // No thread to be had: the picture is read here instead.
        }
    }
    std::promise<LoadedPicture> loaded;
    loaded.set_value(load());
    m_pendingPicture = loaded.get_future();
}

bool FadeShow::FinishPicture() {
    if (m_pendingPicture.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return false;
    }
    LoadedPicture loaded = m_pendingPicture.get();
    return ComposePicture(m_loadingEntry, loaded);
}

bool FadeShow::ComposePicture(const PictureEntry& entry, LoadedPicture& loaded) {
    // A file found in a folder fails quietly, as a missing one does: nobody asked for it by
    // name. A named file's messages are told once a run.
    const bool bTold =
        entry.bFromFolder || (!loaded.messages.empty() && m_services.toldFiles != nullptr &&
                              !m_services.toldFiles->insert(entry.path).second);
    for (const PictureMessage& message : loaded.messages) {
        if (m_services.messages != nullptr && !bTold) {
            m_services.messages->ShowMessage(message.title, message.text);
        }
    }
    if (!loaded.Loaded()) {
        return false;
    }
    DibSurface& picture = loaded.surface;
    DibSurface& scene = SceneToOverwrite();
    Own(SURFACE_CAPTURE).CopyPixelsTo(scene);
    const int W = scene.GetWidth(), H = scene.GetHeight();
    const int w = picture.GetWidth(), h = picture.GetHeight();
    switch (m_view.PicturePlacement()) {
        case PLACE_RANDOM_POSITION: {
            const int rY = static_cast<int>(m_random.Uniform(0, static_cast<uint32_t>(H - 1)));
            const int rX = static_cast<int>(m_random.Uniform(0, static_cast<uint32_t>(W - 1)));
            picture.DrawTo(*scene.MemDC(), rX - w / 2, rY - h / 2);
            break;
        }
        case PLACE_CENTER:
            picture.DrawTo(*scene.MemDC(), (W - w) / 2, (H - h) / 2);
            break;
        case PLACE_TILE:
            picture.TileInto(scene);
            break;
        case PLACE_STRETCH:
            picture.StretchDrawTo(*scene.MemDC(), 0, 0, W, H, true, true);
            break;
        default:
            break;  // no placement: the scene is the captured screen
    }
    return true;
}

void FadeShow::BuildFrame(int nLevel) {
    // The scene with the captured screen blended in, made when it is shown or read.
    m_nShownLevel = nLevel;
    m_bFrameIsMix = true;
    m_bFrameSurfaceCurrent = false;
}

void FadeShow::RenderFrame(const PixelTarget& target) {
    if (!target.IsDrawable()) {
        return;
    }
    // The frame on show is always the captured screen mixed into the scene at the shown level
    // (level 0 before the first step: the captured screen itself).
    if (Own(SURFACE_CAPTURE).BlendOverTo32(Own(SURFACE_SCENE), target, m_nShownLevel)) {
        return;
    }
    DeviceContext dc(target);
    PresentFrame(dc, {0, 0, target.width, target.height});
}

void FadeShow::PresentFrame(DeviceContext& dc, const Rect& rcClient) {
    // Until the first step the frame surface holds the desktop picture, which the first scene
    // may still need; the frame on show is the captured screen.
    DibSurface& shown = m_bStarted ? Surface(SURFACE_FRAME) : Own(SURFACE_CAPTURE);
    shown.StretchTo(dc, rcClient.left, rcClient.top, rcClient.right, rcClient.bottom, false);
}
