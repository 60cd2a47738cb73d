#include "wizard/products/PrintLayout.h"

#include <algorithm>
#include <cmath>

#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/products/QualityRating.h"

namespace orlavo::wizard {

namespace {

constexpr int kStrTrimCuts = 3304;
constexpr int kStrPoorQuality = 3305;
constexpr int kStrPrintSize = 3306;
constexpr int kStrNoProductSize = 3307;
constexpr int kStrNoPhotoSize = 3308;

// To a tenth of an inch, with a point whatever the user's locale.
std::string Inches(int mm) {
    const long tenths = std::lround(mm / 2.54);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

PixelBox Intersect(const PixelBox& a, const PixelBox& b) {
    const double left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const double right = std::min(a.x + a.width, b.x + b.width);
    const double bottom = std::min(a.y + a.height, b.y + b.height);
    return {left, top, std::max(0.0, right - left), std::max(0.0, bottom - top)};
}

// The paper's sides as it lies along the photo: long along long.
void OrientPaper(std::int64_t w, std::int64_t h, std::int32_t xDim, std::int32_t yDim, int& paperW,
                 int& paperH) {
    const int longMm = std::max(xDim, yDim), shortMm = std::min(xDim, yDim);
    paperW = w >= h ? longMm : shortMm;
    paperH = w >= h ? shortMm : longMm;
}

}  // namespace

PrintLayout LayOutPrint(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                        std::int32_t yDim, bool zoomTrim) {
    PrintLayout layout;
    if (xDim <= 0 || yDim <= 0) {
        layout.gap = LayoutGap::NoProductSize;
        return layout;
    }
    if (photoWidth <= 0 || photoHeight <= 0) {
        layout.gap = LayoutGap::NoPhotoSize;
        return layout;
    }
    OrientPaper(photoWidth, photoHeight, xDim, yDim, layout.paperWidthMm, layout.paperHeightMm);
    const double w = photoWidth, h = photoHeight;
    const double pw = layout.paperWidthMm, ph = layout.paperHeightMm;
    layout.photo = {0, 0, w, h};
    // Photo pixels per millimetre of paper: the photo covers the paper when
    // trimmed, fits inside it otherwise.
    const double scale = zoomTrim ? std::min(w / pw, h / ph) : std::max(w / pw, h / ph);
    const double paperW = pw * scale, paperH = ph * scale;
    layout.paper = {(w - paperW) / 2, (h - paperH) / 2, paperW, paperH};
    layout.printed = Intersect(layout.photo, layout.paper);
    layout.cutAway =
        std::clamp(1.0 - layout.printed.width * layout.printed.height / (w * h), 0.0, 1.0);
    return layout;
}

PrintLayout LayOutCrop(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                       std::int32_t yDim, const CropBox& crop) {
    PrintLayout layout = LayOutPrint(photoWidth, photoHeight, xDim, yDim, true);
    if (!layout.shown() || crop.empty())
        return layout;
    layout.paper = {double(crop.x), double(crop.y), double(crop.width), double(crop.height)};
    layout.printed = Intersect(layout.photo, layout.paper);
    layout.cutAway = std::clamp(
        1.0 - layout.printed.width * layout.printed.height / (double(photoWidth) * photoHeight),
        0.0, 1.0);
    return layout;
}

CropBox CentreCrop(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                   std::int32_t yDim) {
    return CropAt(photoWidth, photoHeight, xDim, yDim, 1.0, photoWidth / 2.0, photoHeight / 2.0);
}

double MaxZoom(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
               std::int32_t yDim) {
    const PrintLayout layout = LayOutPrint(photoWidth, photoHeight, xDim, yDim, true);
    if (!layout.shown() || xDim <= 0)
        return 1.0;
    // The shortest long side that still rates above "Poor", found the way
    // the rating rounds.
    const double longSide = std::max(layout.paper.width, layout.paper.height);
    std::int64_t low = static_cast<std::int64_t>(std::floor(101.0 * xDim * 10 / 254)) - 2;
    low = std::max<std::int64_t>(low, 1);
    while (QualityResolution(std::int32_t(low), 1, xDim) <= 100)
        ++low;
    return std::max(1.0, longSide / double(low));
}

CropBox CropAt(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
               std::int32_t yDim, double zoom, double centreX, double centreY) {
    const PrintLayout layout = LayOutPrint(photoWidth, photoHeight, xDim, yDim, true);
    if (!layout.shown())
        return {};
    zoom = std::clamp(zoom, 1.0, MaxZoom(photoWidth, photoHeight, xDim, yDim));
    // Whole pixels, never past the photo's edges, at least one pixel.
    const double w = std::clamp(std::round(layout.paper.width / zoom), 1.0, double(photoWidth));
    const double h = std::clamp(std::round(layout.paper.height / zoom), 1.0, double(photoHeight));
    const double x = std::clamp(std::round(centreX - w / 2), 0.0, photoWidth - w);
    const double y = std::clamp(std::round(centreY - h / 2), 0.0, photoHeight - h);
    return {std::int32_t(x), std::int32_t(y), std::int32_t(w), std::int32_t(h)};
}

double ZoomOf(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
              std::int32_t yDim, const CropBox& crop) {
    const PrintLayout layout = LayOutPrint(photoWidth, photoHeight, xDim, yDim, true);
    if (!layout.shown() || crop.empty())
        return 1.0;
    return std::max(1.0, layout.paper.width / crop.width);
}

void LinePixelSize(const SelectedPhoto& photo, int product, std::int32_t& width,
                   std::int32_t& height) {
    width = photo.width;
    height = photo.height;
    const auto j = static_cast<std::size_t>(product);
    if (product >= 0 && j < photo.orderLines.size() && photo.orderLines[j].hasOwnCrop()) {
        width = photo.orderLines[j].crop.width;
        height = photo.orderLines[j].crop.height;
    }
}

bool TrimCutsTooMuch(std::int32_t photoWidth, std::int32_t photoHeight, std::int32_t xDim,
                     std::int32_t yDim) {
    if (xDim <= 0 || yDim <= 0 || photoWidth <= 0 || photoHeight <= 0)
        return false;
    int pw = 0, ph = 0;
    OrientPaper(photoWidth, photoHeight, xDim, yDim, pw, ph);
    // The kept share is the smaller of the two proportions over the larger:
    // W/H against PW/PH, cross-multiplied.
    const std::int64_t a = std::int64_t(photoWidth) * ph, b = std::int64_t(photoHeight) * pw;
    return 5 * std::min(a, b) < 4 * std::max(a, b);
}

std::string LineWarning(const SelectedPhoto& photo, int product, const ProductTable& table) {
    const auto j = static_cast<std::size_t>(product);
    if (product < 0 || product >= table.count() || j >= photo.orderLines.size() ||
        photo.orderLines[j].quantity <= 0)
        return {};
    const ProductInfo& info = table.products[j];
    const OrderLine& line = photo.orderLines[j];
    std::string text;
    std::int32_t width = 0, height = 0;
    LinePixelSize(photo, product, width, height);
    if (line.zoomTrim == 1) {
        // A chosen crop cuts away what lies outside it; else the centre crop.
        const PrintLayout layout =
            line.hasOwnCrop()
                ? LayOutCrop(photo.width, photo.height, info.xDim, info.yDim, line.crop)
                : LayOutPrint(photo.width, photo.height, info.xDim, info.yDim, true);
        const bool tooMuch =
            line.hasOwnCrop()
                ? 5 * std::int64_t(width) * height < 4 * std::int64_t(photo.width) * photo.height
                : TrimCutsTooMuch(photo.width, photo.height, info.xDim, info.yDim);
        if (tooMuch) {
            // Never "20%": that would not be more than a fifth.
            const long percent = std::max(21L, std::lround(layout.cutAway * 100));
            text = FillPlaceholders(Str(kStrTrimCuts), {std::to_string(percent)});
        }
    }
    if (RateQuality(width, height, info.xDim) == Quality::Poor) {
        if (!text.empty())
            text += '\n';
        text += Str(kStrPoorQuality);
    }
    return text;
}

std::string PrintSizeText(int widthMm, int heightMm) {
    return FillPlaceholders(Str(kStrPrintSize), {std::to_string(widthMm), std::to_string(heightMm),
                                                 Inches(widthMm), Inches(heightMm)});
}

std::string LayoutGapText(LayoutGap gap) {
    switch (gap) {
        case LayoutGap::NoProductSize:
            return Str(kStrNoProductSize);
        case LayoutGap::NoPhotoSize:
            return Str(kStrNoPhotoSize);
        case LayoutGap::None:
            break;
    }
    return {};
}

}  // namespace orlavo::wizard
