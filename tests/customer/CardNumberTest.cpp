#include "wizard/customer/CardNumber.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

TEST(CardNumberDigits, DropsOnlyTheBlanksAndDashesBetweenGroups) {
    EXPECT_EQ(CardNumberDigits("4111 1111-1111 1111"), "4111111111111111");
    EXPECT_EQ(CardNumberDigits("4111 x111"), "4111x111");
    EXPECT_EQ(CardNumberDigits(""), "");
}

TEST(GroupCardDigits, ShowsAtMostNineteenDigitsInGroupsOfFour) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"4", "4"},
        {"4111", "4111"},
        {"41111", "4111 1"},
        {"4111-1111-1111-1111", "4111 1111 1111 1111"},
        {"378282246310005", "3782 8224 6310 005"},
        {"41111111111111111111111", "4111 1111 1111 1111 111"},
        {"4a1 1\t1", "4111"},
        {"١٢٣", ""},  // only the digits 0 to 9 are card digits
    };
    for (const auto& [typed, shown] : cases) {
        EXPECT_EQ(GroupCardDigits(typed), shown) << typed;
    }
}

TEST(GroupedCursor, StaysBehindTheDigitItFollowed) {
    // "4111 1111 1111 1111": after 4 digits before the blank, after 5 behind the fifth.
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {4, 4}, {5, 6}, {8, 9}, {9, 11}, {19, 23}};
    for (const auto& [digits, position] : cases) {
        EXPECT_EQ(GroupedCursor(digits), position) << digits;
    }
}

}  // namespace
}  // namespace orlavo::wizard
