// Exact line totals, and what the product lists and rows show of them.

#include <gtest/gtest.h>

#include <limits>

#include "wizard/products/LineTotal.h"
#include "wizard/products/ProductLines.h"

using namespace orlavo::wizard;

TEST(LineTotal, PriceTimesQuantityInHundredths) {
    struct Case {
        const char* price;
        std::int64_t quantity;
        std::int64_t minor;
    };
    const Case cases[] = {
        {".25", 3, 75},
        {"0.45", 7, 315},
        {"1.10", 3, 330},  // 3.3000000000000003 in binary
        {"0.1", 3, 30},
        {"0.125", 3, 38},  // 0.375: halves away from zero
        {"0.125", 2, 25},
        {"0.0049", 1, 0},
        {"2", 5, 1000},
        {"12.5 GBP", 2, 2500},
        {"  0.99", 100, 9900},
        {"0.99", 999999, 98999901},
        {"0.3333333333333", 3, 100},  // past nine decimals: ignored
        {"", 5, 0},
        {"abc", 5, 0},
        {".", 5, 0},
        {"-0.25", 2, 0},
        {"0.25", 0, 0},
        {"0.25", -4, 0},
        {"1234567890123456", 1, 0},  // past 15 whole digits
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineTotalMinor(c.price, c.quantity), c.minor) << c.price << " x " << c.quantity;
}

TEST(LineTotal, LargeTotalsStayExactAndNeverWrap) {
    EXPECT_EQ(LineTotalMinor("999999999999999.99", 1), 99999999999999999);
    EXPECT_EQ(LineTotalMinor("999999999999999", 999999), std::numeric_limits<std::int64_t>::max());
}

TEST(LineTotal, MinorUnitsAreWrittenAsAmounts) {
    EXPECT_EQ(MinorUnitsText(0), "0.00");
    EXPECT_EQ(MinorUnitsText(5), "0.05");
    EXPECT_EQ(MinorUnitsText(50), "0.50");
    EXPECT_EQ(MinorUnitsText(1250), "12.50");
    EXPECT_EQ(MinorUnitsText(-150), "-1.50");
    EXPECT_EQ(MinorUnitsText(std::numeric_limits<std::int64_t>::min()), "-92233720368547758.08");
}

TEST(LineTotal, RowsShowTheLineTotalAndListsTheUnitPrice) {
    ProductTable table;
    table.products = {{"6x4 in Gloss", ".25", 152}, {"Poster", "", 0}};
    table.currency = "GBP";
    OrderModel order(2);
    order.AddPhoto("/p/a.jpg", 0, 100, 1600, 1200);
    order.SetQuantity(0, 0, 3);
    order.SetQuantity(0, 1, 2);
    const RowTexts priced = MakeRowTexts(order.photos()[0], 0, table);
    EXPECT_EQ(priced.price, "0.25 GBP");
    EXPECT_EQ(priced.total, "0.75 GBP");
    EXPECT_EQ(MakeRowTexts(order.photos()[0], 1, table).total, "0.00 GBP");
    EXPECT_EQ(ProductChoiceText(table.products[0], "GBP"), "6x4 in Gloss - 0.25 GBP");
    EXPECT_EQ(ProductChoiceText(table.products[1], "GBP"), "Poster");
}

TEST(LineTotal, OnlyAQuantityRisingPastOneHundredIsAskedAbout) {
    EXPECT_FALSE(AskBeforeQuantity(0, 100));
    EXPECT_TRUE(AskBeforeQuantity(0, 101));
    EXPECT_TRUE(AskBeforeQuantity(100, 101));
    EXPECT_TRUE(AskBeforeQuantity(5, 99999));
    EXPECT_FALSE(AskBeforeQuantity(101, 102));  // asked when it went past
    EXPECT_FALSE(AskBeforeQuantity(250, 3));
}
