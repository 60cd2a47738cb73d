#include "wizard/products/QualityRating.h"

#include <algorithm>
#include <cmath>

#include "resources/WizardResources.h"

namespace orlavo::wizard {

std::int64_t QualityResolution(std::int32_t width, std::int32_t height, std::int32_t xDim) {
    const std::int64_t longSide = std::max(width, height);
    if (longSide * xDim == 0) {
        return 0;
    }
    return std::llround(static_cast<double>(longSide) * 254.0 / (static_cast<double>(xDim) * 10.0));
}

Quality RateQuality(std::int32_t width, std::int32_t height, std::int32_t xDim) {
    const std::int64_t longSide = std::max(width, height);
    if (longSide * xDim == 0) {
        return Quality::Undefined;
    }
    const std::int64_t r = QualityResolution(width, height, xDim);
    if (r > 300) {
        return Quality::Excellent;
    }
    if (r > 150) {
        return Quality::Fine;
    }
    if (r > 100) {
        return Quality::Medium;
    }
    return Quality::Poor;
}

int QualityStringId(Quality quality) {
    switch (quality) {
        case Quality::Excellent:
            return 126;
        case Quality::Fine:
            return 127;
        case Quality::Medium:
            return 128;
        case Quality::Poor:
            return 129;
        case Quality::Undefined:
            break;
    }
    return 125;
}

std::string QualityText(Quality quality) {
    return Str(QualityStringId(quality));
}

}  // namespace orlavo::wizard
