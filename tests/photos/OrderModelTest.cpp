#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "wizard/photos/MoveWithin.h"
#include "wizard/photos/OrderModel.h"

using namespace orlavo::wizard;

namespace {

// Keeps an image list the way the photo page does: entry 0 the placeholder.
class ThumbnailList : public OrderModel::Observer {
public:
    std::vector<std::string> images{"placeholder"};
    const OrderModel* model = nullptr;
    void photoAdded(std::size_t i) override {
        images.insert(images.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      "thumb:" + model->photos()[i].path);
    }
    void photoRemoved(std::size_t i) override {
        images.erase(images.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
    void allRemoved() override { images.resize(1); }
    void photoMoved(std::size_t from, std::size_t to) override {
        MoveWithin(images, from + 1, to + 1);
    }
};

class Order : public ::testing::Test {
protected:
    Order() : model(4) {
        thumbs.model = &model;
        model.setObserver(&thumbs);
    }
    void Add(const std::string& path, std::uint64_t size = 1000) {
        model.AddPhoto(path, 0, size, 1600, 1200);
    }
    void ExpectInStep() const {
        ASSERT_EQ(thumbs.images.size(), model.PhotoCount() + 1);
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < model.PhotoCount(); ++i) {
            EXPECT_EQ(thumbs.images[i + 1], "thumb:" + model.photos()[i].path);
            EXPECT_EQ(model.photos()[i].orderLines.size(), 4u);
            sum += model.photos()[i].fileSize;
        }
        EXPECT_EQ(model.selectedBytes(), sum);
    }
    OrderModel model;
    ThumbnailList thumbs;
};

std::string PriceOf(int) {
    return "0.10";
}

}  // namespace

TEST_F(Order, NewPhotoHasEveryLineEmptyAndUndecided) {
    Add("/p/a.jpg", 123);
    const SelectedPhoto p = model.PhotoAt(0);
    EXPECT_EQ(p.path, "/p/a.jpg");
    EXPECT_EQ(p.contentTypeIndex, 0);
    EXPECT_EQ(p.fileSize, 123u);
    EXPECT_EQ(p.width, 1600);
    EXPECT_EQ(p.height, 1200);
    EXPECT_EQ(p.thumbWidth, 92);
    EXPECT_EQ(p.thumbHeight, 92);
    ASSERT_EQ(p.orderLines.size(), 4u);
    for (const OrderLine& l : p.orderLines) {
        EXPECT_EQ(l.quantity, 0);
        EXPECT_EQ(l.zoomTrim, 2);
    }
    EXPECT_FALSE(model.HasAnyLine());
    ExpectInStep();
}

TEST_F(Order, PhotoAtGivesAnIndependentCopy) {
    Add("/a.jpg");
    SelectedPhoto copy = model.PhotoAt(0);
    copy.orderLines[1].quantity = 9;
    EXPECT_EQ(model.photos()[0].orderLines[1].quantity, 0);
    EXPECT_EQ(model.PhotoAt(5).path, "");
}

TEST_F(Order, SamePathIsNeverAddedTwice) {
    Add("/a.jpg", 10);
    Add("/A.jpg", 20);  // another file: paths compare case-sensitively
    EXPECT_EQ(model.AddPhoto("/a.jpg", 0, 10, 1, 1), 0u);
    EXPECT_EQ(model.PhotoCount(), 2u);
    EXPECT_EQ(model.selectedBytes(), 30u);
    ExpectInStep();
}

TEST_F(Order, RemovingKeepsLaterPhotosAndThumbnailsInStep) {
    Add("/a.jpg", 1);
    Add("/b.jpg", 2);
    Add("/c.jpg", 4);
    model.SetQuantity(2, 3, 5);
    ASSERT_TRUE(model.RemovePhotoAt(1));
    EXPECT_EQ(model.PhotoCount(), 2u);
    EXPECT_EQ(model.photos()[1].path, "/c.jpg");
    EXPECT_EQ(model.photos()[1].orderLines[3].quantity, 5);
    EXPECT_EQ(thumbs.images[2], "thumb:/c.jpg");
    EXPECT_EQ(model.selectedBytes(), 5u);
    EXPECT_FALSE(model.RemovePhotoAt(2));
    ExpectInStep();
    EXPECT_EQ(model.IndexOfPath("/c.jpg"), 1);
    EXPECT_EQ(model.IndexOfPath("/b.jpg"), -1);
}

TEST_F(Order, MovingAPhotoTakesItsLinesAndKeepsTheRestInOrder) {
    for (const char* p : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"})
        Add(p);
    model.SetQuantity(0, 1, 7);
    struct Case {
        std::size_t from, to;
        const char* order;
    } cases[] = {{0, 2, "bcad"}, {3, 0, "dbca"}, {1, 1, "dbca"}, {2, 3, "dbac"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(model.MovePhoto(c.from, c.to));
        std::string order;
        for (const SelectedPhoto& p : model.photos())
            order += p.path[1];
        EXPECT_EQ(order, c.order);
        ExpectInStep();
    }
    EXPECT_EQ(model.photos()[model.IndexOfPath("/a.jpg")].orderLines[1].quantity, 7);
    EXPECT_FALSE(model.MovePhoto(4, 0));
    EXPECT_FALSE(model.MovePhoto(0, 4));
}

TEST_F(Order, ReselectingARemovedPhotoGivesFreshLines) {
    Add("/a.jpg");
    model.SetQuantity(0, 1, 3);
    model.SetZoomTrim(0, 1, 1);
    model.RemovePhotoAt(0);
    Add("/a.jpg");
    ASSERT_EQ(model.PhotoCount(), 1u);
    EXPECT_EQ(model.photos()[0].orderLines[1].quantity, 0);
    EXPECT_EQ(model.photos()[0].orderLines[1].zoomTrim, 2);
}

TEST_F(Order, RemoveAllEmptiesEverything) {
    Add("/a.jpg", 5);
    Add("/b.jpg", 6);
    model.RemoveAll();
    EXPECT_EQ(model.PhotoCount(), 0u);
    EXPECT_EQ(model.selectedBytes(), 0u);
    EXPECT_EQ(thumbs.images, std::vector<std::string>{"placeholder"});
}

TEST_F(Order, SelectedBytesDoesNotWrapPastFourGiB) {
    Add("/a.jpg", 3'000'000'000u);
    Add("/b.jpg", 3'000'000'000u);
    EXPECT_EQ(model.selectedBytes(), 6'000'000'000u);
    model.RemovePhotoAt(0);
    EXPECT_EQ(model.selectedBytes(), 3'000'000'000u);
}

TEST_F(Order, QuantitiesAndZoomTrim) {
    Add("/a.jpg");
    EXPECT_TRUE(model.SetQuantity(0, 2, 250));  // typed numbers have no upper limit
    EXPECT_EQ(model.photos()[0].orderLines[2].quantity, 250);
    EXPECT_TRUE(model.HasAnyLine());
    EXPECT_TRUE(model.SetQuantity(0, 2, 0));
    EXPECT_FALSE(model.HasAnyLine());
    EXPECT_TRUE(model.SetQuantity(0, 2, -4));
    EXPECT_EQ(model.photos()[0].orderLines[2].quantity, 0);
    EXPECT_TRUE(model.SetZoomTrim(0, 0, 1));
    EXPECT_EQ(model.photos()[0].orderLines[0].zoomTrim, 1);
    EXPECT_FALSE(model.SetQuantity(1, 0, 1));
    EXPECT_FALSE(model.SetQuantity(0, 4, 1));
    EXPECT_FALSE(model.SetQuantity(0, -1, 1));
    EXPECT_FALSE(model.SetZoomTrim(0, 4, 1));
}

TEST_F(Order, HasAnyLineLooksAtTheWholeOrder) {
    Add("/a.jpg");
    Add("/b.jpg");
    model.SetQuantity(1, 0, 1);
    EXPECT_TRUE(model.HasAnyLine());
}

TEST_F(Order, DefaultLineGoesOnlyToPhotosWithoutLines) {
    Add("/a.jpg");
    Add("/b.jpg");
    model.SetQuantity(0, 3, 7);
    model.ApplyDefaultLine(1, 2);
    EXPECT_EQ(model.photos()[0].orderLines[1].quantity, 0);
    EXPECT_EQ(model.photos()[0].orderLines[3].quantity, 7);
    EXPECT_EQ(model.photos()[1].orderLines[1].quantity, 2);

    // Back to step 1, a new photo, forward again: only the new one gets it.
    Add("/c.jpg");
    model.ApplyDefaultLine(0, 1);
    EXPECT_EQ(model.photos()[1].orderLines[0].quantity, 0);
    EXPECT_EQ(model.photos()[1].orderLines[1].quantity, 2);
    EXPECT_EQ(model.photos()[2].orderLines[0].quantity, 1);
}

TEST_F(Order, NoDefaultLineForMinusOneOrAProductOutsideTheCatalogue) {
    Add("/a.jpg");
    for (int product : {-1, 4, 100, -7}) {
        model.ApplyDefaultLine(product, 1);
        EXPECT_FALSE(model.HasAnyLine()) << product;
    }
    model.ApplyDefaultLine(0, 0);  // quantity 0 is no line either
    EXPECT_FALSE(model.HasAnyLine());
}

TEST_F(Order, SubtotalOfTenthsIsExact) {
    // Three lines of 0.10, and 1 x 0.10 + 6 x 0.10: binary fractions would
    // give 0.3000000119 and 0.6999999881.
    Add("/a.jpg");
    Add("/b.jpg");
    Add("/c.jpg");
    for (std::size_t i = 0; i < 3; ++i) {
        model.SetQuantity(i, 0, 1);
    }
    EXPECT_EQ(model.Subtotal(PriceOf), 30);
    model.SetQuantity(0, 0, 0);
    model.SetQuantity(1, 0, 1);
    model.SetQuantity(2, 0, 6);
    EXPECT_EQ(model.Subtotal(PriceOf), 70);
}

TEST(OrderModel, SubtotalOfLargeOrdersIsExactToTheCent) {
    // PHOTOS photos, each with QUANTITY prints at PRICE.
    const struct {
        int photos;
        std::int32_t quantity;
        const char* price;
        std::int64_t hundredths;
    } cases[] = {
        {175, 10, "1.99", 348250},  // a float sum shows 3482.49
        {197, 3, "12.49", 738159},  // a float sum shows 7381.61
        {197, 100, "0.10", 197000},
        {197, 999, "0.33", 6494499},
        {197, 250, "19.99", 98450750},
        {197, 2147483647, "99.99", 4230119730311541},
        {1, 7, ".25", 175},
        {2, 3, "1.999", 1200},    // counts as 2.00
        {2, 1, "0.125", 26},      // counts as 0.13
        {3, 1, "0.124", 36},      // counts as 0.12
        {1, 4, "2.5 GBP", 1000},  // the leading number
        {4, 2, "free", 0},
    };
    for (const auto& c : cases) {
        OrderModel model(1);
        for (int i = 0; i < c.photos; ++i) {
            model.AddPhoto("/p" + std::to_string(i) + ".jpg", 0, 1000, 1600, 1200);
            model.SetQuantity(static_cast<std::size_t>(i), 0, c.quantity);
        }
        EXPECT_EQ(model.Subtotal([&](int) { return std::string(c.price); }), c.hundredths)
            << c.photos << " x " << c.quantity << " at " << c.price;
    }
}

TEST_F(Order, SubtotalReadsPricesByTheirLeadingNumber) {
    Add("/a.jpg");
    Add("/b.jpg");
    for (std::size_t i = 0; i < 2; ++i) {
        model.SetQuantity(i, 0, 3);  // ".25"
        model.SetQuantity(i, 1, 1);  // "2 GBP"
        model.SetQuantity(i, 2, 5);  // "free"
    }
    const std::map<int, std::string> prices{{0, ".25"}, {1, "2 GBP"}, {2, "free"}, {3, "9"}};
    EXPECT_EQ(model.Subtotal([&](int j) { return prices.at(j); }), 550);
    EXPECT_EQ(model.Subtotal([](int) { return std::string("nan"); }), 0);
}

TEST(OrderModel, SubtotalSaturatesInsteadOfOverflowing) {
    OrderModel model(1);
    for (int i = 0; i < 197; ++i) {
        model.AddPhoto("/p" + std::to_string(i) + ".jpg", 0, 1000, 1600, 1200);
        model.SetQuantity(static_cast<std::size_t>(i), 0, 2147483647);
    }
    EXPECT_EQ(model.Subtotal([](int) { return std::string("999999999999.99"); }), INT64_MAX);
}

TEST(OrderModel, ProductCountChangeResizesLines) {
    OrderModel model(2);
    model.AddPhoto("/a.jpg", 0, 1, 1, 1);
    model.setProductCount(5);
    EXPECT_EQ(model.photos()[0].orderLines.size(), 5u);
    EXPECT_TRUE(model.SetQuantity(0, 4, 1));
}

TEST(LeadingNumber, ReadsTheLeadingDecimalNumber) {
    EXPECT_DOUBLE_EQ(LeadingNumber("0.35"), 0.35);
    EXPECT_DOUBLE_EQ(LeadingNumber(".35"), 0.35);
    EXPECT_DOUBLE_EQ(LeadingNumber("  1.5 GBP"), 1.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("+2"), 2.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-2"), -2.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e2"), 100.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1,50"), 1.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("GBP 2"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("inf"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e999"), 0.0);
}

TEST(LeadingHundredths, ReadsTheLeadingNumberInWholeHundredths) {
    const struct {
        const char* text;
        std::int64_t hundredths;
    } cases[] = {
        {"0.25", 25},         {".25", 25},     {"12", 1200},
        {"12.", 1200},        {"1.5", 150},    {"  1.5 GBP", 150},
        {"+2", 200},          {"-0.65", -65},  {"0.05", 5},
        {"0.005", 1},         {"0.0049", 0},   {"1.999", 200},
        {"0.125", 13},        {"-0.125", -13}, {"1e2", 10000},
        {"1.25e-1", 13},      {"1,50", 100},   {"", 0},
        {"GBP 2", 0},         {".", 0},        {"inf", 0},
        {"nan", 0},           {"1e999", 0},    {"999999999999.99", 99999999999999},
        {"1000000000000", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeadingHundredths(c.text), c.hundredths) << '"' << c.text << '"';
}

TEST_F(Order, UndecidedZoomTrimSettlesOnceToZoomAndTrimAll) {
    Add("/a.jpg");
    model.setZoomAndTrimAll(1);
    EXPECT_EQ(model.SettleZoomTrim(0, 2), 1);
    model.setZoomAndTrimAll(0);
    EXPECT_EQ(model.SettleZoomTrim(0, 2), 1);  // decided already
    EXPECT_EQ(model.SettleZoomTrim(0, 3), 0);
    model.SetZoomTrim(0, 3, 1);
    EXPECT_EQ(model.SettleZoomTrim(0, 3), 1);
    EXPECT_EQ(model.SettleZoomTrim(1, 0), 0);
    EXPECT_EQ(model.photos()[0].orderLines[0].zoomTrim, 2);
}

TEST(OrderChecks, StepOneTakesOneTo197Photos) {
    EXPECT_EQ(StepOneRefusal(0), 160);
    EXPECT_EQ(StepOneRefusal(1), 0);
    EXPECT_EQ(StepOneRefusal(197), 0);
    EXPECT_EQ(StepOneRefusal(198), 166);
}

TEST(OrderChecks, StepTwoNeedsOneLineInTheWholeOrder) {
    OrderModel model(2);
    model.AddPhoto("/a.jpg", 0, 1, 1, 1);
    model.AddPhoto("/b.jpg", 0, 1, 1, 1);
    EXPECT_EQ(StepTwoRefusal(model), 145);
    model.SetQuantity(1, 1, 1);
    EXPECT_EQ(StepTwoRefusal(model), 0);
}

TEST_F(Order, ATurnBelongsToThePhotoAndItsCropsTurnWithIt) {
    Add("/a.jpg");  // 1600 x 1200
    model.SetQuantity(0, 1, 1);
    model.SetZoomTrim(0, 1, 1);
    ASSERT_TRUE(model.SetCrop(0, 1, {100, 200, 400, 300}));
    ASSERT_TRUE(model.TurnPhoto(0, true));
    SelectedPhoto p = model.PhotoAt(0);
    EXPECT_EQ(p.turn, 90);
    EXPECT_EQ(p.width, 1200);
    EXPECT_EQ(p.height, 1600);
    // Clockwise: the crop's left edge (x 100) becomes its top, its bottom
    // (y 500) its left, at 1200 - 500 = 700.
    EXPECT_EQ(p.orderLines[1].crop, (CropBox{700, 100, 300, 400}));
    ASSERT_TRUE(model.TurnPhoto(0, false));
    EXPECT_EQ(model.PhotoAt(0).orderLines[1].crop, (CropBox{100, 200, 400, 300}));
    EXPECT_EQ(model.PhotoAt(0).turn, 0);
    for (int i = 0; i < 3; ++i)
        model.TurnPhoto(0, false);
    EXPECT_EQ(model.PhotoAt(0).turn, 90);
    model.TurnPhoto(0, false);
    EXPECT_EQ(model.PhotoAt(0).orderLines[1].crop, (CropBox{100, 200, 400, 300}));
    EXPECT_EQ(model.PhotoAt(0).width, 1600);
    EXPECT_FALSE(model.TurnPhoto(3, true));
}

TEST_F(Order, ACropStaysInsideThePhotoAndCountsOnlyWithZoomAndTrim) {
    Add("/a.jpg");  // 1600 x 1200
    model.SetQuantity(0, 0, 1);
    model.SetZoomTrim(0, 0, 1);
    model.SetCrop(0, 0, {1500, -20, 400, 300});
    EXPECT_EQ(model.PhotoAt(0).orderLines[0].crop, (CropBox{1500, 0, 100, 300}));
    EXPECT_TRUE(model.PhotoAt(0).orderLines[0].hasOwnCrop());
    EXPECT_FALSE(model.PhotoAt(0).hasSharedLine());
    model.SetZoomTrim(0, 0, 0);
    EXPECT_FALSE(model.PhotoAt(0).orderLines[0].hasOwnCrop());
    EXPECT_TRUE(model.PhotoAt(0).hasSharedLine());
    model.SetCrop(0, 0, {});
    EXPECT_TRUE(model.PhotoAt(0).orderLines[0].crop.empty());
    EXPECT_FALSE(model.SetCrop(0, 9, {0, 0, 1, 1}));
}
