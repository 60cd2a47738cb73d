#include "wizard/customer/ShopMenu.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

ShopList Shops(std::initializer_list<const char*> cities) {
    ShopList shops;
    for (const char* city : cities) {
        ShopRecord s;
        s.city = city;
        s.name = std::string("Shop in ") + city;
        shops.push_back(s);
    }
    return shops;
}

TEST(ShopMenuGroups, NeighbouringShopsOfOneCityShareASubMenu) {
    const std::vector<ShopMenuGroup> groups = ShopMenuGroups(Shops({"Bath", "Bath", "York"}));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].city, "Bath");
    EXPECT_EQ(groups[0].shops, (std::vector<int>{0, 1}));
    EXPECT_EQ(groups[1].city, "York");
    EXPECT_EQ(groups[1].shops, (std::vector<int>{2}));
}

TEST(ShopMenuGroups, ShopsWithoutACityAreOfferedInTheMenuItself) {
    const std::vector<ShopMenuGroup> groups = ShopMenuGroups(Shops({"", "", "Leeds"}));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].city, "");
    EXPECT_EQ(groups[0].shops, (std::vector<int>{0, 1}));
    EXPECT_EQ(groups[1].city, "Leeds");
    EXPECT_TRUE(ShopMenuGroups({}).empty());
}

TEST(ShopMenuGroups, ACityIsComparedWithTheSubMenuOpenedLast) {
    // A narrowed or unsorted list: the shop without a city opens no sub-menu,
    // so the York shop after it joins the York sub-menu.
    const std::vector<ShopMenuGroup> groups = ShopMenuGroups(Shops({"York", "", "York", "bath"}));
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].shops, (std::vector<int>{0, 2}));
    EXPECT_EQ(groups[1].shops, (std::vector<int>{1}));
    EXPECT_EQ(groups[2].city, "bath");
}

}  // namespace
}  // namespace orlavo::wizard
