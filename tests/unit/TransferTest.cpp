#include <gtest/gtest.h>

#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"

namespace {

using namespace testutil;

constexpr COLORREF kBackground = RGB(17, 17, 17);

// Draws a coded 4 x 3 picture at (x, y) on a 10 x 8 target and checks every target pixel.
void CheckDrawAt(int x, int y) {
    DibSurface picture(4, 3, 24), target(10, 8, 24);
    FillCoded(picture);
    Fill(target, kBackground);
    picture.DrawTo(*target.MemDC(), x, y);
    for (int ty = 0; ty < 8; ++ty) {
        for (int tx = 0; tx < 10; ++tx) {
            const int px = tx - x, py = ty - y;
            const bool inside = px >= 0 && px < 4 && py >= 0 && py < 3;
            ASSERT_EQ(Get(target, tx, ty), inside ? Coded(px, py) : kBackground)
                << "draw at (" << x << ", " << y << "), pixel (" << tx << ", " << ty << ")";
        }
    }
}

TEST(DrawTo, NaturalSizeClippedAtEveryEdge) {
    const int at[][2] = {{3, 2}, {0, 0},  {-2, 0}, {0, -2}, {8, 3},       {3, 6},         {-3, -2},
                         {7, 6}, {-4, 0}, {10, 0}, {0, 8},  {-100000, 5}, {2147483000, 0}};
    for (auto [x, y] : at) {
        CheckDrawAt(x, y);
    }
}

// Source columns chosen for each destination column when a 1-row picture is stretched.
std::vector<int> SampledColumns(int sw, int dw) {
    DibSurface picture(sw, 1, 24), target(dw, 1, 24);
    FillCoded(picture);
    picture.StretchDrawTo(*target.MemDC(), 0, 0, dw, 1, false, false);
    std::vector<int> cols;
    for (int x = 0; x < dw; ++x) {
        cols.push_back(GetRValue(Get(target, x, 0)));
    }
    return cols;
}

TEST(Stretch, NearestNeighbourTakesThePixelUnderEachCentre) {
    EXPECT_EQ(SampledColumns(2, 4), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(SampledColumns(3, 7), (std::vector<int>{0, 0, 1, 1, 1, 2, 2}));
    EXPECT_EQ(SampledColumns(6, 3), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(SampledColumns(5, 3), (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(SampledColumns(4, 4), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(SampledColumns(10, 1), (std::vector<int>{5}));
}

Box DrawnBox(int w, int h, int W, int H, bool keep, bool center) {
    DibSurface picture(w, h, 24), target(W, H, 24);
    Fill(picture, RGB(255, 0, 0));
    Fill(target, RGB(0, 0, 255));
    picture.StretchDrawTo(*target.MemDC(), 0, 0, W, H, keep, center);
    return BoundingBox(target, RGB(255, 0, 0));
}

TEST(StretchDrawTo, ProportionalAndCentredGeometry) {
    EXPECT_EQ(DrawnBox(1600, 1200, 1024, 768, true, true), (Box{0, 0, 1024, 768}));
    EXPECT_EQ(DrawnBox(300, 400, 1024, 768, true, true), (Box{224, 0, 800, 768}));
    EXPECT_EQ(DrawnBox(500, 500, 1024, 768, true, true), (Box{128, 0, 896, 768}));
    EXPECT_EQ(DrawnBox(400, 300, 1024, 768, true, true), (Box{0, 0, 1024, 768}));
    EXPECT_EQ(DrawnBox(300, 400, 1024, 768, true, false), (Box{0, 0, 576, 768}));
    EXPECT_EQ(DrawnBox(300, 400, 1024, 768, false, false), (Box{0, 0, 1024, 768}));
    EXPECT_EQ(DrawnBox(10, 10, 40, 20, false, true), (Box{0, 0, 40, 20}));
}

TEST(StretchTo, UnscaledIntoThirtyTwoBitsConvertsEveryWidthExactly) {
    // The vectorised row conversion has to end exactly at every width and clip position.
    for (int w = 1; w <= 40; ++w) {
        DibSurface frame(w, 2, 24);
        FillCoded(frame);
        std::vector<uint8_t> image(static_cast<size_t>(w + 4) * 2 * 4, 0x5A);
        PixelTarget target;
        target.bits = image.data();
        target.width = w + 3;
        target.height = 2;
        target.stride = (w + 4) * 4;
        target.bitCount = 32;
        target.bottomUp = false;
        DeviceContext window(target);
        for (int x : {0, 3, -2}) {
            std::fill(image.begin(), image.end(), 0x5A);
            // Wholly left of the image nothing is drawn, and the transfer says so.
            ASSERT_EQ(frame.StretchTo(window, x, 0, x + w, 2, false), x + w > 0);
            for (int y = 0; y < 2; ++y) {
                for (int tx = 0; tx < w + 4; ++tx) {
                    const uint8_t* p = image.data() + y * target.stride + tx * 4;
                    const int sx = tx - x;
                    if (sx >= 0 && sx < w && tx < w + 3) {
                        ASSERT_EQ(RGB(p[2], p[1], p[0]), Coded(sx, y)) << w << " " << x;
                        ASSERT_EQ(p[3], 0xFF);
                    } else {
                        ASSERT_EQ(p[0], 0x5A) << "width " << w << ", at " << x << ", pixel " << tx;
                    }
                }
            }
        }
    }
}

TEST(TileInto, RepeatsFromTheTopLeftCornerAndCutsAtTheEdges) {
    DibSurface tile(100, 100, 24), target(250, 200, 24);
    FillCoded(tile);
    Fill(target, kBackground);
    ASSERT_TRUE(tile.TileInto(target));
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 250; ++x) {
            ASSERT_EQ(Get(target, x, y), Coded(x % 100, y % 100)) << x << ", " << y;
        }
    }
}

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

}  // namespace
