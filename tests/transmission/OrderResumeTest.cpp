#include "wizard/transmission/OrderResume.h"

#include <gtest/gtest.h>

#include <ctime>

#include "tests/transmission/OrderSample.h"
#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {
namespace {

// Seconds since 1970 of noon on DAY.MONTH.YEAR, local time.
std::int64_t Noon(int day, int month, int year) {
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

class OrderResumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(samples::LoadSample(docs));
        ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
        order.setProductCount(docs.GetProductCount());
        for (int i = 0; i < 3; ++i) {
            const std::string path =
                folder.write("p" + std::to_string(i) + ".jpg", test::PatternBytes(100 + i));
            order.AddPhoto(path, 0, 100 + static_cast<std::uint64_t>(i), 640, 480);
            order.SetQuantity(static_cast<std::size_t>(i), i, i + 1);
        }
        journal = NewJournal("ABCDEFGHIJKLMNO", "", "http://lab/upload", 1, docs, order);
    }
    std::vector<std::optional<FileStamp>> stamps() const {
        std::vector<std::optional<FileStamp>> s;
        for (const JournalPhoto& p : journal.photos)
            s.push_back(FileStamp{p.size, p.modifiedNs});
        return s;
    }

    test::TempDir folder;
    wizard::CXmlDocuments docs;
    wizard::OrderModel order;
    OrderJournal journal;
};

TEST_F(OrderResumeTest, PlanSendsWhatTheLabLacksAndWhatChangedSince) {
    journal.photos[0].accepted = true;
    journal.photos[1].accepted = true;
    const wizard::CustomerDetails same = samples::Customer();  // card data is not compared
    wizard::CustomerDetails moved = same;
    moved.shippingCity = "Lyon";
    const struct {
        const char* name;
        std::function<void(std::vector<std::optional<FileStamp>>&)> disk;
        wizard::CustomerDetails details;
        std::optional<std::string> dealer;
        std::vector<int> numbers;
        std::vector<int> changed;
        bool detailsChanged;
    } cases[] = {
        {"as it was", {}, same, std::nullopt, {3}, {}, false},
        {"sent photo grew",
         [](auto& s) { s[0]->size += 1; },
         same,
         std::nullopt,
         {1, 3},
         {1},
         false},
        {"sent photo touched",
         [](auto& s) { s[1]->modifiedNs += 1; },
         same,
         std::nullopt,
         {2, 3},
         {2},
         false},
        {"unsent photo changed",
         [](auto& s) { s[2]->size = 5; },
         same,
         std::nullopt,
         {3},
         {},
         false},
        {"other address", {}, moved, std::nullopt, {1, 2, 3}, {}, true},
        {"a dealer number now", {}, same, std::string("D1"), {1, 2, 3}, {}, true},
    };
    for (const auto& c : cases) {
        std::vector<std::optional<FileStamp>> disk = stamps();
        if (c.disk)
            c.disk(disk);
        const ResumePlan plan = PlanResume(journal, disk, c.details, c.dealer);
        EXPECT_EQ(plan.problem, "") << c.name;
        EXPECT_EQ(plan.numbers, c.numbers) << c.name;
        EXPECT_EQ(plan.changed, c.changed) << c.name;
        EXPECT_EQ(plan.detailsChanged, c.detailsChanged) << c.name;
    }

    std::vector<std::optional<FileStamp>> gone = stamps();
    gone[0].reset();
    const ResumePlan plan = PlanResume(journal, gone, same, std::nullopt);
    EXPECT_EQ(plan.problem, "The photo " + journal.photos[0].path + " is no longer there.");
    EXPECT_TRUE(plan.numbers.empty());

    // With the files as they are: the template's details are those of the journal.
    journal.photos[2].accepted = true;
    EXPECT_TRUE(PlanResumeNow(journal, docs).numbers.empty());
    folder.write("p1.jpg", "changed");
    EXPECT_EQ(PlanResumeNow(journal, docs).numbers, (std::vector<int>{2}));
    const ResumePlan changed = PlanResumeNow(journal, docs);
    EXPECT_EQ(ResumePlanText(journal, changed),
              "3 of 3 photos reached the lab under order ABCDEFGHIJKLMNO. Left to send: 1. "
              "Changed since they were sent, so sent again in full: p1.jpg.");
}

TEST_F(OrderResumeTest, OrderIsTheSameOnlyWithTheSamePhotosAndPrintsInTheSameOrder) {
    EXPECT_TRUE(SameOrder(journal, order, docs));
    const struct {
        const char* name;
        std::function<void(wizard::OrderModel&)> change;
        bool same;
    } cases[] = {
        {"a photo without prints added",
         [this](wizard::OrderModel& o) { o.AddPhoto(folder.file("p9.jpg"), 0, 1, 1, 1); }, true},
        {"a quantity", [](wizard::OrderModel& o) { o.SetQuantity(1, 1, 5); }, false},
        {"zoom and trim", [](wizard::OrderModel& o) { o.SetZoomTrim(1, 1, 1); }, false},
        {"another print", [](wizard::OrderModel& o) { o.SetQuantity(1, 3, 1); }, false},
        {"a photo removed", [](wizard::OrderModel& o) { o.RemovePhotoAt(2); }, false},
        {"a photo with prints added",
         [this](wizard::OrderModel& o) {
             o.SetQuantity(o.AddPhoto(folder.file("p9.jpg"), 0, 1, 1, 1), 0, 1);
         },
         false},
    };
    for (const auto& c : cases) {
        wizard::OrderModel changed = order;
        changed.setObserver(nullptr);
        c.change(changed);
        EXPECT_EQ(SameOrder(journal, changed, docs), c.same) << c.name;
    }
}

