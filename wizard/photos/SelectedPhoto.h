#pragma once
// One selected photo of the order and its lines, one per catalogue product.

#include <cstdint>
#include <string>
#include <vector>

namespace orlavo::wizard {

// The line of one product for one photo. A line exists when quantity > 0.
struct OrderLine {
    std::int32_t quantity = 0;
    std::int32_t zoomTrim = 2;  // 0 off, 1 on, 2 undecided
};

struct SelectedPhoto {
    std::string path;                   // identifies the photo, byte for byte
    std::int32_t contentTypeIndex = 0;  // 0 "image/pjpeg"
    std::uint64_t fileSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<OrderLine> orderLines;  // entry j belongs to catalogue product j
    std::int32_t thumbWidth = 92;
    std::int32_t thumbHeight = 92;

    bool hasAnyLine() const;
};

}  // namespace orlavo::wizard
