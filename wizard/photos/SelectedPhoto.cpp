#include "wizard/photos/SelectedPhoto.h"

#include <algorithm>

namespace orlavo::wizard {

bool SelectedPhoto::hasAnyLine() const {
    return std::any_of(orderLines.begin(), orderLines.end(),
                       [](const OrderLine& l) { return l.quantity > 0; });
}

}  // namespace orlavo::wizard
