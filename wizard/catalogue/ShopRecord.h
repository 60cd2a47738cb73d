#pragma once
// One shop where prints can be collected, as the catalogue lists it.

#include <string>
#include <string_view>
#include <vector>

namespace orlavo::wizard {

struct ShopRecord {
    std::string id;  // what the manifest receives as the chosen store
    std::string name;
    std::string address1;
    std::string address2;
    std::string city;
    std::string state;
    std::string postcode;
    std::string country;
    std::string phone;
    std::string storeid;  // the dealer's number, compared with the dealer key
};

// Kept sorted by city once loaded.
using ShopList = std::vector<ShopRecord>;

// Sorts by city, byte by byte as unsigned values: "Bath" < "York" < "bath".
// Shops of one city keep their document order.
void SortShopsByCity(ShopList& shops);

// Index of the first shop whose storeid equals DEALER_NUMBER byte for byte,
// or -1 (also for an empty list).
int FindShopByStoreId(const ShopList& shops, std::string_view dealerNumber);

}  // namespace orlavo::wizard
