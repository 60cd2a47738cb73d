// The parts of orlavo-order that need no lab: its command line, the details
// file, resolving details against a catalogue, and the summary texts.
#include <gtest/gtest.h>

#include "tests/transmission/OrderSample.h"
#include "tools/orlavo-order/OrderArguments.h"
#include "tools/orlavo-order/OrderDetails.h"
#include "tools/orlavo-order/OrderSummary.h"

namespace orlavo::order {
namespace {

TEST(OrderArguments, KeepLocationMayStandAnywhere) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--keep-location", "a.heic", "--print", "0:1"},
          std::vector<std::string>{"a.heic", "--print", "0:1", "--keep-location"}}) {
        OrderArguments a;
        std::string error;
        ASSERT_TRUE(ParseOrderArguments(args, a, error)) << error;
        EXPECT_TRUE(a.keepLocation);
        ASSERT_EQ(a.photos.size(), 1u);
        EXPECT_EQ(a.photos[0].prints.size(), 1u);
    }
}

TEST(OrderArguments, PrintsBelongToThePhotoNamedBeforeThem) {
    OrderArguments a;
    std::string error;
    ASSERT_TRUE(ParseOrderArguments({"--profile", "Demo", "a.jpg", "--print", "0:2", "--print",
                                     "P10x8:1:1", "b.jpg", "--print-all", "1:3", "--yes"},
                                    a, error))
        << error;
    EXPECT_EQ(a.profile, "Demo");
    EXPECT_TRUE(a.yes);
    EXPECT_FALSE(a.keepLocation) << "the profile's setting rules unless asked";
    ASSERT_EQ(a.photos.size(), 2u);
    ASSERT_EQ(a.photos[0].prints.size(), 2u);
    EXPECT_EQ(a.photos[0].prints[1].product, "P10x8");
    EXPECT_EQ(a.photos[0].prints[1].quantity, 1);
    EXPECT_EQ(a.photos[0].prints[1].zoomTrim, 1);
    EXPECT_TRUE(a.photos[1].prints.empty());
    ASSERT_EQ(a.printAll.size(), 1u);
    EXPECT_EQ(a.printAll[0].quantity, 3);
}

