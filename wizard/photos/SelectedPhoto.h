#pragma once
// One selected photo of the order and its lines, one per catalogue product.

#include <cstdint>
#include <string>
#include <vector>

namespace orlavo::wizard {

// The part of a photo that one print keeps, in the photo's pixels as it is
// seen (EXIF orientation and the user's turn applied). Empty: the print keeps
// the centre crop.
struct CropBox {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const CropBox&) const = default;
};

// The line of one product for one photo. A line exists when quantity > 0.
struct OrderLine {
    OrderLine() = default;
    OrderLine(std::int32_t q, std::int32_t z, CropBox c = {}) : quantity(q), zoomTrim(z), crop(c) {}

    std::int32_t quantity = 0;
    std::int32_t zoomTrim = 2;  // 0 off, 1 on, 2 undecided
    // Chosen in the print preview; it counts only while zoomTrim is 1.
    CropBox crop;

    // The print keeps a part of its own choosing, so the photo goes to the
    // lab cropped for this line.
    bool hasOwnCrop() const { return quantity > 0 && zoomTrim == 1 && !crop.empty(); }
};

// BOX turned with its photo of WIDTH x HEIGHT (as seen before the turn) by a
// quarter turn clockwise, or counter-clockwise when CLOCKWISE is false.
CropBox TurnCrop(const CropBox& box, std::int32_t width, std::int32_t height, bool clockwise);

struct SelectedPhoto {
    std::string path;                   // identifies the photo, byte for byte
    std::int32_t contentTypeIndex = 0;  // 0 "image/pjpeg"
    std::uint64_t fileSize = 0;
    // The pixel size as the photo is seen: EXIF orientation and turn applied.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<OrderLine> orderLines;  // entry j belongs to catalogue product j
    std::int32_t thumbWidth = 92;
    std::int32_t thumbHeight = 92;
    // The user's turn, degrees clockwise on top of the EXIF orientation:
    // 0, 90, 180 or 270. The lab receives the photo turned.
    std::int32_t turn = 0;

    bool hasAnyLine() const;
    // A line that keeps the whole photo's file (no crop of its own).
    bool hasSharedLine() const;
};

}  // namespace orlavo::wizard
