#include "wizard/transmission/OrderSummaryValues.h"

#include <gtest/gtest.h>

#include "tests/transmission/OrderSample.h"
#include "wizard/transmission/SendOutcome.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {
namespace {

TEST(OrderSummaryValues, CardNumberShowsOnlyItsLastFiveCharacters) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"4111111111111111", "xxxxxxxxxxx11111"},
        {"378282246310005", "xxxxxxxxxx10005"},
        {"123456", "x23456"},
        {"12345", "12345"},
        {"1", "1"},
        {"", ""},
        {"4111 1111 1111 1111", "xxxxxxxxxxxxxx 1111"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SummaryCardNumber(c.stored), c.shown) << c.stored;
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

TEST(OrderSummaryValues, SessionResultsGiveOneOutcome) {
    EXPECT_EQ(JudgeSession(true, "", false).kind, SendOutcome::Kind::Cancelled);
    EXPECT_EQ(JudgeSession(true, "Timeout was reached", false).kind, SendOutcome::Kind::Cancelled);
    EXPECT_EQ(JudgeSession(false, "", false).kind, SendOutcome::Kind::Sent);
    SendOutcome refused = JudgeSession(false, "UNABLE_SEND_ORDER", true);
    EXPECT_EQ(refused.kind, SendOutcome::Kind::Failed);
    EXPECT_EQ(refused.message, "UNABLE_SEND_ORDER");
    EXPECT_TRUE(refused.serverRefused);
}

class SummaryFromTemplate : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(samples::LoadSample(docs)); }
    OrderSummaryValues read(const wizard::CustomerDetails& record, const PriceQuoteInfo& quote,
                            std::string_view shop = "") {
        EXPECT_TRUE(SetCustomerDetails(docs, record, std::nullopt));
        return ReadOrderSummary(docs, quote, shop);
    }
    wizard::CXmlDocuments docs;
};

TEST_F(SummaryFromTemplate, CardMethodShowsNameMaskedNumberAndCodesWithNoneForAnEmptyOne) {
    PriceQuoteInfo quote{"12.50", "14.45", "0.00", "1.95", "0", "Thank you"};
    OrderSummaryValues v = read(samples::Customer(), quote);
    EXPECT_EQ(v.paymentMethod, "Visa");
    EXPECT_TRUE(v.cardMethod);
    const std::pair<std::string, std::string> rows[] = {{"Name on Card:", "A BYRON"},
                                                        {"Card Number:", "xxxxxxxxxxx11111"},
                                                        {"Voucher Code:", "SPRING "},
                                                        {"Promo Code:", "none"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v.paymentRows[i].label, rows[i].first);
        EXPECT_EQ(v.paymentRows[i].value, rows[i].second);
    }
    EXPECT_EQ(v.billingName, "Ada Byron");
    EXPECT_EQ(v.billingCountry, "United Kingdom");
    EXPECT_EQ(v.shippingCity, "Paris");
    EXPECT_EQ(v.shippingCountry, "France");
    EXPECT_EQ(v.subtotal, "12.50 GBP");
    EXPECT_EQ(v.postage, "1.95 GBP");
    EXPECT_EQ(v.discount, "0.00 GBP");
    EXPECT_EQ(v.total, "14.45 GBP");
    EXPECT_FALSE(v.freePrintsShown);
    EXPECT_EQ(v.message, "Thank you");
}

TEST_F(SummaryFromTemplate, MethodsWithoutACardShowTheCodesFirstAndTwoEmptyRows) {
    for (const char* method : {"9", "6"}) {
        wizard::CustomerDetails record = samples::Customer();
        record.cctype = method;
        record.vouchercode = "";
        record.promocode = "SUMMER";
        OrderSummaryValues v = read(record, {}, "Bath Photo");
        EXPECT_FALSE(v.cardMethod) << method;
        EXPECT_EQ(v.paymentRows[0].label, "Voucher Code:");
        EXPECT_EQ(v.paymentRows[0].value, "none");
        EXPECT_EQ(v.paymentRows[1].label, "Promo Code:");
        EXPECT_EQ(v.paymentRows[1].value, "SUMMER");
        for (int i : {2, 3}) {
            EXPECT_EQ(v.paymentRows[i].label, "");
            EXPECT_EQ(v.paymentRows[i].value, "");
        }
        EXPECT_EQ(v.shopName, "Bath Photo");
    }
}

TEST_F(SummaryFromTemplate, AmountsAreTheQuotesTextsUnchangedAndFreePrintsFollowTheirNumber) {
    PriceQuoteInfo quote{"1,234.5", "-0", "abc", "", "3", ""};
    OrderSummaryValues v = read(samples::Customer(), quote);
    EXPECT_EQ(v.subtotal, "1,234.5 GBP");
    EXPECT_EQ(v.total, "-0 GBP");
    EXPECT_EQ(v.discount, "abc GBP");
    EXPECT_EQ(v.postage, " GBP");
    EXPECT_TRUE(v.freePrintsShown);
    EXPECT_EQ(v.freePrints, "3");
}

}  // namespace
}  // namespace orlavo::transmission
