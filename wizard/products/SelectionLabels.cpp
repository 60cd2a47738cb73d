#include "wizard/products/SelectionLabels.h"

#include <charconv>
#include <cmath>

#include "resources/WizardResources.h"

namespace orlavo::wizard {

namespace {

constexpr int kStrKB = 150;
constexpr int kStrMB = 151;
constexpr int kStrPhotoSelected = 143;
constexpr int kStrPhotosSelected = 144;
constexpr int kStrInCurrentDirectory = 174;

std::string FixedTwo(double value) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0.00");
}

std::string ReplaceNumber(std::string pattern, long long value) {
    const std::size_t at = pattern.find("%d");
    if (at != std::string::npos) {
        pattern.replace(at, 2, std::to_string(value));
    }
    return pattern;
}

}  // namespace

std::string SizeLabelText(std::uint64_t selectedBytes) {
    if (selectedBytes > 1024000u) {
        return " " + FixedTwo(static_cast<double>(selectedBytes) / 1048576.0) + " " + Str(kStrMB);
    }
    const long long kb = std::llround(static_cast<double>(selectedBytes) / 1024.0);
    return " " + std::to_string(kb) + " " + Str(kStrKB);
}

std::string CountLabelText(int selectedCount, int checkedInFolder) {
    return " " + std::to_string(selectedCount) + " " +
           Str(selectedCount == 1 ? kStrPhotoSelected : kStrPhotosSelected) +
           ReplaceNumber(Str(kStrInCurrentDirectory), checkedInFolder);
}

}  // namespace orlavo::wizard
