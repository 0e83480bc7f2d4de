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
    for (auto [x, y] : {std::pair{3, 2},
                        {0, 0},
                        {-2, 0},
                        {0, -2},
                        {8, 3},
                        {3, 6},
                        {-3, -2},
                        {7, 6},
                        {-4, 0},
                        {10, 0},
                        {0, 8},
                        {-100000, 5},
                        {2147483000, 0}}) {
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

TEST(StretchTo, ScalesAScreenFrameIntoATopDownWindowImage) {
    DibSurface frame(64, 48, 24);
    FillCoded(frame);
    std::vector<uint8_t> image(16 * 12 * 4, 0);
    PixelTarget target;
    target.bits = image.data();
    target.width = 16;
    target.height = 12;
    target.stride = 64;
    target.bitCount = 32;
    target.bottomUp = false;
    DeviceContext window(target);
    ASSERT_TRUE(frame.StretchTo(window, 0, 0, 16, 12, false));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint8_t* p = image.data() + y * 64 + x * 4;
            const int sx = (2 * x + 1) * 64 / 32, sy = (2 * y + 1) * 48 / 24;
            ASSERT_EQ(RGB(p[2], p[1], p[0]), Coded(sx, sy)) << x << ", " << y;
            ASSERT_EQ(p[3], 0xFF);
        }
    }
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

    DibSurface brick(300, 200, 24), screen(1024, 768, 24);
    FillCoded(brick);
    brick.TileInto(screen);
    EXPECT_EQ(Get(screen, 900, 600), Coded(0, 0));
    EXPECT_EQ(Get(screen, 1023, 767), Coded(123, 167));
    EXPECT_EQ(Get(screen, 299, 199), Coded(299 % 256, 199));

    DibSurface dot(1, 1, 24), small(7, 5, 24);
    Fill(dot, RGB(1, 2, 3));
    dot.TileInto(small);
    EXPECT_EQ(Count(small, RGB(1, 2, 3)), 35);
}

// Draws hand-made pixel rows of one depth and returns what lands on a 24-bit target.
std::vector<COLORREF> DrawRaw(int bitCount, int width, std::vector<uint8_t> bits,
                              uint32_t compression = BI_RGB, std::vector<uint32_t> masks = {},
                              std::vector<RGBQUAD> palette = {}, int height = 1) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<uint16_t>(bitCount);
    info.bmiHeader.biCompression = compression;
    if (!masks.empty()) {
        std::memcpy(info.bmiColors, masks.data(), masks.size() * 4);
    }
    for (size_t i = 0; i < palette.size(); ++i) {
        info.bmiColors[i] = palette[i];
    }
    DibSurface target(width, std::abs(height), 24);
    target.MemDC()->StretchDIBits(0, 0, width, std::abs(height), 0, 0, width, std::abs(height),
                                  bits.data(), info);
    std::vector<COLORREF> out;
    for (int y = 0; y < std::abs(height); ++y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(Get(target, x, y));
        }
    }
    return out;
}

TEST(SourceDepths, OneFourSixteenAndThirtyTwoBitPixels) {
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0}, green{0, 200, 0, 0};
    EXPECT_EQ(DrawRaw(1, 10, {0b10110000, 0b01000000, 0, 0}, BI_RGB, {}, {black, white}),
              (std::vector<COLORREF>{0xFFFFFF, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0, 0, 0, 0xFFFFFF}));
    EXPECT_EQ(DrawRaw(4, 3, {0x21, 0x00, 0, 0}, BI_RGB, {}, {black, white, green}),
              (std::vector<COLORREF>{RGB(0, 200, 0), 0xFFFFFF, 0}));
    // 16-bit default is 5-5-5; full-scale channels widen to 255.
    EXPECT_EQ(DrawRaw(16, 2, {0x00, 0x7C, 0x1F, 0x00}),
              (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 0, 255)}));
    EXPECT_EQ(DrawRaw(16, 2, {0x10, 0x42, 0xE0, 0x03}),
              (std::vector<COLORREF>{RGB(132, 132, 132), RGB(0, 255, 0)}));
    // 5-6-5 through masks.
    EXPECT_EQ(DrawRaw(16, 2, {0xE0, 0x07, 0x00, 0xF8}, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}),
              (std::vector<COLORREF>{RGB(0, 255, 0), RGB(255, 0, 0)}));
    EXPECT_EQ(DrawRaw(32, 1, {10, 20, 30, 99}), (std::vector<COLORREF>{RGB(30, 20, 10)}));
    EXPECT_EQ(DrawRaw(32, 1, {0x11, 0x22, 0x33, 0x44}, BI_BITFIELDS,
                      {0x000000FF, 0x0000FF00, 0x00FF0000}),
              (std::vector<COLORREF>{RGB(0x11, 0x22, 0x33)}));
    // Compressed pixels are not drawn by this path.
    EXPECT_EQ(DrawRaw(8, 1, {1, 0, 0, 0}, BI_RLE8), (std::vector<COLORREF>{0}));
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