TEST(OrderArguments, TurnsBelongToAPhotoAndCropsToAPrintOrToEveryPrintOfAPhoto) {
    OrderArguments a;
    std::string error;
    ASSERT_TRUE(ParseOrderArguments(
        {"a.jpg", "--turn", "90", "--crop", "0,16,800,600", "--print", "0:1", "--print", "1:2",
         "--crop", "32,0,640,480", "b.jpg", "--print-all", "0:1", "--crop", "1,2,3,4"},
        a, error))
        << error;
    ASSERT_EQ(a.photos.size(), 2u);
    EXPECT_EQ(a.photos[0].turn, 90);
    EXPECT_EQ(a.photos[0].crop, (CropChoice{0, 16, 800, 600}));
    EXPECT_FALSE(a.photos[0].prints[0].crop);
    EXPECT_EQ(a.photos[0].prints[1].crop, (CropChoice{32, 0, 640, 480}));
    EXPECT_EQ(a.photos[1].turn, 0);
    EXPECT_FALSE(a.photos[1].crop);
    EXPECT_EQ(a.printAll[0].crop, (CropChoice{1, 2, 3, 4}));
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--turn", "90", "a.jpg"},
             {"a.jpg", "--turn", "45"},
             {"a.jpg", "--turn", "-90"},
             {"--crop", "0,0,10,10", "a.jpg"},
             {"a.jpg", "--crop", "0,0,0,10"},
             {"a.jpg", "--crop", "0,0,10"},
             {"a.jpg", "--crop", "0,0,10,10,"},
             {"a.jpg", "--crop", "-1,0,10,10"},
             {"a.jpg", "--crop", "0,0,10,10", "--crop", "0,0,5,5"},
         }) {
        OrderArguments b;
        EXPECT_FALSE(ParseOrderArguments(bad, b, error)) << bad.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(OrderArguments, RefusesWhatCannotBeUsed) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--print", "0:1", "a.jpg"},
             {"a.jpg", "--print", "0"},
             {"a.jpg", "--print", "0:0"},
             {"a.jpg", "--print", "0:1000"},
             {"a.jpg", "--print", "0:1:2"},
             {"a.jpg", "--bogus"},
             {"--detail", "colour=red"},
             {"--profile"},
             {"--resume", "a.jpg"},
             {"--resume", "--print-all", "0:1"},
             {"--retry-pauses", "1,,4"},
             {"--retry-pauses", "1,"},
             {"--retry-pauses", "-1"},
             {"--retry-pauses", "601"},
             {"--retry-pauses", "1,1,1,1,1,1,1,1,1,1,1"},
         }) {
        OrderArguments a;
        std::string error;
        EXPECT_FALSE(ParseOrderArguments(args, a, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(OrderArguments, ResumeTakesNoPhotosAndRetryPausesAreSeconds) {
    OrderArguments a;
    std::string error;
    ASSERT_TRUE(ParseOrderArguments({"--resume", "--retry-pauses", "2,0,30", "--yes"}, a, error))
        << error;
    EXPECT_TRUE(a.resume);
    EXPECT_EQ(a.retryPauses, (std::vector<int>{2, 0, 30}));
    OrderArguments once;
    ASSERT_TRUE(ParseOrderArguments({"--retry-pauses", "", "a.jpg"}, once, error)) << error;
    EXPECT_EQ(once.retryPauses, std::vector<int>{});
    OrderArguments plain;
    ASSERT_TRUE(ParseOrderArguments({"a.jpg"}, plain, error)) << error;
    EXPECT_FALSE(plain.resume);
    EXPECT_FALSE(plain.retryPauses);
}

TEST(OrderArguments, DetailWithoutKeyIsNotEchoed) {
    OrderArguments a;
    std::string error;
    EXPECT_FALSE(ParseOrderArguments({"--detail", "4111111111111111"}, a, error));
    EXPECT_EQ(error.find("4111"), std::string::npos) << error;
    EXPECT_FALSE(error.empty());
}

TEST(OrderArguments, DoubleDashTakesTheRestAsPhotos) {
    OrderArguments a;
    std::string error;
    ASSERT_TRUE(ParseOrderArguments({"--", "--odd-name.jpg"}, a, error));
    ASSERT_EQ(a.photos.size(), 1u);
    EXPECT_EQ(a.photos[0].path, "--odd-name.jpg");
}

TEST(DetailsText, KeepsValuesAsWrittenAndSkipsComments) {
    std::map<std::string, std::string> v;
    std::string error;
    ASSERT_TRUE(ParseDetailsText("# me\r\n firstname = Ada\r\n\nvouchercode=SPRING  \n", v, error))
        << error;
    EXPECT_EQ(v["firstname"], " Ada");
    EXPECT_EQ(v["vouchercode"], "SPRING  ");
}

TEST(DetailsText, NamesTheLineOfAnUnknownKey) {
    std::map<std::string, std::string> v;
    std::string error;
    EXPECT_FALSE(ParseDetailsText("firstname=Ada\ncolour=red\n", v, error));
    EXPECT_EQ(error, "line 2: unknown key \"colour\"");
    EXPECT_FALSE(ParseDetailsText("just text\n", v, error));
}

class ResolveDetailsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(transmission::samples::LoadSample(docs));
        values = {{"firstname", "Ada"},   {"lastname", "Byron"}, {"address1", "1 Mill Lane"},
                  {"city", "Bath"},       {"zip", "BA1"},        {"country", "ire"},
                  {"email", "ada@x.org"}, {"payment", "visa"},   {"ccnumber", "4111111111111111"}};
        shops = {
            {"s1", "Bath Shop", "2 Low St", "", "Bath", "", "BA1", "United Kingdom", "01", "D1"}};
    }
    wizard::CXmlDocuments docs;
    wizard::ShopList shops;
    std::map<std::string, std::string> values;
};

TEST_F(ResolveDetailsTest, FindsPaymentByNameAndCountryByItsBeginning) {
    ResolvedDetails r;
    std::string error;
    values["sameasbilling"] = "yes";
    ASSERT_TRUE(ResolveDetails(values, docs, shops, r, error)) << error;
    EXPECT_EQ(r.entries.paymentMethodId, 1);
    EXPECT_EQ(r.record.cctype, "1");
    EXPECT_EQ(r.record.country, "Ireland");
    EXPECT_EQ(r.record.shippingCountry, "Ireland");
    EXPECT_EQ(r.record.shippingName, "Ada Byron");
    EXPECT_EQ(r.shopName, "");
}

TEST_F(ResolveDetailsTest, CardNumbersGoAsDigitsAndNineteenDigitsPass) {
    values["ccnumber"] = "4111-1111 1111 1111 110";
    values["sameasbilling"] = "yes";
    values["nameoncard"] = "A BYRON";
    values["ccexpiremonth"] = "12";
    values["ccexpireyear"] = "2099";
    ResolvedDetails r;
    std::string error;
    ASSERT_TRUE(ResolveDetails(values, docs, shops, r, error)) << error;
    EXPECT_EQ(r.record.ccnumber, "4111111111111111110");
    EXPECT_TRUE(wizard::ValidateDetails(r.entries, 2026, 6).ok)
        << wizard::ValidateDetails(r.entries, 2026, 6).message;
}

TEST_F(ResolveDetailsTest, ShopCollectionPaysAtTheShopAndShipsToIt) {
    values["delivery"] = "shop";
    values["shop"] = "s1";
    ResolvedDetails r;
    std::string error;
    ASSERT_TRUE(ResolveDetails(values, docs, shops, r, error)) << error;
    EXPECT_EQ(r.entries.paymentMethodId, 9);
    EXPECT_EQ(r.record.ccnumber, "");
    EXPECT_EQ(r.record.storeid, "s1");
    EXPECT_EQ(r.record.shippingAddress1, "2 Low St");
    EXPECT_EQ(r.shopName, "Bath Shop");
}

TEST_F(ResolveDetailsTest, RefusesWhatTheCatalogueDoesNotOffer) {
    ResolvedDetails r;
    std::string error;
    values["payment"] = "Bitcoin";
    EXPECT_FALSE(ResolveDetails(values, docs, shops, r, error));
    values["payment"] = "9";
    EXPECT_FALSE(ResolveDetails(values, docs, shops, r, error));
    EXPECT_NE(error.find("delivery=shop"), std::string::npos);
    values["payment"] = "1";
    values["delivery"] = "shop";
    values["shop"] = "nope";
    EXPECT_FALSE(ResolveDetails(values, docs, shops, r, error));
    values["delivery"] = "drone";
    EXPECT_FALSE(ResolveDetails(values, docs, shops, r, error));
}

TEST(OrderSummary, CardNumberShowsItsLastFourDigits) {
    EXPECT_EQ(SummaryCardNumber("4111111111111111"), "xxxxxxxxxxxx1111");
    EXPECT_EQ(SummaryCardNumber("12345"), "x2345");
}

TEST(OrderSummary, ServerCodesBecomeTheirTexts) {
    EXPECT_EQ(OrderFailureText("INVALID_CREDIT_CARD"),
              "Your credit card was not accepted. Please try again");
    EXPECT_EQ(OrderFailureText("UNABLE_SEND_ORDER"),
              "We are unable to process your order at this time. Please try again later.");
    EXPECT_EQ(OrderFailureText("LAB_CLOSED"), "LAB_CLOSED");
    EXPECT_EQ(OrderFailureText("invalid_credit_card"), "invalid_credit_card");
}

TEST(OrderSummary, ShowsAmountsWithCurrencyAndFreePrintsOnlyWhenThereAreSome) {
    wizard::CXmlDocuments docs;
    ASSERT_TRUE(transmission::samples::LoadSample(docs));
    ASSERT_TRUE(
        transmission::SetCustomerDetails(docs, transmission::samples::Customer(), std::nullopt));
    transmission::PriceQuoteInfo quote;
    quote.subprice = "12.50";
    quote.discount = "0.65";
    quote.numfreeprints = "0";
    std::string text = SummaryText(docs, quote, "");
    EXPECT_NE(text.find("Subtotal:               12.50 GBP"), std::string::npos) << text;
    EXPECT_NE(text.find("Discounts:              -0.65 GBP"), std::string::npos) << text;
    EXPECT_NE(text.find("Voucher Code:           SPRING "), std::string::npos);
    EXPECT_NE(text.find("Promo Code:             none"), std::string::npos);
    EXPECT_EQ(text.find("free prints"), std::string::npos);
    EXPECT_EQ(text.find("4111111111111111"), std::string::npos);
    quote.numfreeprints = "3";
    EXPECT_NE(SummaryText(docs, quote, "").find("You have received 3 free prints"),
              std::string::npos);
}

}  // namespace
}  // namespace orlavo::order
