// Exact line totals, and what the product lists and rows show of them.

#include <gtest/gtest.h>

#include <limits>

#include "common/NumberText.h"
#include "wizard/products/ProductLines.h"

using namespace orlavo::wizard;

// Each price is taken to the cent first, as the lab reckons it, so that a
// row, step 4's list and the subtotal always agree with the lab's quote.
TEST(LineTotal, PriceTimesQuantityInHundredths) {
    struct Case {
        const char* price;
        std::int64_t quantity;
        std::int64_t hundredths;
    };
    const Case cases[] = {
        {".25", 3, 75},
        {"0.45", 7, 315},
        {"1.10", 3, 330},  // 3.3000000000000003 in binary
        {"0.1", 3, 30},
        {"0.125", 3, 39},  // 0.13 each
        {"0.0049", 1, 0},
        {"2", 5, 1000},
        {"12.5 GBP", 2, 2500},
        {"  0.99", 100, 9900},
        {"0.99", 999999, 98999901},
        {"1.99", 1750, 348250},  // 175 photos x 10 prints
        {"12.49", 591, 738159},  // 197 photos x 3 prints
        {"", 5, 0},
        {"abc", 5, 0},
        {".", 5, 0},
        {"0.25", 0, 0},
        {"0.25", -4, 0},
        {"1234567890123456", 1, 0},  // no price
    };
    for (const Case& c : cases)
        EXPECT_EQ(orlavo::LineHundredths(c.price, c.quantity), c.hundredths)
            << c.price << " x " << c.quantity;
    EXPECT_EQ(orlavo::LineHundredths("999999999999", 999999999999),
              std::numeric_limits<std::int64_t>::max());
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
