#pragma once
// A photo turned and cropped the way the user sees it, without decoding it:
// libjpeg-turbo's lossless transform works on the DCT blocks, so the pixels
// that reach the lab are the camera's own.
//
// The rule where blocks do not fit: a turn or flip that would move a partial
// block (the last 1 to 15 pixels of a side that is not a multiple of the
// block size) to the top or the left drops those pixels instead, so at most
// 15 pixels of one or two edges are lost. A crop starts on a block boundary:
// its left and top edges move out to the block before them (at most 15
// pixels for a camera's photo, 31 for a rare 4:1:1 one); its right and
// bottom edges stay where they were chosen.
//
// The result is upright: the EXIF orientation is applied to the pixels and
// set to 1, and the EXIF pixel size is set to the result's. Every other
// marker (EXIF, ICC profile, comments) is copied as it was.
//
// Pure functions on bytes, safe on any thread. Input is untrusted.

#include <cstdint>
#include <string>
#include <string_view>

#include "wizard/photos/SelectedPhoto.h"

namespace orlavo::transmission {

// What is done to a photo before it goes to the lab.
struct PhotoWork {
    // Degrees clockwise on top of the EXIF orientation: 0, 90, 180, 270.
    std::int32_t turn = 0;
    // The part kept, in the photo as seen after the turn; empty: the whole.
    wizard::CropBox crop;
    // The photo is no JPEG: it goes as a JPEG made for the send.
    bool convert = false;
    // Where it was taken is taken out of what is sent (a photo that says
    // nothing of it goes as it is).
    bool removeLocation = false;
    // A converted photo's colours go in sRGB rather than with its own profile.
    bool toSrgb = false;

    // False: the photo's file goes unchanged, unless its location is to be
    // removed and it has one.
    bool needed() const { return convert || turn % 360 != 0 || !crop.empty(); }
    bool operator==(const PhotoWork&) const = default;
};

struct TransformedJpeg {
    // The new file; empty when it could not be made.
    std::string bytes;
    // Why not, for a message after the photo's name ("it is cut short").
    std::string problem;
    // The result's pixel size.
    int width = 0;
    int height = 0;
    // The part of the photo as seen (the whole of it turned, before the
    // crop) that the result shows.
    wizard::CropBox covers;

    bool ok() const { return !bytes.empty(); }
};

// JPEG with WORK applied; photos larger than MAX_PIXELS are refused.
TransformedJpeg TransformJpeg(std::string_view jpeg, const PhotoWork& work,
                              std::int64_t maxPixels = 250'000'000);

// Sets the EXIF orientation of JPEG to 1 and its EXIF pixel size to WIDTH x
// HEIGHT, in place, where JPEG has them. False when it has no EXIF block.
bool MakeExifUpright(std::string& jpeg, int width, int height);

}  // namespace orlavo::transmission
