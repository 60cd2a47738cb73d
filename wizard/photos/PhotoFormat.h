#pragma once
// Which kind of photo a file holds, told by its first bytes rather than by
// its name: a phone's HEIC saved as ".jpg", or a PNG without an extension,
// is still what it is.

#include <cstddef>
#include <string>
#include <string_view>

namespace orlavo::wizard {

enum class PhotoFormat {
    Unknown,
    Jpeg,
    Heif,  // HEIC and the other HEVC-coded HEIF brands
    Png,
    Tiff,
    WebP,
};

// The bytes a sniff needs at most.
inline constexpr std::size_t kSniffBytes = 32;

// The format of a file that starts with DATA (at most kSniffBytes are looked at).
PhotoFormat SniffPhotoFormat(const unsigned char* data, std::size_t size);

// The format of the file at PATH by its first bytes; Unknown when it cannot be read.
PhotoFormat PhotoFormatOfFile(const std::string& path);

// Whether NAME ends with an extension of a format step 1 takes ("x.heic",
// "x.PNG", "x.tif", "x.webp"; JPEG names are told apart by PhotoFolder).
bool HasOtherPhotoExtension(std::string_view name);

}  // namespace orlavo::wizard
