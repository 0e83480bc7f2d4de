#include <gtest/gtest.h>

#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

namespace {

using namespace testutil;

TEST(FillGradation, BlackToWhiteOn768RowsInSinglePrecision) {
    DibSurface s(5, 768, 24);
    ASSERT_TRUE(s.FillGradation(RGB(0, 0, 0), RGB(255, 255, 255), GRADATION_TOP_TO_BOTTOM));
    EXPECT_EQ(Get(s, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(Get(s, 4, 384), RGB(127, 127, 127));
    EXPECT_EQ(Get(s, 2, 767), RGB(254, 254, 254));
    // Row by row: whole rows of one grey, never decreasing, each within one step of the ideal.
    int previous = 0;
    for (int y = 0; y < 768; ++y) {
        const COLORREF c = Get(s, 0, y);
        for (int x = 1; x < 5; ++x) {
            ASSERT_EQ(Get(s, x, y), c) << "row " << y;
        }
        ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
        const int v = GetRValue(c);
        ASSERT_GE(v, previous) << "row " << y;
        ASSERT_LE(std::abs(v - y * 255 / 768), 1) << "row " << y;
        previous = v;
    }
}

TEST(FillGradation, LeftToRightAndUnknownDirections) {
    DibSurface s(256, 2, 24);
    s.FillGradation(RGB(0, 0, 0), RGB(0, 0, 255), GRADATION_LEFT_TO_RIGHT);
    EXPECT_EQ(Get(s, 0, 1), RGB(0, 0, 0));
    EXPECT_EQ(Get(s, 100, 0), RGB(0, 0, 99));
    EXPECT_EQ(Get(s, 100, 1), RGB(0, 0, 99));
    EXPECT_EQ(Get(s, 255, 1), RGB(0, 0, 254));

    DibSurface untouched(4, 4, 24);
    untouched.FillBytes(33);
    EXPECT_TRUE(untouched.FillGradation(RGB(255, 0, 0), RGB(0, 255, 0), 2));
    EXPECT_EQ(Count(untouched, RGB(33, 33, 33)), 16);
}

TEST(ReplaceColor, EightBitSurfacesChangeTheirTableNotTheirPixels) {
    DibSurface s(2, 1, 8), target(2, 1, 24);
    s.m_pInfo->bmiColors[7] = RGBQUAD{255, 0, 255, 0};
    s.m_pInfo->bmiColors[9] = RGBQUAD{255, 0, 255, 0};
    PixelAt(s, 0, 0)[0] = 7;
    PixelAt(s, 1, 0)[0] = 3;
    s.ReplaceColor(RGB(255, 0, 255), RGB(1, 2, 3));
    EXPECT_EQ(PixelAt(s, 0, 0)[0], 7);
    EXPECT_EQ(s.m_pInfo->bmiColors[9].rgbRed, 1);
    EXPECT_EQ(s.m_pInfo->bmiColors[9].rgbBlue, 3);
    s.DrawTo(*target.m_hMemDC, 0, 0);
    EXPECT_EQ(Get(target, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(Get(target, 1, 0), RGB(3, 3, 3));
    // What the memory DC shows keeps the table the surface was created with.
    s.BlitTo(*target.m_hMemDC, 0, 0);
    EXPECT_EQ(Get(target, 0, 0), RGB(7, 7, 7));

    DibSurface sixteen(2, 1, 16);
    sixteen.FillBytes(0xFF);
    EXPECT_TRUE(sixteen.ReplaceColor(RGB(255, 255, 255), RGB(0, 0, 0)));
    EXPECT_EQ(sixteen.m_pBits[0], 0xFF);
}

class FakeResources : public BitmapResources {
public:
    std::optional<PlatformImage> LoadBitmap(unsigned id) override {
        if (id != 131) {
            return std::nullopt;
        }
        PlatformImage image = testutil::SolidImage(3, 2, 0xFF0000FF);
        image.pixels[0] = 0xFFFF0000;  // top-left red
        return image;
    }
};

TEST(LoadBitmapResource, ByIdWithOrWithoutCreating) {
    FakeResources resources;
    ImagingPlatform platform;
    platform.resources = &resources;
    ScopedImagingPlatform scope(platform);

    DibSurface s;
    ASSERT_TRUE(s.LoadBitmapResource(131, true));
    EXPECT_EQ(s.GetWidth(), 3);
    EXPECT_EQ(s.GetHeight(), 2);
    EXPECT_EQ(s.GetBitCount(), 24);
    EXPECT_EQ(Get(s, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(Get(s, 2, 1), RGB(0, 0, 255));

    // Without creating, the surface keeps its size; what the bitmap does not cover is white.
    DibSurface bigger(5, 3, 24);
    ASSERT_TRUE(bigger.LoadBitmapResource(131, false));
    EXPECT_EQ(bigger.GetWidth(), 5);
    EXPECT_EQ(Get(bigger, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(Get(bigger, 4, 2), RGB(255, 255, 255));

    DibSurface kept(2, 2, 24);
    kept.FillBytes(5);
    EXPECT_FALSE(kept.LoadBitmapResource(999, true));
    EXPECT_EQ(kept.GetWidth(), 2);
    EXPECT_EQ(Count(kept, RGB(5, 5, 5)), 4);
}

class FakeDesktop : public DesktopSource {
public:
    std::optional<PlatformImage> CaptureScreen(int x, int y, int width, int height) override {
        asked = {x, y, width, height};
        PlatformImage image = testutil::SolidImage(width, height, 0xFF336699);
        image.pixels.back() = 0xFF010203;
        return image;
    }
    std::optional<PlatformImage> DesktopPicture(int width, int height) override {
        if (!hasWallpaper) {
            return std::nullopt;
        }
        return testutil::SolidImage(width, height, 0xFF808000);
    }
    std::vector<int> asked;
    bool hasWallpaper = true;
};

TEST(DesktopPictures, CaptureAndWallpaperFillTheSurface) {
    FakeDesktop desktop;
    ImagingPlatform platform;
    platform.desktop = &desktop;
    ScopedImagingPlatform scope(platform);

    DibSurface screen(8, 6, 24);
    EXPECT_TRUE(screen.CaptureScreen(0, 0));
    EXPECT_EQ(desktop.asked, (std::vector<int>{0, 0, 8, 6}));
    EXPECT_EQ(Get(screen, 0, 0), RGB(0x33, 0x66, 0x99));
    EXPECT_EQ(Get(screen, 7, 5), RGB(1, 2, 3));

    EXPECT_TRUE(screen.PaintDesktopInto());
    EXPECT_EQ(Count(screen, RGB(0x80, 0x80, 0)), 48);

    desktop.hasWallpaper = false;
    screen.FillBytes(200);
    EXPECT_TRUE(screen.PaintDesktopInto());
    EXPECT_EQ(Count(screen, RGB(0, 0, 0)), 48);
}

}  // namespace
