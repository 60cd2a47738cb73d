#pragma once
// What the containers of PNG, WebP and TIFF files say of their photo without
// decoding a pixel: the stored size, depth and alpha, the EXIF block and XMP
// packet they carry, whether they carry a colour profile, and whether the
// file is whole (its structure runs to its declared end). For HEIF, only
// whether its top-level boxes are whole; libheif reads the rest.
//
// The readers visit headers only, by position, so a large file is not read
// whole; the bytes are untrusted and every length is checked.

#include <string>

#include "wizard/photos/ByteSource.h"

namespace orlavo::wizard {

struct ContainerFacts {
    // The header was read: the size below is what the file declares.
    bool readable = false;
    int width = 0;  // as stored, before the orientation is applied
    int height = 0;
    int bitDepth = 8;  // of one sample
    bool hasAlpha = false;
    bool hasIcc = false;
    // EXIF orientation 1 to 8 (a TIFF's own tag).
    int orientation = 1;
    // The structure reaches its end: nothing is cut off.
    bool whole = false;
    // The EXIF block (TIFF structure) and the XMP packet; empty for none.
    std::string exif;
    std::string xmp;
};

ContainerFacts ReadPngFacts(ByteSource& source);
ContainerFacts ReadWebpFacts(ByteSource& source);
ContainerFacts ReadTiffFacts(ByteSource& source);

// The top-level boxes of a HEIF file follow each other to the file's end,
// each inside it.
bool HeifBoxesWhole(ByteSource& source);

}  // namespace orlavo::wizard
