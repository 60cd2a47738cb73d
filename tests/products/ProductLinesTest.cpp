// The product page's rules on the order, without windows.

#include <gtest/gtest.h>

#include "wizard/products/ProductLines.h"

using namespace orlavo::wizard;

namespace {

ProductTable Table() {
    ProductTable t;
    t.products = {{"6x4 in Gloss", ".25", 152}, {"7x5 in Matt", "0.45", 178}, {"Poster", "", 0}};
    t.currency = "GBP";
    return t;
}

OrderModel TwoPhotos() {
    OrderModel order(3);
    order.AddPhoto("/p/a.jpg", 0, 100, 1600, 1200);
    order.AddPhoto("/p/b.jpg", 0, 100, 0, 0);
    return order;
}

}  // namespace

TEST(ProductLines, AddToEveryPhotoReplacesTheQuantityAndKeepsOtherLines) {
    OrderModel order = TwoPhotos();
    order.SetQuantity(0, 1, 4);
    EXPECT_TRUE(AddToEveryPhoto(order, 0, 2));
    EXPECT_TRUE(AddToEveryPhoto(order, 0, 5));
    EXPECT_EQ(order.photos()[0].orderLines[0].quantity, 5);
    EXPECT_EQ(order.photos()[1].orderLines[0].quantity, 5);
    EXPECT_EQ(order.photos()[0].orderLines[1].quantity, 4);
    EXPECT_EQ(LineProducts(order.photos()[0]), (std::vector<int>{0, 1}));
    EXPECT_EQ(LineProducts(order.photos()[1]), (std::vector<int>{0}));
    // Nothing for a quantity below 1 or a product the catalogue does not have.
    EXPECT_FALSE(AddToEveryPhoto(order, 0, 0));
    EXPECT_FALSE(AddToEveryPhoto(order, 3, 1));
    EXPECT_FALSE(AddToEveryPhoto(order, -1, 1));
    EXPECT_EQ(order.photos()[0].orderLines[0].quantity, 5);
}

TEST(ProductLines, TypedQuantityIsItsLeadingNumber) {
    const std::pair<const char*, int> cases[] = {{"5", 5},
                                                 {"250", 250},
                                                 {"", 0},
                                                 {"abc", 0},
                                                 {"12abc", 12},
                                                 {"0", 0},
                                                 {"99999999999", 2147483647}};
    for (const auto& [text, quantity] : cases)
        EXPECT_EQ(QuantityFromText(text), quantity) << text;
    const std::vector<std::string> choices = QuantityChoices();
    ASSERT_EQ(choices.size(), 100u);
    EXPECT_EQ(choices.front(), "1");
    EXPECT_EQ(choices.back(), "100");
}

TEST(ProductLines, RowTextsShowUnitPriceWithCurrencyAndTheRating) {
    OrderModel order = TwoPhotos();
    order.SetQuantity(0, 0, 3);
    order.SetQuantity(0, 2, 1);
    order.SetQuantity(1, 0, 12);
    const ProductTable table = Table();
    const RowTexts a = MakeRowTexts(order.photos()[0], 0, table);
    EXPECT_EQ(a.quantity, "3");
    EXPECT_EQ(a.name, "6x4 in Gloss");
    EXPECT_EQ(a.price, "0.25 GBP");  // the unit price, not 3 x .25
    EXPECT_EQ(a.quality, "Fine");
    // A product without x_dim, and a photo whose size is not known, rate "Undefined".
    EXPECT_EQ(MakeRowTexts(order.photos()[0], 2, table).quality, "Undefined");
    EXPECT_EQ(MakeRowTexts(order.photos()[1], 0, table).quality, "Undefined");
    EXPECT_EQ(MakeRowTexts(order.photos()[1], 0, table).quantity, "12");
    // An index outside the catalogue shows nothing rather than failing.
    EXPECT_EQ(MakeRowTexts(order.photos()[0], 7, table).name, "");
}

TEST(ProductLines, SubtotalIsMoneyAndCurrency) {
    OrderModel order = TwoPhotos();
    const ProductTable table = Table();
    EXPECT_EQ(SubtotalText(order, table), "0.00 GBP");
    AddToEveryPhoto(order, 0, 3);
    EXPECT_EQ(SubtotalText(order, table), "1.50 GBP");
    // A product without a usable price counts 0.
    order.SetQuantity(0, 2, 4);
    EXPECT_EQ(SubtotalText(order, table), "1.50 GBP");
    order.SetQuantity(1, 1, 1);
    EXPECT_EQ(SubtotalText(order, table), "1.95 GBP");
}

TEST(ProductLines, PhotosWithoutPrintsNamesTheFirstThreeThenCountsTheRest) {
    const struct {
        int photos;
        std::vector<int> withPrints;  // indexes of photos given a line
        const char* text;
    } cases[] = {
        {1, {}, "p0.jpg"},
        {3, {}, "p0.jpg, p1.jpg, p2.jpg"},
        {4, {}, "p0.jpg, p1.jpg, p2.jpg and 1 more"},
        {9, {1}, "p0.jpg, p2.jpg, p3.jpg and 5 more"},
        {3, {0, 1, 2}, ""},
        {2, {0}, "p1.jpg"},
    };
    for (const auto& c : cases) {
        OrderModel order(2);
        for (int i = 0; i < c.photos; ++i)
            order.AddPhoto("/photos/p" + std::to_string(i) + ".jpg", 0, 100, 640, 480);
        for (int i : c.withPrints)
            order.SetQuantity(static_cast<std::size_t>(i), 1, 2);
        EXPECT_EQ(PhotosWithoutPrints(order), c.text) << c.photos;
    }
}

TEST(ProductLines, ZoomAndTrimAllSetsExistingLinesOnly) {
    OrderModel order = TwoPhotos();
    order.SetQuantity(0, 0, 1);
    order.SetQuantity(1, 1, 1);
    SetZoomTrimOfAllLines(order, true);
    EXPECT_EQ(order.zoomAndTrimAll(), 1);
    EXPECT_EQ(order.photos()[0].orderLines[0].zoomTrim, 1);
    EXPECT_EQ(order.photos()[1].orderLines[1].zoomTrim, 1);
    // A product not ordered stays undecided and settles when its line appears.
    EXPECT_EQ(order.photos()[0].orderLines[1].zoomTrim, 2);
    SetZoomTrimOfAllLines(order, false);
    EXPECT_EQ(order.photos()[0].orderLines[0].zoomTrim, 0);
    order.setZoomAndTrimAll(1);
    AddToEveryPhoto(order, 1, 2);
    EXPECT_EQ(order.photos()[0].orderLines[1].zoomTrim, 1);
    EXPECT_EQ(order.photos()[1].orderLines[1].zoomTrim, 0);  // it was decided already
}
