#include "lab/SamplePhotoMaker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

namespace orlavo::lab {

namespace {

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Theme {
    Rgb skyTop, skyBottom, sun;
    std::array<Rgb, 3> hills;  // far to near
};

const std::array<Theme, 5> kThemes = {{
    {{40, 110, 200},
     {175, 215, 245},
     {255, 250, 225},
     {{{120, 165, 110}, {75, 135, 65}, {40, 95, 45}}}},
    {{55, 45, 115},
     {250, 155, 85},
     {255, 225, 150},
     {{{125, 80, 115}, {85, 50, 85}, {40, 28, 50}}}},
    {{85, 125, 190},
     {250, 205, 175},
     {255, 242, 205},
     {{{125, 145, 165}, {90, 110, 135}, {55, 75, 90}}}},
    {{70, 120, 195},
     {205, 225, 240},
     {255, 248, 220},
     {{{205, 150, 70}, {170, 95, 40}, {105, 60, 30}}}},
    {{150, 180, 215},
     {232, 236, 242},
     {255, 252, 240},
     {{{225, 232, 240}, {190, 202, 220}, {150, 165, 190}}}},
}};

const std::array<SamplePhotoLayout, 8> kLayouts = {{
    {640, 480, 0, true},
    {1024, 768, 0, false},
    {480, 640, 0, false},
    {1600, 1200, 1, true},
    {1200, 1600, 6, true},
    {2048, 1536, 0, false},
    {4000, 3000, 0, true},
    {3000, 4000, 8, false},
}};

std::uint8_t Clamp(double v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

void Entry(std::string& s, unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
    Put16(s, tag);
    Put16(s, type);
    Put32(s, count);
    Put32(s, value);
}

// The stored picture for an orientation: what a viewer turns by ORIENTATION
// to show UPRIGHT.
RgbImage StoredFor(const RgbImage& upright, int orientation) {
    switch (orientation) {
        case 6:
            return Orient(upright, 8);
        case 8:
            return Orient(upright, 6);
        case 3:
            return Orient(upright, 3);
        default:
            return upright;
    }
}

}  // namespace

SamplePhotoLayout SamplePhotoMaker::LayoutFor(int index) {
    return kLayouts[static_cast<std::size_t>(index) % kLayouts.size()];
}

RgbImage SamplePhotoMaker::DrawLandscape(int width, int height, std::uint32_t seed) {
    std::mt19937 rng(seed * 2654435761u + 12345u);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Theme theme = kThemes[seed % kThemes.size()];
    // A little colour drift so that photos of one theme still differ.
    double drift = (u(rng) - 0.5) * 30;
    theme.skyTop.b = std::clamp(theme.skyTop.b + drift, 0.0, 255.0);
    theme.skyBottom.r = std::clamp(theme.skyBottom.r - drift, 0.0, 255.0);

    const double W = width, H = height;
    const double sunX = W * (0.15 + 0.7 * u(rng));
    const double sunY = H * (0.12 + 0.25 * u(rng));
    const double sunR = std::min(W, H) * (0.04 + 0.05 * u(rng));
    const bool lake = u(rng) < 0.4;
    const double waterLine = H * (0.72 + 0.08 * u(rng));

    // Ridge lines of three hill layers, one height per column.
    std::array<std::vector<double>, 3> ridge;
    for (int layer = 0; layer < 3; ++layer) {
        double base = H * (0.45 + 0.1 * layer + 0.05 * u(rng));
        double a1 = H * (0.04 + 0.05 * u(rng)), a2 = H * (0.02 + 0.03 * u(rng)),
               a3 = H * 0.01 * u(rng);
        double f1 = (1.0 + 2.0 * u(rng)) * 2 * M_PI / W, f2 = (3.0 + 4.0 * u(rng)) * 2 * M_PI / W,
               f3 = (9.0 + 9.0 * u(rng)) * 2 * M_PI / W;
        double p1 = 6.28 * u(rng), p2 = 6.28 * u(rng), p3 = 6.28 * u(rng);
        ridge[layer].resize(width);
        for (int x = 0; x < width; ++x)
            ridge[layer][x] = base + a1 * std::sin(f1 * x + p1) + a2 * std::sin(f2 * x + p2) +
                              a3 * std::sin(f3 * x + p3);
    }

    RgbImage img(width, height);
    std::uint32_t noise = seed | 1u;
    for (int y = 0; y < height; ++y) {
        // Below the water line the lake mirrors what stands above it.
        const bool water = lake && y >= waterLine;
        for (int x = 0; x < width; ++x) {
            double sx = x, sy = y;
            if (water) {
                sy = 2 * waterLine - y + std::sin(y * 0.35 + x * 0.02) * 1.5;
                sx = x + std::sin(y * 0.5) * 2.0;
                sy = std::clamp(sy, 0.0, H - 1);
                sx = std::clamp(sx, 0.0, W - 1);
            }
            Rgb c = Mix(theme.skyTop, theme.skyBottom, std::pow(sy / H, 0.8));
            double d = std::hypot(sx - sunX, sy - sunY);
            if (d < sunR)
                c = theme.sun;
            else
                c = Mix(c, theme.sun, 0.55 * std::exp(-(d - sunR) / (sunR * 2.5)));
            int ix = static_cast<int>(sx);
            for (int layer = 0; layer < 3; ++layer) {
                double top = ridge[layer][ix];
                if (sy >= top) {
                    double depth = std::min(1.0, (sy - top) / (H * 0.3));
                    c = Mix(theme.hills[layer], Rgb{0, 0, 0}, 0.25 * depth);
                    // Haze on the far hills.
                    c = Mix(c, theme.skyBottom, 0.25 * (2 - layer) / 2.0);
                }
            }
            if (water)
                c = Mix(c, Rgb{20, 50, 90}, 0.3);
            noise = noise * 1664525u + 1013904223u;
            double grain = ((noise >> 24) / 255.0 - 0.5) * 6;
            std::uint8_t* p = &img.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = Clamp(c.r + grain);
            p[1] = Clamp(c.g + grain);
            p[2] = Clamp(c.b + grain);
        }
    }
    return img;
}

std::string SamplePhotoMaker::ExifSegment(int orientation, const std::string& thumbnail) {
    static const std::string kSoftware = "orlavo-lab";
    const unsigned n0 = 1 + (orientation > 0 ? 1 : 0);
    const std::uint32_t ifd0 = 8;
    const std::uint32_t softwareAt = ifd0 + 2 + 12 * n0 + 4;
    const std::uint32_t softwareLen = static_cast<std::uint32_t>(kSoftware.size() + 1);
    const std::uint32_t ifd1 = (softwareAt + softwareLen + 1) & ~1u;
    const std::uint32_t thumbAt = ifd1 + 2 + 3 * 12 + 4;

    std::string t = "II";
    Put16(t, 42);
    Put32(t, ifd0);
    Put16(t, n0);
    if (orientation > 0)
        Entry(t, 0x0112, 3, 1, static_cast<std::uint32_t>(orientation));
    Entry(t, 0x0131, 2, softwareLen, softwareAt);
    Put32(t, thumbnail.empty() ? 0 : ifd1);
    t += kSoftware;
    t.push_back('\0');
    if (!thumbnail.empty()) {
        t.resize(ifd1, '\0');
        Put16(t, 3);
        Entry(t, 0x0103, 3, 1, 6);  // compression: JPEG
        Entry(t, 0x0201, 4, 1, thumbAt);
        Entry(t, 0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size()));
        Put32(t, 0);
        t += thumbnail;
    }
    std::string payload = std::string("Exif\0\0", 6) + t;
    std::string seg = "\xFF\xE1";
    unsigned len = static_cast<unsigned>(payload.size() + 2);
    seg.push_back(static_cast<char>(len >> 8));
    seg.push_back(static_cast<char>(len & 0xFF));
    return seg + payload;
}

std::string SamplePhotoMaker::MakePhoto(int index) {
    SamplePhotoLayout layout = LayoutFor(index);
    RgbImage stored =
        StoredFor(DrawLandscape(layout.width, layout.height, static_cast<std::uint32_t>(index)),
                  layout.orientation);
    auto jpeg = EncodeJpeg(stored, 88);
    if (!jpeg)
        return {};
    if (layout.orientation == 0 && !layout.exifThumbnail)
        return *jpeg;

    std::string thumb;
    if (layout.exifThumbnail) {
        // The thumbnail shows the stored pixels, as cameras write it.
        for (int quality : {80, 60, 40}) {
            auto t = EncodeJpeg(Downscale(stored, 160), quality);
            if (t && t->size() < 60000) {
                thumb = *t;
                break;
            }
        }
    }
    // The EXIF block takes the place of the JFIF one, right after the start marker.
    std::size_t rest = 2;
    const std::string& j = *jpeg;
    if (j.size() > 6 && static_cast<unsigned char>(j[2]) == 0xFF &&
        static_cast<unsigned char>(j[3]) == 0xE0)
        rest = 4 + ((static_cast<unsigned char>(j[4]) << 8) | static_cast<unsigned char>(j[5]));
    return j.substr(0, 2) + ExifSegment(layout.orientation, thumb) + j.substr(rest);
}

std::string SamplePhotoMaker::WritePhotos(const std::filesystem::path& folder, int count) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return "cannot create " + folder.string() + ": " + ec.message();
    for (int i = 0; i < count; ++i) {
        std::string jpeg = MakePhoto(i);
        if (jpeg.empty())
            return "cannot encode photo " + std::to_string(i + 1);
        char name[32];
        std::snprintf(name, sizeof name, "sample_%03d.jpg", i + 1);
        std::filesystem::path target = folder / name;
        std::filesystem::path temp = folder / (std::string(".") + name + ".part");
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
            out.close();
            if (!out)
                return "cannot write " + temp.string();
        }
        std::filesystem::rename(temp, target, ec);
        if (ec)
            return "cannot write " + target.string() + ": " + ec.message();
    }
    return {};
}

}  // namespace orlavo::lab
