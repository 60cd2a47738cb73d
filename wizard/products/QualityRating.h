#pragma once
// How well a photo's pixels fill a print: its long side against the print's
// x_dim in millimetres, in pixels per inch.

#include <cstdint>
#include <string>

namespace orlavo::wizard {

enum class Quality { Undefined, Excellent, Fine, Medium, Poor };

// L x 254 / (X x 10) rounded half away from zero, L the longer of WIDTH and
// HEIGHT, X the product's x_dim. Nothing meaningful when L x X is 0.
std::int64_t QualityResolution(std::int32_t width, std::int32_t height, std::int32_t xDim);

// Over 300 Excellent, 151-300 Fine, 101-150 Medium, up to 100 Poor;
// Undefined when the size or the x_dim is 0.
Quality RateQuality(std::int32_t width, std::int32_t height, std::int32_t xDim);

// The string numbers 125 to 129 ("Undefined", "Excellent", "Fine", "Medium", "Poor").
int QualityStringId(Quality quality);
std::string QualityText(Quality quality);

}  // namespace orlavo::wizard
