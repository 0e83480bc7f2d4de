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

struct GifFrame {
    std::vector<uint8_t> indices;  // width * height palette indices
    int transparentIndex = -1;
};
// Writes LZW codes of a fixed 9 bits: every pixel a literal, with a clear code often enough
// that the decoder's table never grows past 9-bit codes.
class GifCodeWriter {
public:
    void Code(uint32_t code) {
        m_acc |= code << m_bits;
        m_bits += 9;
        while (m_bits >= 8) {
            m_bytes.push_back(static_cast<uint8_t>(m_acc));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    fixtures::Bytes Finish() {
        if (m_bits > 0) {
            m_bytes.push_back(static_cast<uint8_t>(m_acc));
        }
        return m_bytes;
    }

private:
    fixtures::Bytes m_bytes;
    uint32_t m_acc = 0;
    int m_bits = 0;
};

void Put16(fixtures::Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// A GIF with a global palette (up to 256 colours, as 0x00RRGGBB) and one or more frames.
fixtures::Bytes MakeGif(int width, int height, const std::vector<uint32_t>& palette,
                        const std::vector<GifFrame>& frames) {
    fixtures::Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, static_cast<uint32_t>(width));
    Put16(b, static_cast<uint32_t>(height));
    b.push_back(0xF7);  // global table of 256 entries
    b.push_back(0);
    b.push_back(0);
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
        b.push_back(static_cast<uint8_t>(c >> 16));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c));
    }
    if (frames.size() > 1) {
        // Loop forever: an animation.
        const char app[] = "NETSCAPE2.0";
        b.insert(b.end(), {0x21, 0xFF, 11});
        b.insert(b.end(), app, app + 11);
        b.insert(b.end(), {3, 1, 0, 0, 0});
    }
    for (const GifFrame& frame : frames) {
        b.insert(b.end(), {0x21, 0xF9, 4});
        b.push_back(frame.transparentIndex >= 0 ? 0x01 : 0x00);
        Put16(b, 10);  // 0.1 s
        b.push_back(static_cast<uint8_t>(frame.transparentIndex >= 0 ? frame.transparentIndex : 0));
        b.push_back(0);
        b.push_back(0x2C);
        Put16(b, 0);
        Put16(b, 0);
        Put16(b, static_cast<uint32_t>(width));
        Put16(b, static_cast<uint32_t>(height));
        b.push_back(0);
        b.push_back(8);  // LZW minimum code size
        GifCodeWriter codes;
        codes.Code(256);
        int sinceClear = 0;
        for (uint8_t index : frame.indices) {
            if (sinceClear == 254) {
                codes.Code(256);
                sinceClear = 0;
            }
            codes.Code(index);
            ++sinceClear;
        }
        codes.Code(257);
        const fixtures::Bytes data = codes.Finish();
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            b.push_back(static_cast<uint8_t>(n));
            b.insert(b.end(), data.begin() + static_cast<ptrdiff_t>(at),
                     data.begin() + static_cast<ptrdiff_t>(at + n));
        }
        b.push_back(0);
    }
    b.push_back(0x3B);
    return b;
}

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

    GifFrame a, b;
    a.indices = {0, 1, 2, 3, 1, 2};
    a.transparentIndex = 3;
    b.indices = {3, 3, 3, 3, 3, 3};
    Save(root / "picture" / "still.gif", MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF}, {a}));
    Save(root / "picture" / "anim.gif", MakeGif(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0}, {a, b}));
    for (const char* format : {"PNG", "BMP", "PPM", "XPM", "ICO", "TIFF", "WEBP", "TGA"}) {
        const fixtures::Bytes bytes = QtEncoded(format);
        if (!bytes.empty()) {
            Save(root / "picture" / (std::string("seed.") + format), bytes);
        }
    }
    Save(root / "picture" / "photo.jpeg", fixtures::MakeJpeg(baseline));
    return 0;
}
