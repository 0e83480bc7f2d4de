#pragma once

#include <QImage>

#include "DeviceContext.h"

// A device context that draws into a Qt image (top-down, 32-bit), the window's paint target:
// the image is then put on the window with QPainter at its own size, without smoothing.
inline PixelTarget PixelTargetFor(QImage& image) {
    PixelTarget target;
    if (image.format() != QImage::Format_RGB32 || image.isNull()) {
        return target;
    }
    target.bits = image.bits();
    target.width = image.width();
    target.height = image.height();
    target.stride = static_cast<int>(image.bytesPerLine());
    target.bitCount = 32;
    target.bottomUp = false;
    return target;
}
