#pragma once
// The shop menu of the details page: shops grouped by city, in the order of
// the shop list (sorted by city, so a city's shops stand together).

#include <string>
#include <vector>

#include "wizard/catalogue/ShopRecord.h"

namespace orlavo::wizard {

// A sub-menu titled with CITY holding the shops at these list positions; a
// group whose city is empty is offered in the menu itself, not in a
// sub-menu, so that a shop the lab lists without a city can still be chosen.
struct ShopMenuGroup {
    std::string city;
    std::vector<int> shops;
};

// A new sub-menu opens whenever a shop's city differs from the city of the
// sub-menu opened last; shops without a city join the top-level group.
std::vector<ShopMenuGroup> ShopMenuGroups(const ShopList& shops);

}  // namespace orlavo::wizard
