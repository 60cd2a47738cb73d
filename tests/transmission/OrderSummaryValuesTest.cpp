#include "wizard/transmission/OrderSummaryValues.h"

#include <gtest/gtest.h>

#include "tests/transmission/OrderSample.h"
#include "wizard/transmission/SendOutcome.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {
namespace {

TEST(OrderSummaryValues, CardNumberShowsAtMostItsLastFourCharacters) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"4111111111111111", "xxxxxxxxxxxx1111"},
        {"378282246310005", "xxxxxxxxxxx0005"},
        {"6011000990139424123", "xxxxxxxxxxxxxxx4123"},
        {"12345", "x2345"},
        {"1234", "1234"},
        {"1", "1"},
        {"", ""},
        {"4111 1111 1111 1111", "xxxxxxxxxxxxxxx1111"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SummaryCardNumber(c.stored), c.shown) << c.stored;
}

TEST(OrderSummaryValues, DiscountShowsAsAReduction) {
    const struct {
        const char* sent;
        const char* shown;
    } cases[] = {
        {"0.65", "-0.65 GBP"},   {"-0.65", "-0.65 GBP"}, {"+0.65", "-0.65 GBP"},
        {" 1.20", " -1.20 GBP"}, {"12", "-12 GBP"},      {"0", "0 GBP"},
        {"0.00", "0.00 GBP"},    {"", " GBP"},           {"none", "none GBP"},
        {".5", "-.5 GBP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SummaryDiscount(c.sent, "GBP"), c.shown) << '"' << c.sent << '"';
}

TEST(OrderSummaryValues, FreePrintsShowOnlyForANumberAboveZero) {
    const struct {
        const char* text;
        bool shown;
    } cases[] = {{"3", true},  {"0", false},       {"", false},     {"-2", false},
                 {" 1", true}, {"2 prints", true}, {"none", false}, {"00", false}};
    for (const auto& c : cases)
        EXPECT_EQ(FreePrintsShown(c.text), c.shown) << '"' << c.text << '"';
}

TEST(OrderSummaryValues, RefusalCodesBecomeSentencesAndOtherMessagesStayAsTheyCame) {
    EXPECT_EQ(FailureText("INVALID_CREDIT_CARD"),
              "Your credit card was not accepted. Please try again");
    EXPECT_EQ(FailureText("UNABLE_SEND_ORDER"),
              "We are unable to process your order at this time. Please try again later.");
    for (const char* other : {"invalid_credit_card", "UNABLE_SEND_ORDER ", "OUT OF PAPER",
                              "Couldn't connect to server", ""})
        EXPECT_EQ(FailureText(other), other);
}

TEST(OrderSummaryValues, MethodsWithoutACardShowTheCodesFirstAndTwoEmptyRows) {
    wizard::CXmlDocuments docs;
    ASSERT_TRUE(samples::LoadSample(docs));
    for (const char* method : {"9", "6"}) {
        wizard::CustomerDetails record = samples::Customer();
        record.cctype = method;
        record.vouchercode = "";
        record.promocode = "SUMMER";
        ASSERT_TRUE(SetCustomerDetails(docs, record, std::nullopt));
        OrderSummaryValues v = ReadOrderSummary(docs, {}, "Bath Photo");
        EXPECT_FALSE(v.cardMethod) << method;
        const std::pair<std::string, std::string> rows[] = {
            {"Voucher Code:", "none"}, {"Promo Code:", "SUMMER"}, {"", ""}, {"", ""}};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(std::make_pair(v.paymentRows[i].label, v.paymentRows[i].value), rows[i]);
        EXPECT_EQ(v.shopName, "Bath Photo");
    }
}

}  // namespace
}  // namespace orlavo::transmission
