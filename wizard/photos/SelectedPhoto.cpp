#include "wizard/photos/SelectedPhoto.h"

#include <algorithm>

namespace orlavo::wizard {

bool SelectedPhoto::hasAnyLine() const {
    return std::any_of(orderLines.begin(), orderLines.end(),
                       [](const OrderLine& l) { return l.quantity > 0; });
}

bool SelectedPhoto::hasSharedLine() const {
    return std::any_of(orderLines.begin(), orderLines.end(),
                       [](const OrderLine& l) { return l.quantity > 0 && !l.hasOwnCrop(); });
}

CropBox TurnCrop(const CropBox& box, std::int32_t width, std::int32_t height, bool clockwise) {
    if (box.empty())
        return box;
    // Clockwise the left edge becomes the top and the bottom the left.
    if (clockwise)
        return {height - box.y - box.height, box.x, box.height, box.width};
    return {box.y, width - box.x - box.width, box.height, box.width};
}

}  // namespace orlavo::wizard
