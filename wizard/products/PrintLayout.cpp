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
    std::string text;
    if (photo.orderLines[j].zoomTrim == 1 &&
        TrimCutsTooMuch(photo.width, photo.height, info.xDim, info.yDim)) {
        const PrintLayout layout =
            LayOutPrint(photo.width, photo.height, info.xDim, info.yDim, true);
        // Never "20%": that would not be more than a fifth.
        const long percent = std::max(21L, std::lround(layout.cutAway * 100));
        text = FillPlaceholders(Str(kStrTrimCuts), {std::to_string(percent)});
    }
    if (RateQuality(photo.width, photo.height, info.xDim) == Quality::Poor) {
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
