#include "wizard/catalogue/ShopRecord.h"

#include <algorithm>
#include <cstring>

namespace orlavo::wizard {

namespace {

// memcmp compares as unsigned bytes, whatever the signedness of char.
bool CityBefore(const ShopRecord& a, const ShopRecord& b) {
    const std::size_t n = std::min(a.city.size(), b.city.size());
    const int c = n == 0 ? 0 : std::memcmp(a.city.data(), b.city.data(), n);
    return c < 0 || (c == 0 && a.city.size() < b.city.size());
}

}  // namespace

void SortShopsByCity(ShopList& shops) {
    std::stable_sort(shops.begin(), shops.end(), CityBefore);
}

int FindShopByStoreId(const ShopList& shops, std::string_view dealerNumber) {
    for (std::size_t i = 0; i < shops.size(); ++i) {
        if (shops[i].storeid == dealerNumber) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace orlavo::wizard
