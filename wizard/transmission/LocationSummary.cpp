#include "wizard/transmission/LocationSummary.h"

#include "common/TextRules.h"
#include "resources/WizardResources.h"
#include "wizard/photos/PhotoLocation.h"

namespace orlavo::transmission {

int PhotosWithLocation(const wizard::OrderModel& order) {
    int count = 0;
    for (const wizard::SelectedPhoto& photo : order.photos()) {
        if (photo.hasAnyLine() && wizard::PhotoHasLocation(photo.path))
            ++count;
    }
    return count;
}

std::string LocationText(int photos, bool removed) {
    if (photos <= 0)
        return wizard::Str(3660);
    const int id = removed ? (photos == 1 ? 3659 : 3658) : (photos == 1 ? 3662 : 3661);
    return FillPlaceholders(wizard::Str(id), {std::to_string(photos)});
}

}  // namespace orlavo::transmission
