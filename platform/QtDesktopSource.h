#pragma once

#include "imaging/ImagingPlatform.h"

// The desktop as Qt and the X server show it: the primary screen grabbed through Qt, and the
// wallpaper that X wallpaper setters publish on the root window (_XROOTPMAP_ID).
class QtDesktopSource : public DesktopSource {
public:
    std::optional<PlatformImage> CaptureScreen(int x, int y, int width, int height) override;
    std::optional<PlatformImage> DesktopPicture(int width, int height) override;

    // From now on the screen is this picture instead of a grab: a screen-saver host has already
    // covered the real screen and left its own screenshot of it.
    void UseScreenshot(PlatformImage screenshot) { m_screenshot = std::move(screenshot); }

private:
    std::optional<PlatformImage> m_screenshot;
};

// Embedded pictures from the program's Qt resources, ":/bitmaps/<id>" in any format Qt reads.
class QtBitmapResources : public BitmapResources {
public:
    std::optional<PlatformImage> LoadBitmap(unsigned id) override;
};

class QImage;
// A Qt image as the imaging code takes it: opaque, or with its alpha kept (non-premultiplied).
// Nothing for a null image or one larger than any surface.
std::optional<PlatformImage> PlatformImageFromQImage(const QImage& image, bool bKeepAlpha = false);
