#pragma once
// Photos for the turn and crop tests, made at run time without Qt: a picture
// with structure everywhere (so a misplaced block shows), coded at any
// chroma subsampling, grey or CMYK, baseline or progressive, with an EXIF
// block; and the same pictures turned and cropped pixel by pixel, to compare
// with what the lossless transform made.

#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace orlavo::test {

struct Pixels {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<unsigned char> data;

    unsigned char* at(int x, int y) {
        return &data[(std::size_t(y) * width + x) * std::size_t(channels)];
    }
    const unsigned char* at(int x, int y) const {
        return &data[(std::size_t(y) * width + x) * std::size_t(channels)];
    }
};

// Smooth gradients with a coarse checker on top: every 16-pixel block differs.
inline Pixels Pattern(int width, int height, int channels = 3) {
    Pixels p{width, height, channels,
             std::vector<unsigned char>(std::size_t(width) * height * channels)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool check = ((x / 24) + (y / 24)) % 2 == 0;
            unsigned char* px = p.at(x, y);
            for (int c = 0; c < channels; ++c)
                px[c] = static_cast<unsigned char>((c == 0   ? x * 255 / width
                                                    : c == 1 ? y * 255 / height
                                                             : (x + y) % 256) /
                                                       2 +
                                                   (check ? 100 : 20));
        }
    return p;
}

inline int PixelFormat(int channels) {
    return channels == 1 ? TJPF_GRAY : channels == 4 ? TJPF_CMYK : TJPF_RGB;
}

inline std::string Encode(const Pixels& p, int subsamp, bool progressive = false) {
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(h, p.data.data(), p.width, 0, p.height, PixelFormat(p.channels),
                               &out, &size, subsamp, 95, progressive ? TJFLAG_PROGRESSIVE : 0);
    std::string jpeg = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

// Decoded with CHANNELS (3 RGB, 1 grey, 4 CMYK); empty when it cannot be.
inline Pixels Decode(const std::string& jpeg, int channels = 3) {
    tjhandle h = tjInitDecompress();
    int w = 0, hh = 0, ss = 0, cs = 0;
    Pixels p;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    if (tjDecompressHeader3(h, data, jpeg.size(), &w, &hh, &ss, &cs) == 0) {
        p = {w, hh, channels, std::vector<unsigned char>(std::size_t(w) * hh * channels)};
        if (tjDecompress2(h, data, jpeg.size(), p.data.data(), w, 0, hh, PixelFormat(channels),
                          0) != 0 &&
            tjGetErrorCode(h) != TJERR_WARNING)
            p = {};
    }
    tjDestroy(h);
    return p;
}

// P mirrored left to right when FLIP, then turned QUARTERS times clockwise.
inline Pixels Turned(const Pixels& p, bool flip, int quarters) {
    Pixels cur = p;
    if (flip) {
        Pixels m = cur;
        for (int y = 0; y < cur.height; ++y)
            for (int x = 0; x < cur.width; ++x)
                std::copy_n(cur.at(cur.width - 1 - x, y), cur.channels, m.at(x, y));
        cur = m;
    }
    for (int q = 0; q < ((quarters % 4) + 4) % 4; ++q) {
        Pixels r{cur.height, cur.width, cur.channels, cur.data};
        for (int y = 0; y < cur.height; ++y)
            for (int x = 0; x < cur.width; ++x)
                std::copy_n(cur.at(x, y), cur.channels, r.at(cur.height - 1 - y, x));
        cur = std::move(r);
    }
    return cur;
}

inline Pixels Cropped(const Pixels& p, int x0, int y0, int w, int h) {
    Pixels c{w, h, p.channels, std::vector<unsigned char>(std::size_t(w) * h * p.channels)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::copy_n(p.at(x0 + x, y0 + y), p.channels, c.at(x, y));
    return c;
}

// Mean absolute difference per sample; a large number when the sizes differ.
inline double MeanDifference(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels || a.data.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.data.size(); ++i)
        sum += std::abs(int(a.data[i]) - int(b.data[i]));
    return sum / double(a.data.size());
}

// An APP1 EXIF block: IFD0 with the orientation and a pointer to an EXIF IFD
// that holds the pixel size (a LONG width, a SHORT height) and a make tag
// that must survive. Little-endian, or big-endian when BIG.
struct ExifLayout {
    std::size_t orientationValue;  // offsets of the values within the segment
    std::size_t widthValue;
    std::size_t heightValue;
};

inline std::string ExifBlock(int orientation, int width, int height, bool big,
                             ExifLayout* layout = nullptr) {
    std::string t;
    auto u16 = [&](unsigned v) {
        if (big) {
            t += char(v >> 8);
            t += char(v & 0xFF);
        } else {
            t += char(v & 0xFF);
            t += char(v >> 8);
        }
    };
    auto u32 = [&](std::uint32_t v) {
        if (big) {
            u16(v >> 16);
            u16(v & 0xFFFF);
        } else {
            u16(v & 0xFFFF);
            u16(v >> 16);
        }
    };
    const std::size_t head = 4 + 6;  // marker, length, "Exif\0\0"
    t += big ? "MM" : "II";
    u16(42);
    u32(8);
    // IFD0: orientation, EXIF IFD pointer.
    u16(2);
    u16(0x0112);
    u16(3);
    u32(1);
    const std::size_t orientationAt = head + t.size();
    u16(unsigned(orientation));
    u16(0);
    const std::uint32_t exifIfd = 8 + 2 + 2 * 12 + 4;
    u16(0x8769);
    u16(4);
    u32(1);
    u32(exifIfd);
    u32(0);
    // EXIF IFD: width (LONG), height (SHORT), a user comment length marker.
    u16(3);
    u16(0xA002);
    u16(4);
    u32(1);
    const std::size_t widthAt = head + t.size();
    u32(std::uint32_t(width));
    u16(0xA003);
    u16(3);
    u32(1);
    const std::size_t heightAt = head + t.size();
    u16(unsigned(height));
    u16(0);
    u16(0x9000);  // ExifVersion, 4 bytes inline
    u16(7);
    u32(4);
    t += "0232";
    u32(0);
    if (layout)
        *layout = {orientationAt, widthAt, heightAt};
    const std::string payload = std::string("Exif\0\0", 6) + t;
    const std::size_t len = payload.size() + 2;
    return std::string("\xFF\xE1", 2) + char(len >> 8) + char(len & 0xFF) + payload;
}

inline std::string WithBlock(const std::string& jpeg, const std::string& block) {
    return jpeg.substr(0, 2) + block + jpeg.substr(2);
}

}  // namespace orlavo::test
