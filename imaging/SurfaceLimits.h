#pragma once

#include <cstddef>
#include <cstdint>

// The largest surfaces the program makes. A side of up to 32768 pixels covers any screen and
// any sensible picture; a pixel buffer of up to 1 GiB keeps one hostile file from exhausting
// memory, and keeps every byte count within an int.
constexpr int MAX_SURFACE_SIDE = 32768;
constexpr int64_t MAX_SURFACE_BYTES = int64_t{1} << 30;

// Picture files may have at most this many pixels (8192 x 8192, more than any camera's usual
// picture): a file of a few hundred bytes can declare any size, and the decoder fills it all
// in, so the limit keeps one file from costing gigabytes and many seconds. Larger pictures are
// refused before anything is allocated, quietly, as an unreadable file is.
constexpr int64_t MAX_PICTURE_PIXELS = int64_t{1} << 26;

// What libjpeg may allocate besides the picture's surface: a progressive file's coefficients
// (128 bytes per 8 x 8 block of each component, at most 6 bytes a pixel) and this much for
// rows and tables.
constexpr int64_t MAX_JPEG_WORKING_EXTRA_BYTES = int64_t{32} << 20;

// A folder in the picture list stands for at most this many of its pictures: far more than
// anyone keeps in one folder, and the list of their names stays within a few megabytes.
constexpr size_t MAX_FOLDER_PICTURES = 100000;

// Whether a bitmap of this width, height (negative: top-down) and depth may be made.
bool IsSupportedSurfaceSize(int64_t width, int64_t height, int64_t bitCount);

// A picture of nPixels pixels in the picture decoder's terms, measured at nDpi screen pixels
// per inch: (dpi * HIMETRIC + 1270) / 2540, the HIMETRIC size taken at 96 pixels per inch.
// 0 when the result is not a usable size.
int PictureSizeAtDpi(int64_t nPixels, int nDpi);
