#pragma once
// The location in a JPEG file's markers: the GPS directory of its EXIF block
// (APP1 "Exif") and the location properties of its XMP packet (APP1 XMP, and
// the extended XMP that continues it). Taking it out is lossless: only the
// APP1 segments that hold a location are rewritten; every other byte, the
// entropy-coded data above all, is copied as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// Whether the markers before the first scan in DATA hold a location.
bool JpegHasLocation(const unsigned char* data, std::size_t size);

// JPEG without its location; the same bytes when it holds none; nullopt
// when JPEG is no JPEG whose markers can be walked to a scan. An EXIF block
// or XMP packet that cannot be read is dropped whole.
std::optional<std::string> RemoveJpegLocation(std::string_view jpeg);

}  // namespace orlavo::wizard