TEST_F(OrderResumeTest, RestoredOrderFindsItsProductsByIdWhereverTheCatalogueHasThem) {
    // The lab's catalogue lists its products in another order since.
    std::string catalogue = samples::Catalogue();
    const std::string first =
        "    <product id=\"P6x4\" name=\"6x4\" price=\"0.25\" x_dim=\"152\" "
        "y_dim=\"102\"/>\n";
    catalogue.erase(catalogue.find(first), first.size());
    catalogue.insert(catalogue.find("  </products>"), first);
    wizard::CXmlDocuments moved;
    wizard::ShopList shops;
    ASSERT_EQ(moved.LoadDownloaded("http://lab/catalogue.xml", catalogue, shops), "");
    folder.write("p2.jpg", "grown since the order was sent");

    wizard::OrderModel restored;
    ASSERT_EQ(RestoreOrder(journal, moved, restored), "");
    ASSERT_EQ(restored.PhotoCount(), 3u);
    EXPECT_EQ(restored.productCount(), 4);
    EXPECT_EQ(restored.PhotoAt(0).orderLines[3].quantity, 1);  // P6x4, now the last
    EXPECT_EQ(restored.PhotoAt(1).orderLines[0].quantity, 2);  // P7x5, now the first
    EXPECT_EQ(restored.PhotoAt(2).fileSize, 30u);
    EXPECT_TRUE(SameOrder(journal, restored, moved));

    journal.photos[1].lines[0].productId = "P-GONE";
    EXPECT_EQ(RestoreOrder(journal, moved, restored),
              "The lab no longer offers the product P-GONE.");
    EXPECT_EQ(restored.PhotoCount(), 0u);
    EXPECT_EQ(ResumeProblem(journal, "http://lab/upload", docs),
              "The lab no longer offers the product P-GONE.");
}

TEST_F(OrderResumeTest, ATurnedPhotoAndACroppedLineAreResumedAsTheSameFiles) {
    order.TurnPhoto(1, true);  // 640 x 480 now 480 x 640
    order.SetQuantity(1, 3, 2);
    order.SetZoomTrim(1, 3, 1);
    order.SetCrop(1, 3, {32, 64, 300, 375});
    const OrderJournal sent =
        NewJournal("ABCDEFGHIJKLMNO", "", "http://lab/upload", 1, docs, order);
    // Photo 2 goes twice: turned with its shared line, then cropped for its own.
    ASSERT_EQ(sent.photoCount(), 4);
    EXPECT_EQ(sent.photos[1].path, sent.photos[2].path);
    EXPECT_EQ(sent.photos[2].turn, 90);
    ASSERT_EQ(sent.photos[2].lines.size(), 1u);
    EXPECT_EQ(sent.photos[2].lines[0].crop, (wizard::CropBox{32, 64, 300, 375}));

    const JournalReading read = ParseJournal(FormatJournal(sent));
    ASSERT_EQ(read.status, JournalReading::Status::Ok) << read.problem;
    wizard::OrderModel restored;
    ASSERT_EQ(RestoreOrder(read.journal, docs, restored), "");
    ASSERT_EQ(restored.PhotoCount(), 3u);
    const wizard::SelectedPhoto& photo = restored.photos()[1];
    EXPECT_EQ(photo.turn, 90);
    EXPECT_EQ(photo.width, 480);
    EXPECT_EQ(photo.height, 640);
    EXPECT_EQ(photo.orderLines[3].crop, (wizard::CropBox{32, 64, 300, 375}));
    EXPECT_TRUE(SameOrder(read.journal, restored, docs));

    restored.SetCrop(1, 3, {0, 64, 300, 375});
    EXPECT_FALSE(SameOrder(read.journal, restored, docs));
    restored.SetCrop(1, 3, {32, 64, 300, 375});
    restored.TurnPhoto(0, true);
    EXPECT_FALSE(SameOrder(read.journal, restored, docs));
}

TEST_F(OrderResumeTest, OrderIsResumedOnlyWithTheLabItWasSentTo) {
    EXPECT_EQ(ResumeProblem(journal, "http://lab/upload", docs), "");
    EXPECT_EQ(ResumeProblem(journal, "https://other.example/upload", docs),
              "The order was being sent to http://lab/upload; the lab's address has changed "
              "since.");
    journal.details.cctype = "5";
    EXPECT_EQ(ResumeProblem(journal, "http://lab/upload", docs),
              "The lab no longer offers the payment method 5.");
}

TEST_F(OrderResumeTest, OfferNamesTheSizeTheDayAndWhatIsLeft) {
    OrderJournal big;
    big.photos.resize(37);
    for (int i = 0; i < 21; ++i)
        big.photos[static_cast<std::size_t>(i)].accepted = true;
    big.startedAt = Noon(7, 12, 2024);
    EXPECT_EQ(InterruptedOrderText(big, Noon(20, 12, 2024)),
              "An order of 37 photos from 7 December was interrupted: 21 sent, 16 left");
    EXPECT_EQ(InterruptedOrderText(big, Noon(2, 1, 2025)),
              "An order of 37 photos from 7 December 2024 was interrupted: 21 sent, 16 left");
    big.photos.resize(1);
    big.photos[0].accepted = false;
    EXPECT_EQ(InterruptedOrderText(big, Noon(7, 12, 2024)),
              "An order of 1 photo from 7 December was interrupted: 0 sent, 1 left");
}

}  // namespace
}  // namespace orlavo::transmission
