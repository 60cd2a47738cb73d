#pragma once
// How a photo lands on the paper of one product, as the print preview shows
// it and as the lab prints it. The print's long side lies along the photo's
// long side (a square photo gets a landscape print). With "Zoom and Trim"
// the photo fills the paper and what overhangs is cut off evenly at both
// ends (a centre crop); without it the whole photo is centred on the paper
// with white borders on the two sides where it falls short.

#include <cstdint>
#include <string>

#include "wizard/photos/SelectedPhoto.h"
#include "wizard/products/ProductTable.h"

namespace orlavo::wizard {

// A rectangle in the photo's pixels, as the photo is seen (upright).
struct PixelBox {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// Why a line has no layout.
enum class LayoutGap { None, NoProductSize, NoPhotoSize };

struct PrintLayout {
    LayoutGap gap = LayoutGap::None;
    // The print as it lies beside the photo, in millimetres.
    int paperWidthMm = 0;
    int paperHeightMm = 0;
    // The photo at (0, 0, its width, its height) and the paper in the same
    // units: inside the photo when trimmed, around it otherwise.
    PixelBox photo;
    PixelBox paper;
    // The part of the photo that is printed.
    PixelBox printed;
    // The share of the photo's area cut away, 0 to 1.
    double cutAway = 0;

    bool shown() const { return gap == LayoutGap::None; }
};

// PHOTO_WIDTH x PHOTO_HEIGHT pixels (upright) on a product of X_DIM by Y_DIM
// millimetres (either way round). No layout when a size is 0 or below.
PrintLayout LayOutPrint(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                        std::int32_t yDim, bool zoomTrim);

// The print of a line whose part of the photo was chosen: the paper is CROP
// (in the photo's pixels), the photo around it.
PrintLayout LayOutCrop(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                       std::int32_t yDim, const CropBox& crop);

// The part of the photo "Zoom and Trim" keeps by itself: the centre crop, in
// whole pixels. Empty when there is no layout.
CropBox CentreCrop(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                   std::int32_t yDim);

// How far a print may zoom into the photo (1 = the centre crop's size) before
// its quality would rate "Poor"; 1 when even the centre crop does.
double MaxZoom(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
               std::int32_t yDim);

// The part kept at ZOOM (held to 1..MaxZoom) around the photo point
// (CENTRE_X, CENTRE_Y), with the paper's proportions, moved inside the photo
// where it would stand out. Empty when there is no layout.
CropBox CropAt(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
               std::int32_t yDim, double zoom, double centreX, double centreY);

// The zoom of CROP: the centre crop's width over its width.
double ZoomOf(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
              std::int32_t yDim, const CropBox& crop);

// The pixels the print of the line is made from: the line's own crop, or
// the whole photo.
void LinePixelSize(const SelectedPhoto& photo, int product, std::int32_t& width,
                   std::int32_t& height);

// Trimming would cut away more than a fifth of the photo: worked out in whole
// numbers, so a cut of exactly 20% does not count.
bool TrimCutsTooMuch(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                     std::int32_t yDim);

// Why the line of PRODUCT for PHOTO deserves a second look, one reason a line:
// "Zoom and Trim" is on and cuts away more than a fifth of the photo (its own
// crop, or the centre crop), or the quality rates "Poor" (of the pixels the
// print is made from). Empty when nothing is wrong or there is no such line.
std::string LineWarning(const SelectedPhoto& photo, int product, const ProductTable& table);

// "152 x 102 mm (6.0 x 4.0 in)", width first as the print lies.
std::string PrintSizeText(int widthMm, int heightMm);

// The text shown instead of a layout that has GAP.
std::string LayoutGapText(LayoutGap gap);

}  // namespace orlavo::wizard
