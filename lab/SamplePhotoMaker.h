#pragma once
// Draws sample photos for the demo and the tests: landscapes with sky, sun,
// hills and sometimes a lake, in several sizes and orientations, some carrying
// an EXIF block with a thumbnail and some an orientation tag.

#include <cstdint>
#include <filesystem>
#include <string>

#include "lab/JpegImage.h"

namespace orlavo::lab {

struct SamplePhotoLayout {
    int width = 0;  // as the photo is seen, after its orientation
    int height = 0;
    int orientation = 0;  // EXIF orientation tag; 0 writes none
    bool exifThumbnail = false;
};

class SamplePhotoMaker {
public:
    // The size and EXIF content of photo INDEX; the list repeats every eight.
    static SamplePhotoLayout LayoutFor(int index);

    // Draws the upright landscape for SEED.
    static RgbImage DrawLandscape(int width, int height, std::uint32_t seed);

    // The JPEG file of photo INDEX, or empty on failure.
    static std::string MakePhoto(int index);

    // An APP1 "Exif" segment (marker included) with the orientation tag when
    // ORIENTATION is not 0 and the thumbnail when THUMBNAIL is not empty.
    static std::string ExifSegment(int orientation, const std::string& thumbnail);

    // Writes COUNT photos "sample_001.jpg" ... into FOLDER, which is created.
    // Gives the empty text on success, else what went wrong.
    static std::string WritePhotos(const std::filesystem::path& folder, int count);
};

}  // namespace orlavo::lab
