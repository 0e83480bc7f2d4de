#include "imaging/DesktopPictures.h"

#include "app/ProfileStore.h"

void CaptureScreen(DibSurface& surface, DesktopSource* pDesktop, int x, int y) {
    if (pDesktop == nullptr || !surface.HasBits()) {
        return;
    }
    if (auto image = pDesktop->CaptureScreen(x, y, surface.GetWidth(), surface.GetHeight())) {
        surface.DrawPlatformImage(*image);
    }
}

bool PaintDesktopInto(DibSurface& surface, DesktopSource* pDesktop) {
    if (!surface.HasBits()) {
        return false;
    }
    std::optional<PlatformImage> image;
    if (pDesktop != nullptr) {
        image = pDesktop->DesktopPicture(surface.GetWidth(), surface.GetHeight());
    }
    if (!image || !surface.DrawPlatformImage(*image)) {
        surface.MemDC()->FillSolidRect(0, 0, surface.GetWidth(), surface.GetHeight(), RGB(0, 0, 0));
    }
    return true;
}

bool LoadBitmapResource(DibSurface& surface, BitmapResources* pResources, unsigned nId,
                        bool bCreate) {
    if (pResources == nullptr) {
        return false;
    }
    const std::optional<PlatformImage> image = pResources->LoadBitmap(nId);
    if (!image || !image->IsValid()) {
        return false;
    }
    if (bCreate && !surface.Create(image->width, image->height, 24)) {
        return false;
    }
    if (!surface.HasBits()) {
        return false;
    }
    surface.FillBytes(255);
    surface.DrawPlatformImage(*image);
    return true;
}

bool ReadMmxSwitch(ProfileStore& profile) {
    return profile.GetProfileInt("Technology", "MMX", 1) == 1 && ProcessorHasMmx();
}
