#include "wizard/transmission/SendUnits.h"

#include "common/TextRules.h"
#include "resources/WizardResources.h"

namespace orlavo::transmission {

std::vector<SendUnit> SendUnits(const wizard::OrderModel& order) {
    std::vector<SendUnit> units;
    const std::vector<wizard::SelectedPhoto>& photos = order.photos();
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const wizard::SelectedPhoto& photo = photos[i];
        if (photo.hasSharedLine())
            units.push_back({i, -1});
        for (std::size_t j = 0; j < photo.orderLines.size(); ++j) {
            if (photo.orderLines[j].hasOwnCrop())
                units.push_back({i, static_cast<int>(j)});
        }
    }
    return units;
}

wizard::SelectedPhoto UnitPhoto(const wizard::SelectedPhoto& photo, const SendUnit& unit) {
    wizard::SelectedPhoto copy = photo;
    for (std::size_t j = 0; j < copy.orderLines.size(); ++j) {
        wizard::OrderLine& line = copy.orderLines[j];
        const bool mine = unit.product < 0 ? !line.hasOwnCrop() : int(j) == unit.product;
        if (!mine)
            line.quantity = 0;
    }
    return copy;
}

std::string SentPhotosText(std::size_t count) {
    return FillPlaceholders(wizard::Str(count == 1 ? 3608 : 3607), {std::to_string(count)});
}

PhotoWork UnitWork(const wizard::SelectedPhoto& photo, const SendUnit& unit) {
    PhotoWork work;
    work.turn = photo.turn;
    const auto j = static_cast<std::size_t>(unit.product);
    if (unit.product >= 0 && j < photo.orderLines.size())
        work.crop = photo.orderLines[j].crop;
    return work;
}

}  // namespace orlavo::transmission
