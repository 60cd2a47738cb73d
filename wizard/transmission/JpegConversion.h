#pragma once
// A photo of another format (HEIF, PNG, TIFF, WebP) made into the JPEG that
// goes to the lab, as the labs expect JPEG:
//
// - quality 95, full-resolution colour (4:4:4);
// - upright: its orientation applied to the pixels, and the EXIF orientation
//   it carries set to 1; the user's turn and crop applied the same way;
// - its colour profile embedded (APP2), or its colours converted to sRGB
//   when the lab asks for that (PhotoWork::toSrgb);
// - its EXIF block kept (date, camera), with the pixel size of the result,
//   less the GPS directory when the location is to be removed; an XMP packet
//   is not carried;
// - 16 bits a sample reduced to 8 with an ordered dither, so that smooth
//   gradients do not band; transparency laid on white.
//
// The same file gives the same bytes every time, so that an order resumed
// after a crash sends the pixels it sent before.
//
// Synchronous, safe on any thread; the file is untrusted.

#include <QImage>
#include <cstdint>
#include <string>

#include "wizard/transmission/JpegTransform.h"

namespace orlavo::transmission {

// More pixels than any photo we convert (a converted photo is held whole).
inline constexpr std::int64_t kMaxConvertPixels = 120'000'000;

// The JPEG for the photo at PATH with WORK done to it (WORK.convert is
// implied); the problem says why not, for a message after the photo's name.
TransformedJpeg ConvertToJpeg(const std::string& path, const PhotoWork& work,
                              std::int64_t maxPixels = kMaxConvertPixels);

// DEEP (RGBA64, opaque) as RGB32 with an ordered dither: each sample rounds
// up or down by where it lies between two 8-bit steps and by its place in an
// 8 x 8 tile, so that a tile's mean keeps the 16-bit value.
QImage DitherTo8Bits(const QImage& deep);

// "x.jpg" for "x.heic", "IMG_0001.jpg" for "IMG_0001.PNG": the name under
// which a converted photo goes, in the same folder.
std::string JpegNameFor(const std::string& path);

}  // namespace orlavo::transmission
