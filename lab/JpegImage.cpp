#include "lab/JpegImage.h"

#include <turbojpeg.h>

#include <memory>

namespace orlavo::lab {

namespace {

struct TjDeleter {
    void operator()(void* h) const { tjDestroy(h); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

std::uint16_t Read16(const unsigned char* p, bool little) {
    return little ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                  : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t Read32(const unsigned char* p, bool little) {
    return little ? (p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24))
                  : ((static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

// Orientation from the first IFD of an "Exif" APP1 payload (after "Exif\0\0").
int OrientationFromTiff(const unsigned char* t, std::size_t n) {
    if (n < 8)
        return 1;
    bool little = t[0] == 'I' && t[1] == 'I';
    if (!little && !(t[0] == 'M' && t[1] == 'M'))
        return 1;
    // Offsets come from the file: compared by subtraction, as a sum of a
    // 32-bit offset near its top wraps and passes.
    const std::size_t ifd = Read32(t + 4, little);
    if (ifd > n || n - ifd < 2)
        return 1;
    std::uint16_t count = Read16(t + ifd, little);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + static_cast<std::size_t>(i) * 12;
        if (e > n || n - e < 12)
            return 1;
        if (Read16(t + e, little) == 0x0112) {
            int v = Read16(t + e + 8, little);
            return v >= 1 && v <= 8 ? v : 1;
        }
    }
    return 1;
}

}  // namespace

std::optional<std::string> EncodeJpeg(const RgbImage& image, int quality) {
    TjHandle h(tjInitCompress());
    if (!h || image.width <= 0 || image.height <= 0)
        return std::nullopt;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(h.get(), image.pixels.data(), image.width, 0, image.height, TJPF_RGB, &out,
                         &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(out, tjFree);
    if (rc != 0 || !out)
        return std::nullopt;
    return std::string(reinterpret_cast<char*>(out), size);
}

std::optional<RgbImage> DecodeJpeg(std::string_view jpeg, int minSide) {
    TjHandle h(tjInitDecompress());
    if (!h)
        return std::nullopt;
    auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    int w = 0, hgt = 0, sub = 0, space = 0;
    if (tjDecompressHeader3(h.get(), data, jpeg.size(), &w, &hgt, &sub, &space) != 0 || w <= 0 ||
        hgt <= 0)
        return std::nullopt;
    // The smallest scale that still gives at least MINSIDE on the shorter side.
    int count = 0;
    tjscalingfactor* factors = tjGetScalingFactors(&count);
    int sw = w, sh = hgt;
    for (int i = 0; factors && i < count; ++i) {
        int fw = TJSCALED(w, factors[i]), fh = TJSCALED(hgt, factors[i]);
        // Pixel counts of a declared 65535 x 65535 do not fit an int.
        if (std::min(fw, fh) >= std::min(minSide, std::min(w, hgt)) &&
            std::int64_t{fw} * fh < std::int64_t{sw} * sh) {
            sw = fw;
            sh = fh;
        }
    }
    RgbImage img(sw, sh);
    if (tjDecompress2(h.get(), data, jpeg.size(), img.pixels.data(), sw, 0, sh, TJPF_RGB, 0) != 0)
        return std::nullopt;
    return img;
}

RgbImage Downscale(const RgbImage& image, int maxSide) {
    int big = std::max(image.width, image.height);
    if (big <= maxSide)
        return image;
    int w = std::max(1, image.width * maxSide / big);
    int h = std::max(1, image.height * maxSide / big);
    RgbImage out(w, h);
    for (int y = 0; y < h; ++y) {
        int y0 = y * image.height / h, y1 = std::max(y0 + 1, (y + 1) * image.height / h);
        for (int x = 0; x < w; ++x) {
            int x0 = x * image.width / w, x1 = std::max(x0 + 1, (x + 1) * image.width / w);
            unsigned sum[3] = {0, 0, 0};
            for (int yy = y0; yy < y1; ++yy)
                for (int xx = x0; xx < x1; ++xx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] +=
                            image.pixels[(static_cast<std::size_t>(yy) * image.width + xx) * 3 + c];
            unsigned n = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c)
                out.pixels[(static_cast<std::size_t>(y) * w + x) * 3 + c] =
                    static_cast<std::uint8_t>(sum[c] / n);
        }
    }
    return out;
}

RgbImage Orient(const RgbImage& image, int orientation) {
    if (orientation < 2 || orientation > 8)
        return image;
    const bool swap = orientation >= 5;
    const int W = image.width, H = image.height;
    RgbImage out(swap ? H : W, swap ? W : H);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = 0, sy = 0;
            switch (orientation) {
                case 2:
                    sx = W - 1 - x;
                    sy = y;
                    break;
                case 3:
                    sx = W - 1 - x;
                    sy = H - 1 - y;
                    break;
                case 4:
                    sx = x;
                    sy = H - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = H - 1 - x;
                    break;
                case 7:
                    sx = W - 1 - y;
                    sy = H - 1 - x;
                    break;
                case 8:
                    sx = W - 1 - y;
                    sy = x;
                    break;
            }
            const std::uint8_t* s = &image.pixels[(static_cast<std::size_t>(sy) * W + sx) * 3];
            std::uint8_t* d = &out.pixels[(static_cast<std::size_t>(y) * out.width + x) * 3];
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return out;
}

int ExifOrientation(std::string_view jpeg) {
    auto* p = reinterpret_cast<const unsigned char*>(jpeg.data());
    std::size_t n = jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return 1;
    std::size_t i = 2;
    while (i + 4 <= n && p[i] == 0xFF) {
        unsigned marker = p[i + 1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        std::size_t len = Read16(p + i + 2, false);
        if (len < 2 || i + 2 + len > n)
            break;
        if (marker == 0xE1 && len >= 8 &&
            std::string_view(jpeg.data() + i + 4, 6) == std::string_view("Exif\0\0", 6))
            return OrientationFromTiff(p + i + 10, len - 8);
        i += 2 + len;
    }
    return 1;
}

std::optional<std::string> MakeThumbnail(std::string_view jpeg, int maxSide) {
    auto img = DecodeJpeg(jpeg, maxSide);
    if (!img)
        return std::nullopt;
    return EncodeJpeg(Orient(Downscale(*img, maxSide), ExifOrientation(jpeg)), 80);
}

}  // namespace orlavo::lab
