#include <gtest/gtest.h>

#include <vector>

#include "ImagingTestUtil.h"
#include "imaging/DibSurface.h"

namespace {

using namespace testutil;

constexpr COLORREF kBackground = RGB(17, 17, 17);

DibSurface Surface(int w, int h, const std::function<COLORREF(int, int)>& color) {
    DibSurface s = DibSurface::Make(w, h, 24).value();
    Fill(s, color);
    return s;
}

TEST(DrawTo, NaturalSizeClippedAtEveryEdge) {
    const int at[][2] = {{3, 2}, {-2, 0}, {0, -2}, {8, 3}, {3, 6},       {-3, -2},
                         {7, 6}, {-4, 0}, {10, 0}, {0, 8}, {-100000, 5}, {2147483000, 0}};
    for (auto [x, y] : at) {
        DibSurface picture = Surface(4, 3, Coded),
                   target = Surface(10, 8, [](int, int) { return kBackground; });
        picture.DrawTo(*target.MemDC(), x, y);
        for (int ty = 0; ty < 8; ++ty) {
            for (int tx = 0; tx < 10; ++tx) {
                const bool inside = tx >= x && tx < x + 4 && ty >= y && ty < y + 3;
                ASSERT_EQ(Get(target, tx, ty), inside ? Coded(tx - x, ty - y) : kBackground)
                    << "at (" << x << ", " << y << "), pixel (" << tx << ", " << ty << ")";
            }
        }
    }
}

TEST(Stretch, NearestNeighbourTakesThePixelUnderEachCentreAndKeepsProportions) {
    const std::vector<int> columns[] = {{0, 0, 1, 1}, {0, 0, 1, 1, 1, 2, 2}, {1, 3, 5}, {5}};
    const int sourceWidths[] = {2, 3, 6, 10};
    for (int i = 0; i < 4; ++i) {
        const auto n = static_cast<int>(columns[i].size());
        const int sw = sourceWidths[i];
        // Across a row, and the same down a column (whose rows are stored bottom-up).
        for (bool down : {false, true}) {
            DibSurface picture = down ? Surface(1, sw, Coded) : Surface(sw, 1, Coded);
            DibSurface target =
                (down ? DibSurface::Make(1, n, 24) : DibSurface::Make(n, 1, 24)).value();
            picture.StretchDrawTo(*target.MemDC(), 0, 0, target.GetWidth(), target.GetHeight(),
                                  false, false);
            for (int k = 0; k < n; ++k) {
                const COLORREF c = down ? Get(target, 0, k) : Get(target, k, 0);
                EXPECT_EQ(down ? GetGValue(c) : GetRValue(c), columns[i][k])
                    << sw << "->" << n << (down ? " down" : " across");
            }
        }
    }
    // Width, height, keep proportions, centre: where a red picture lands on 1024 x 768.
    const std::tuple<int, int, bool, bool, Box> boxes[] = {
        {1600, 1200, true, true, {0, 0, 1024, 768}}, {300, 400, true, false, {0, 0, 576, 768}}};
    for (auto [w, h, keep, centre, box] : boxes) {
        DibSurface picture = Surface(w, h, [](int, int) { return RGB(255, 0, 0); });
        DibSurface target = DibSurface::Make(1024, 768, 24).value();
        picture.StretchDrawTo(*target.MemDC(), 0, 0, 1024, 768, keep, centre);
        EXPECT_EQ(BoundingBox(target, RGB(255, 0, 0)), box) << w << "x" << h;
    }
}

TEST(StretchTo, UnscaledIntoThirtyTwoBitsConvertsEveryWidthExactly) {
    // The vectorised row conversion has to end exactly at every width and clip position.
    for (int w = 1; w <= 40; ++w) {
        DibSurface frame = Surface(w, 2, Coded);
        for (int x : {0, 3, -2}) {
            WindowImage image(w + 3, 2, w + 4, 0x5A);
            DeviceContext window(image.target);
            // Wholly left of the image nothing is drawn, and the transfer says so.
            ASSERT_EQ(frame.StretchTo(window, x, 0, x + w, 2, false), x + w > 0);
            for (int y = 0; y < 2; ++y) {
                for (int tx = 0; tx < w + 4; ++tx) {
                    const bool drawn = tx >= x && tx < x + w && tx < w + 3;
                    ASSERT_EQ(image.Pixel(tx, y)[3], drawn ? 0xFF : 0x5A) << w << " at " << x;
                    if (drawn) {
                        ASSERT_EQ(image.At(tx, y), Coded(tx - x, y)) << w << " at " << x;
                    }
                }
            }
        }
    }
}

TEST(TileInto, RepeatsFromTheTopLeftCornerAndCutsAtTheEdges) {
    DibSurface tile = Surface(100, 100, Coded),
               target = Surface(250, 200, [](int, int) { return kBackground; });
    ASSERT_TRUE(tile.TileInto(target));
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 250; ++x) {
            ASSERT_EQ(Get(target, x, y), Coded(x % 100, y % 100)) << x << ", " << y;
        }
    }
}

TEST(FillGradation, BlackToWhiteOn768RowsInSinglePrecision) {
    DibSurface s = DibSurface::Make(5, 768, 24).value();
    ASSERT_TRUE(s.FillGradation(RGB(0, 0, 0), RGB(255, 255, 255), GRADATION_TOP_TO_BOTTOM));
    EXPECT_EQ(Get(s, 4, 384), RGB(127, 127, 127));
    EXPECT_EQ(Get(s, 2, 767), RGB(254, 254, 254));
    // Whole rows of one grey, never decreasing, each within one step of the ideal.
    for (int y = 0, previous = 0; y < 768; ++y) {
        const uint8_t v = GetRValue(Get(s, 0, y));
        ASSERT_EQ(Get(s, 4, y), RGB(v, v, v)) << "row " << y;
        ASSERT_TRUE(v >= previous && std::abs(v - y * 255 / 768) <= 1) << "row " << y;
        previous = v;
    }
}

}  // namespace
