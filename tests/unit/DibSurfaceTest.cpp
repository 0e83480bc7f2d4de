#include <gtest/gtest.h>

#include <cstring>

#include "app/MemoryProfileStore.h"
#include "imaging/DesktopPictures.h"
#include "imaging/DibSurface.h"
#include "imaging/SurfaceLimits.h"

namespace {

TEST(DibSurfaceLayout, RowsArePaddedToFourBytesAndStartBlack) {
    const int cases[][4] = {
        {3, 2, 24, 12}, {33, 1, 1, 8}, {9, 2, 4, 8}, {3, 3, 16, 8}, {7, 1, 32, 28}};
    for (const auto& c : cases) {
        DibSurface s(c[0], c[1], c[2]);
        ASSERT_TRUE(s.HasBits());
        EXPECT_EQ(s.GetRowStride(), c[3]) << c[0] << "x" << c[1] << "x" << c[2];
        EXPECT_EQ(s.GetImageSize(), c[3] * c[1]);
        for (int i = 0; i < s.GetImageSize(); ++i) {
            ASSERT_EQ(s.Bits()[i], 0);
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
        EXPECT_EQ(s.MemDC(), nullptr);
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
        // Every x86-64 processor has MMX, so the stored value alone decides here.
        EXPECT_EQ(ReadMmxSwitch(profile), c.expected != 0) << (c.stored ? c.stored : "(missing)");
    }
}

}  // namespace
