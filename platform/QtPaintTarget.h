#pragma once

#include <QImage>

#include "imaging/DeviceContext.h"

// A window-sized paint image in the program's own pixel memory (huge pages where possible),
// black. A null image when memory runs out.
inline QImage MakePaintImage(QSize size) {
    if (size.isEmpty()) {
        return {};
    }
    const qsizetype stride = qsizetype{size.width()} * 4;
    PixelBuffer buffer = AllocatePixels(static_cast<size_t>(stride) * size.height());
    if (!buffer) {
        return {};
    }
    uint8_t* bits = buffer.get();
    auto* owner = new PixelBuffer(std::move(buffer));
    QImage image(
        bits, size.width(), size.height(), stride, QImage::Format_RGB32,
        [](void* p) { delete static_cast<PixelBuffer*>(p); }, owner);
    image.fill(Qt::black);
    return image;
}

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
