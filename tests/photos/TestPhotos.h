#pragma once
// JPEG files for the photo tests, made at run time: pictures whose corners
// have four colours (to see turns), EXIF blocks in either byte order with an
// orientation and a thumbnail, and files written into a test folder.

#include <turbojpeg.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace orlavo::test {

// Top-left red, top-right green, bottom-left blue, bottom-right yellow.
inline QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const int w2 = width / 2, h2 = height / 2;
    p.fillRect(0, 0, w2, h2, Qt::red);
    p.fillRect(w2, 0, width - w2, h2, Qt::green);
    p.fillRect(0, h2, w2, height - h2, Qt::blue);
    p.fillRect(w2, h2, width - w2, height - h2, Qt::yellow);
    return image;
}

inline QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline std::string EncodeJpeg(const QImage& picture, int quality = 92, bool progressive = false,
                              int subsampling = TJSAMP_420) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(h, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()),
                               rgb.height(), TJPF_RGB, &out, &size, subsampling, quality,
                               progressive ? TJFLAG_PROGRESSIVE : 0);
    std::string jpeg = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

// JPEG whose frame header says WIDTH x HEIGHT, whatever its data holds.
inline std::string WithFrameSize(std::string jpeg, int width, int height) {
    for (std::size_t at = 2; at + 9 < jpeg.size();) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[at + 5] = char(height >> 8);
            jpeg[at + 6] = char(height & 0xFF);
            jpeg[at + 7] = char(width >> 8);
            jpeg[at + 8] = char(width & 0xFF);
            break;
        }
        at += 2 + ((std::size_t(std::uint8_t(jpeg[at + 2])) << 8) | std::uint8_t(jpeg[at + 3]));
    }
    return jpeg;
}

// A few kilobytes of progressive JPEG whose frame declares SIDE x SIDE at
// full colour resolution: decoding it whole takes SIDE x SIDE x 6 bytes.
inline std::string ProgressiveBomb(int side) {
    return WithFrameSize(EncodeJpeg(Quadrants(64, 64), 80, true, TJSAMP_444), side, side);
}

// The first half of JPEG with an end marker put after it.
inline std::string CutWithEndMarker(const std::string& jpeg) {
    return jpeg.substr(0, jpeg.size() / 2) + "\xFF\xD9";
}

// At PATH, a file of SIZE bytes: the head of JPEG up to its first scan's
// data, then zeros (a hole, taking no disk), then an end marker.
inline std::string WriteSparseJpeg(const std::string& path, const std::string& jpeg,
                                   std::uint64_t size) {
    std::size_t at = 2;
    while (at + 4 < jpeg.size()) {
        const std::size_t length =
            (std::size_t(std::uint8_t(jpeg[at + 2])) << 8) | std::uint8_t(jpeg[at + 3]);
        const bool scan = std::uint8_t(jpeg[at + 1]) == 0xDA;
        at += 2 + length;
        if (scan)
            break;
    }
    {
        std::ofstream out(path, std::ios::binary);
        out.write(jpeg.data(), std::streamsize(at));
    }
    std::filesystem::resize_file(path, size - 2);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write("\xFF\xD9", 2);
    return path;
}

// An APP1 "Exif" segment: IFD0 with the orientation (none when 0), IFD1
// pointing at THUMBNAIL (none when empty).
inline std::string ExifSegment(bool bigEndian, int orientation, const std::string& thumbnail) {
    std::string t;
    auto u16 = [&](unsigned v) {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        t += bigEndian ? std::string{b[1], b[0]} : std::string{b[0], b[1]};
    };
    auto u32 = [&](std::uint32_t v) {
        if (bigEndian) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        if (type == 3) {  // a SHORT sits in the first two bytes
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    };
    t += bigEndian ? "MM" : "II";
    u16(42);
    u32(8);
    const unsigned n0 = orientation > 0 ? 1 : 0;
    const std::uint32_t ifd1 = 8 + 2 + 12 * n0 + 4;
    u16(n0);
    if (orientation > 0)
        entry(0x0112, 3, 1, std::uint32_t(orientation));
    u32(thumbnail.empty() ? 0 : ifd1);
    if (!thumbnail.empty()) {
        u16(2);
        entry(0x0201, 4, 1, ifd1 + 2 + 2 * 12 + 4);
        entry(0x0202, 4, 1, std::uint32_t(thumbnail.size()));
        u32(0);
        t += thumbnail;
    }
    const std::string payload = std::string("Exif\0\0", 6) + t;
    const std::size_t len = payload.size() + 2;
    return std::string("\xFF\xE1", 2) + char(len >> 8) + char(len & 0xFF) + payload;
}

// JPEG with SEGMENT right after its start marker.
inline std::string WithSegment(const std::string& jpeg, const std::string& segment) {
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

inline std::string WithExif(const std::string& jpeg, int orientation,
                            const std::string& thumbnail = {}, bool bigEndian = false) {
    return WithSegment(jpeg, ExifSegment(bigEndian, orientation, thumbnail));
}

// The colour at (X, Y) in logical pixels of a thumbnail made at any ratio.
inline QColor ColourAt(const QImage& image, double x, double y) {
    const double r = image.devicePixelRatio();
    return image.pixelColor(int(x * r), int(y * r));
}

// Close enough to COLOUR after JPEG coding.
inline bool Near(QColor a, QColor b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace orlavo::test
