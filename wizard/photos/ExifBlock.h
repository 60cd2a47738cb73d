#pragma once
// An EXIF block: the TIFF structure that a JPEG's APP1 segment carries after
// "Exif\0\0", and that PNG (eXIf), WebP (EXIF) and HEIF (an Exif item) carry
// as it is. Offsets inside it count from its first byte.
//
// The bytes come from files on the user's disk: every offset and count is
// checked against the block, in arithmetic that cannot overflow, and a
// directory that cannot be read makes the block unreadable rather than
// half-edited. Edits are made in place, so that every other value keeps its
// offset and its bytes: the block a lab receives differs from the camera's
// only where it must.

#include <cstdint>
#include <string>
#include <string_view>

#include "wizard/photos/ByteSource.h"

namespace orlavo::wizard {

// Tags of the first directory (IFD0).
inline constexpr unsigned kTagOrientation = 0x0112;
inline constexpr unsigned kTagExifIfd = 0x8769;
inline constexpr unsigned kTagGpsIfd = 0x8825;

// The most an EXIF block may hold to fit one JPEG APP1 segment.
inline constexpr std::size_t kMaxExifBlock = 65533 - 2 - 6;

// The orientation 1 to 8; 1 when there is none or the block cannot be read.
int ExifOrientation(std::string_view block);

// The block points at a GPS directory (the location where the photo was
// taken). A block that cannot be read counts as one that may.
bool ExifHasLocation(std::string_view block);

enum class ExifEdit {
    Unchanged,   // nothing to do
    Changed,     // done, in place
    Unreadable,  // no TIFF structure that can be read: drop the block whole
};

// Takes the location out: the GPS directory's pointer leaves its directory
// (the entries after it move up, the directory's count drops by one), and
// the GPS directory's entries and the values they point at are overwritten
// with zeros, so that no tool finds them nor their bytes. Bytes that another
// directory also uses are left as they are.
ExifEdit RemoveExifLocation(std::string& block);

// Orientation 1 and the pixel size WIDTH x HEIGHT (PixelXDimension,
// PixelYDimension), where the block has them. False when it cannot be read.
bool SetExifUpright(std::string& block, int width, int height);

// A new EXIF block, in the TIFF file's byte order, with what the first
// directory of the TIFF file in SOURCE says of the photo: description,
// camera, orientation, resolution, software, date, artist, copyright, and
// its EXIF and GPS directories (without the maker's notes, whose offsets
// would not survive the move). Empty when there is nothing, or the file
// cannot be read, or it would not fit an APP1 segment.
std::string ExifFromTiff(ByteSource& source);

}  // namespace orlavo::wizard
