#pragma once
// What a JPEG file's markers say, read without decoding a pixel: the frame's
// pixel size, the EXIF orientation, where the EXIF thumbnail lies and whether
// the image data runs to its end marker.
//
// The bytes come from any file on the user's disk, so they are untrusted:
// every offset and length is checked against the buffer before it is used,
// in arithmetic that cannot overflow, and a damaged EXIF block only loses the
// orientation and the thumbnail, never the rest of the header.

#include <cstddef>

namespace orlavo::wizard {

struct JpegInfo {
    // A start-of-image marker and a frame header before the first scan.
    bool isJpeg = false;
    // The frame's size as stored (before the orientation is applied).
    int width = 0;
    int height = 0;
    int components = 0;
    // EXIF orientation 1 to 8; 1 when there is none or it cannot be read.
    int orientation = 1;
    // The EXIF thumbnail's bytes within the buffer; length 0 when there is none.
    std::size_t thumbnailOffset = 0;
    std::size_t thumbnailLength = 0;
    // Where the first scan's entropy-coded data starts; 0 when no scan was found.
    std::size_t scanOffset = 0;
    // The image data reaches its end-of-image marker: the file is not cut short.
    bool complete = false;

    // The size as the photo is seen: width and height swap for orientations 5 to 8.
    int shownWidth() const { return orientation >= 5 ? height : width; }
    int shownHeight() const { return orientation >= 5 ? width : height; }
};

JpegInfo ReadJpegInfo(const unsigned char* data, std::size_t size);

}  // namespace orlavo::wizard
