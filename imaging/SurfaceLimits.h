#pragma once

#include <cstdint>

// The largest surfaces the program makes. A side of up to 32768 pixels covers any screen and
// any sensible picture; a pixel buffer of up to 1 GiB keeps one hostile file from exhausting
// memory, and keeps every byte count within an int.
constexpr int MAX_SURFACE_SIDE = 32768;
constexpr int64_t MAX_SURFACE_BYTES = int64_t{1} << 30;

// Pictures handed to the picture decoder may have at most this many pixels (8192 x 8192): a
// tiny file of such a format can declare any size, and the decoder fills it all in, so the
// limit keeps one file from costing gigabytes and many seconds.
constexpr int64_t MAX_PICTURE_PIXELS = int64_t{1} << 26;

// Whether a bitmap of this width, height (negative: top-down) and depth may be made.
bool IsSupportedSurfaceSize(int64_t width, int64_t height, int64_t bitCount);

// A picture of nPixels pixels in the picture decoder's terms, measured at nDpi screen pixels
// per inch: (dpi * HIMETRIC + 1270) / 2540, the HIMETRIC size taken at 96 pixels per inch.
// 0 when the result is not a usable size.
int PictureSizeAtDpi(int64_t nPixels, int nDpi);
