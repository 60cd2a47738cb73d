#include "wizard/customer/ShopMenu.h"

namespace orlavo::wizard {

std::vector<ShopMenuGroup> ShopMenuGroups(const ShopList& shops) {
    std::vector<ShopMenuGroup> groups;
    int topLevel = -1;
    int lastOpened = -1;
    for (std::size_t i = 0; i < shops.size(); ++i) {
        const std::string& city = shops[i].city;
        int& target = city.empty() ? topLevel : lastOpened;
        if (target < 0 ||
            (!city.empty() && groups[static_cast<std::size_t>(target)].city != city)) {
            groups.push_back({city, {}});
            target = static_cast<int>(groups.size()) - 1;
        }
        groups[static_cast<std::size_t>(target)].shops.push_back(static_cast<int>(i));
    }
    return groups;
}

}  // namespace orlavo::wizard
