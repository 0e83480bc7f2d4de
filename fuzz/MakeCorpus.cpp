// Writes the seed corpus of the fuzz targets: small pictures in every layout the loaders know.
// Usage: make_corpus OUTPUT_FOLDER (subfolders bmp/, jpeg/ and picture/ are made).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "Fixtures.h"

namespace {

void Save(const std::filesystem::path& path, const fixtures::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

fixtures::Bytes QtEncoded(const char* format) {
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            image.setPixel(x, y, qRgba(x * 30, y * 50, 90, (x + y) % 3 == 0 ? 0 : 255));
        }
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return fixtures::Bytes(data.begin(), data.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_corpus OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const char* sub : {"bmp", "jpeg", "picture"}) {
        std::filesystem::create_directories(root / sub);
    }

    int n = 0;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (uint32_t header : {12u, 40u, 124u}) {
            if (header == 12 && (bpp == 16 || bpp == 32)) {
                continue;
            }
            fixtures::BmpOptions o;
            o.width = 5;
            o.height = 3;
            o.bitCount = bpp;
            o.headerSize = header;
            o.topDown = header == 124;
            Save(root / "bmp" / ("seed" + std::to_string(n++) + ".bmp"), fixtures::MakeBmp(o));
        }
    }
    for (int bpp : {16, 32}) {
        fixtures::BmpOptions o;
        o.bitCount = bpp;
        o.compression = BI_BITFIELDS;
        o.masks[0] = bpp == 16 ? 0xF800 : 0xFF0000;
        o.masks[1] = bpp == 16 ? 0x07E0 : 0x00FF00;
        o.masks[2] = bpp == 16 ? 0x001F : 0x0000FF;
        Save(root / "bmp" / ("seed" + std::to_string(n++) + ".bmp"), fixtures::MakeBmp(o));
    }
    fixtures::BmpOptions shortPalette;
    shortPalette.bitCount = 8;
    shortPalette.paletteEntries = 5;
    Save(root / "bmp" / "short-palette.bmp", fixtures::MakeBmp(shortPalette));
    Save(root / "bmp" / "rle8.bmp",
         fixtures::MakeRleBmp(6, 3, 8, {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 2, 1, 0, 2, 2, 0, 0, 1}));
    Save(root / "bmp" / "rle4.bmp",
         fixtures::MakeRleBmp(6, 1, 4, {3, 0x12, 0, 3, 0x34, 0x50, 0, 1}));

    fixtures::JpegOptions baseline;
    baseline.width = 19;
    baseline.height = 11;
    Save(root / "jpeg" / "baseline.jpg", fixtures::MakeJpeg(baseline));
    fixtures::JpegOptions progressive = baseline;
    progressive.progressive = true;
    Save(root / "jpeg" / "progressive.jpg", fixtures::MakeJpeg(progressive));
    fixtures::JpegOptions grey = baseline;
    grey.greyscale = true;
    Save(root / "jpeg" / "grey.jpg", fixtures::MakeJpeg(grey));
    fixtures::JpegOptions cmyk = baseline;
    cmyk.cmyk = true;
    Save(root / "jpeg" / "cmyk.jpg", fixtures::MakeJpeg(cmyk));
    fixtures::Bytes cut = fixtures::MakeJpeg(progressive);
    cut.resize(cut.size() / 2);
    Save(root / "jpeg" / "cut.jpg", cut);

    fixtures::GifFrame a, b;
    a.indices = {0, 1, 2, 3, 1, 2};
    a.transparentIndex = 3;
    b.indices = {3, 3, 3, 3, 3, 3};
    Save(root / "picture" / "still.gif",
         fixtures::MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF}, {a}));
    Save(root / "picture" / "anim.gif",
         fixtures::MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0}, {a, b}));
    for (const char* format : {"PNG", "BMP", "PPM", "XPM", "ICO", "TIFF", "WEBP", "TGA"}) {
        const fixtures::Bytes bytes = QtEncoded(format);
        if (!bytes.empty()) {
            Save(root / "picture" / (std::string("seed.") + format), bytes);
        }
    }
    Save(root / "picture" / "photo.jpeg", fixtures::MakeJpeg(baseline));
    return 0;
}
