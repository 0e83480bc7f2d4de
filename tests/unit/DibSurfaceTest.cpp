#include <gtest/gtest.h>

#include <cstring>

#include "DibSurface.h"
#include "ImagingPlatform.h"
#include "MemoryProfileStore.h"
#include "SurfaceLimits.h"

namespace {

TEST(DibSurfaceLayout, StrideImageAndHeaderSizes) {
    struct Case {
        int w, h, bpp, stride, image, header;
    } cases[] = {
        {3, 2, 24, 12, 24, 40}, {640, 480, 24, 1920, 921600, 40},
        {1, 1, 1, 4, 4, 48},    {33, 1, 1, 8, 8, 48},
        {9, 2, 4, 8, 16, 104},  {5, 3, 8, 8, 24, 1064},
        {3, 3, 16, 8, 24, 40},  {7, 1, 32, 28, 28, 40},
    };
    for (const Case& c : cases) {
        DibSurface s(c.w, c.h, c.bpp);
        ASSERT_TRUE(s.HasBits()) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_EQ(s.GetRowStride(), c.stride) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_EQ(s.GetImageSize(), c.image) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_EQ(s.GetHeaderSize(), c.header) << c.w << "x" << c.h << "x" << c.bpp;
        for (int i = 0; i < s.GetImageSize(); ++i) {
            ASSERT_EQ(s.m_pBits[i], 0);
        }
    }
}

TEST(DibSurfaceCreate, RejectsBadSizesAndDepthsCleanly) {
    const int cases[][3] = {
        {0, 10, 24},        {10, 0, 24},
        {-5, 10, 24},       {10, -5, 24},
        {10, 10, 0},        {10, 10, 7},
        {10, 10, 64},       {32769, 1, 24},
        {1, 32769, 24},     {2147483647, 2147483647, 32},
        {30000, 30000, 32}, {-2147483647 - 1, 1, 24},
    };
    for (const auto& c : cases) {
        DibSurface s;
        EXPECT_FALSE(s.Create(c[0], c[1], c[2])) << c[0] << "x" << c[1] << "x" << c[2];
        EXPECT_FALSE(s.HasBits());
        EXPECT_EQ(s.m_hBitmap, nullptr);
        // Byte operations on a failed surface do nothing and never touch memory.
        s.FillBytes(1);
        s.FlipRows();
        s.SwapRedBlue();
        DibSurface other(2, 2, 24);
        EXPECT_FALSE(s.CopyPixelsTo(other));
        EXPECT_FALSE(other.CopyPixelsTo(s));
        EXPECT_GE(s.GetImageSize(), 0);
    }
    // The largest side is accepted where the byte limit allows it.
    DibSurface wide;
    EXPECT_TRUE(wide.Create(MAX_SURFACE_SIDE, 1, 24));
}

TEST(DibSurfaceCreate, ASecondCreateReplacesTheFirst) {
    DibSurface s(4, 4, 24);
    s.FillBytes(0x55);
    ASSERT_TRUE(s.Create(2, 3, 8));
    EXPECT_EQ(s.GetWidth(), 2);
    EXPECT_EQ(s.GetBitCount(), 8);
    EXPECT_EQ(s.GetImageSize(), 12);
    EXPECT_EQ(s.m_pBits[0], 0);
    s.Release();
    EXPECT_EQ(s.m_pInfo, nullptr);
    EXPECT_EQ(s.m_hMemDC, nullptr);
    EXPECT_EQ(s.m_pBits, nullptr);
    s.Release();  // twice is harmless
}

TEST(DibSurfaceBytes, FillFlipAndSwap) {
    DibSurface s(3, 3, 24);
    s.FillBytes(0x1FF);
    EXPECT_EQ(s.m_pBits[0], 0xFF);
    EXPECT_EQ(s.m_pBits[s.GetImageSize() - 1], 0xFF);

    // Rows 0 and 2 trade places; row 1 stays.
    for (int row = 0; row < 3; ++row) {
        std::memset(s.m_pBits + row * s.GetRowStride(), row + 1, s.GetRowStride());
    }
    s.FlipRows();
    EXPECT_EQ(s.m_pBits[0], 3);
    EXPECT_EQ(s.m_pBits[s.GetRowStride()], 2);
    EXPECT_EQ(s.m_pBits[2 * s.GetRowStride() + 11], 1);

    DibSurface one(4, 1, 24);
    one.m_pBits[0] = 7;
    one.FlipRows();
    EXPECT_EQ(one.m_pBits[0], 7);

    // Width 3: nine pixel bytes and three padding bytes per row; the padding is not touched.
    for (int i = 0; i < s.GetImageSize(); ++i) {
        s.m_pBits[i] = static_cast<uint8_t>(i);
    }
    s.SwapRedBlue();
    for (int row = 0; row < 3; ++row) {
        const uint8_t* p = s.m_pBits + row * 12;
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(p[3 * x], row * 12 + 3 * x + 2);
            EXPECT_EQ(p[3 * x + 1], row * 12 + 3 * x + 1);
            EXPECT_EQ(p[3 * x + 2], row * 12 + 3 * x);
        }
        EXPECT_EQ(p[9], row * 12 + 9);
        EXPECT_EQ(p[11], row * 12 + 11);
    }

