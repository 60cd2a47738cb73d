#pragma once
// JPEG encoding and thumbnails for the lab, over libjpeg-turbo.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::lab {

// An RGB picture, three bytes per pixel, rows top to bottom.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3) {}
};

// The largest picture the lab decodes, in pixels (100 megapixels).
constexpr std::int64_t kMaxDecodedPixels = 100'000'000;

std::optional<std::string> EncodeJpeg(const RgbImage& image, int quality);
// Decodes at the smallest scale that keeps MINSIDE pixels on the shorter side;
// no value for a broken file or one that declares more than kMaxDecodedPixels.
std::optional<RgbImage> DecodeJpeg(std::string_view jpeg, int minSide);

// Fits IMAGE into MAXSIDE x MAXSIDE by averaging boxes of pixels.
RgbImage Downscale(const RgbImage& image, int maxSide);

// Turns IMAGE so that it shows upright for the EXIF orientation value (1 to 8;
// others leave it as it is).
RgbImage Orient(const RgbImage& image, int orientation);

// The EXIF orientation of a JPEG file, 1 when it has none.
int ExifOrientation(std::string_view jpeg);

// A JPEG no larger than MAXSIDE on either side, turned upright; no value when
// JPEG cannot be decoded.
std::optional<std::string> MakeThumbnail(std::string_view jpeg, int maxSide);

}  // namespace orlavo::lab