    DibSurface grey(4, 2, 8);
    for (int i = 0; i < grey.GetImageSize(); ++i) {
        grey.m_pBits[i] = static_cast<uint8_t>(i);
    }
    grey.SwapRedBlue();
    EXPECT_EQ(grey.m_pBits[0], 0);
    EXPECT_EQ(grey.m_pBits[2], 2);
}

TEST(DibSurfaceCopy, CopyingConstructorTakesPixelsButNotThePalette) {
    DibSurface src(5, 2, 8);
    src.m_pInfo->bmiColors[1] = RGBQUAD{1, 2, 3, 0};
    for (int i = 0; i < src.GetImageSize(); ++i) {
        src.m_pBits[i] = static_cast<uint8_t>(i + 1);
    }
    DibSurface copy(src);
    ASSERT_TRUE(copy.HasBits());
    EXPECT_NE(copy.m_pBits, src.m_pBits);
    EXPECT_EQ(0, std::memcmp(copy.m_pBits, src.m_pBits, src.GetImageSize()));
    EXPECT_EQ(copy.m_pInfo->bmiColors[1].rgbRed, 1);
    EXPECT_EQ(copy.m_pInfo->bmiColors[1].rgbBlue, 1);

    DibSurface other(5, 3, 8);
    EXPECT_FALSE(src.CopyPixelsTo(other));
    DibSurface same(5, 2, 8);
    EXPECT_TRUE(src.CopyPixelsTo(same));
    EXPECT_EQ(same.m_pBits[9], 10);

    DibSurface empty;
    DibSurface copyOfEmpty(empty);
    EXPECT_FALSE(copyOfEmpty.HasBits());
}

TEST(DibSurfaceMmxSwitch, StoredValuesAndTheMissingEntry) {
    struct Case {
        const char* stored;  // nullptr: no entry
        int expected;
    } cases[] = {{nullptr, 1}, {"1", 1}, {"0", 0}, {"2", 0}, {"yes", 1}, {"-1", 0}};
    for (const Case& c : cases) {
        MemoryProfileStore profile;
        if (c.stored != nullptr) {
            profile.SetRaw("Technology", "MMX", c.stored);
        }
        ImagingPlatform platform;
        platform.profile = &profile;
        ScopedImagingPlatform scope(platform);
        DibSurface s;
        // Every x86-64 processor has MMX, so the stored value alone decides here.
        EXPECT_EQ(s.m_bUseMmx, c.expected) << (c.stored ? c.stored : "(missing)");
    }
}

}  // namespace
