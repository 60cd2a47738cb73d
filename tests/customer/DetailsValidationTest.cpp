#include "wizard/customer/DetailsValidation.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

// A Visa number that passes the Luhn rule.
constexpr const char* kGoodVisa = "4111111111111111";

DetailsEntries Complete() {
    DetailsEntries e;
    e.firstName = "Ada";
    e.lastName = "Byron";
    e.address = "1 Mill Lane";
    e.city = "Bath";
    e.postcode = "BA1 1AA";
    e.email = "ada@example.com";
    e.sameAsBilling = true;
    e.paymentMethodId = 1;
    e.cardNumber = kGoodVisa;
    e.nameOnCard = "A BYRON";
    e.expiryMonth = "06";
    e.expiryYear = "2027";
    e.startMonth = "01";
    e.startYear = "2020";
    return e;
}

TEST(ValidateDetails, CompleteEntriesPass) {
    DetailsCheck c = ValidateDetails(Complete(), 2026, 12);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.message, "");
}

TEST(ValidateDetails, ReportsEveryMissingFieldOneLineEachFocusOnTheFirst) {
    DetailsEntries e = Complete();
    e.lastName = "   ";
    e.email = "";
    e.nameOnCard = "";
    DetailsCheck c = ValidateDetails(e, 2026, 12);
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.missing);
    EXPECT_EQ(c.message, "- Last Name missing\n- Email Address missing\n- Name on Card missing\n");
    EXPECT_EQ(c.focus, DetailsField::LastName);
}

TEST(ValidateDetails, ShippingFieldsAreRequiredOnlyForASeparateHomeAddress) {
    DetailsEntries e = Complete();
    e.sameAsBilling = false;
    DetailsCheck home = ValidateDetails(e, 2026, 12);
    EXPECT_EQ(home.message,
              "- Shipping Name missing\n- Shipping Address missing\n"
              "- Shipping City/Town missing\n- Shipping Postcode missing\n");
    e.shopCollection = true;
    EXPECT_EQ(ValidateDetails(e, 2026, 12).message, "- Shipping Name missing\n");
    e.sameAsBilling = true;
    EXPECT_TRUE(ValidateDetails(e, 2026, 12).ok);
}

TEST(ValidateDetails, MethodFiveAlsoNeedsIssueAndSecurityCode) {
    DetailsEntries e = Complete();
    e.paymentMethodId = 5;
    EXPECT_EQ(ValidateDetails(e, 2026, 12).message,
              "- Issue No. missing\n- Security Code missing\n");
    e.issueNo = "1";
    e.securityCode = "123";
    e.cardNumber = "123";  // neither prefix nor checksum applies to method 5
    EXPECT_TRUE(ValidateDetails(e, 2026, 12).ok);
}

TEST(ValidateDetails, MethodsWithoutCardSkipEveryPaymentCheck) {
    for (int method : {6, 9}) {
        DetailsEntries e = Complete();
        e.paymentMethodId = method;
        e.cardNumber = "";
        e.nameOnCard = "";
        e.expiryYear = "1999";
        EXPECT_TRUE(ValidateDetails(e, 2026, 12).ok) << method;
    }
}

TEST(ValidateDetails, EmailNeedsAnAtAfterTheFirstCharacterAndADot) {
    EXPECT_FALSE(IsValidEmail("ada@example"));
    EXPECT_FALSE(IsValidEmail("@ada@example.com"));
    EXPECT_TRUE(IsValidEmail("a.da@example"));
    DetailsEntries e = Complete();
    e.email = "ada-at-example.com";
    DetailsCheck c = ValidateDetails(e, 2026, 12);
    EXPECT_EQ(c.message, "Email Address: please enter an address such as name@example.com.");
    EXPECT_EQ(c.focus, DetailsField::Email);
}

TEST(ValidateDetails, CardExpiringThisMonthPassesOneMonthEarlierFails) {
    DetailsEntries e = Complete();
    e.expiryYear = "2026";
    e.expiryMonth = "12";
    EXPECT_TRUE(ValidateDetails(e, 2026, 12).ok);
    e.expiryMonth = "11";
    DetailsCheck c = ValidateDetails(e, 2026, 12);
    EXPECT_EQ(
        c.message,
        "Expiration Date: the card has expired. Choose the month and year printed on the card.");
    EXPECT_EQ(c.focus, DetailsField::ExpiryMonth);
}

TEST(ValidateDetails, StartDateInALaterMonthFailsForMethodFive) {
    DetailsEntries e = Complete();
    e.paymentMethodId = 5;
    e.issueNo = "1";
    e.securityCode = "123";
    e.startYear = "2026";
    e.startMonth = "12";
    DetailsCheck c = ValidateDetails(e, 2026, 11);
    EXPECT_EQ(c.message,
              "Start Date: the card's start date lies in the future. Choose the month and year "
              "printed on the card.");
    EXPECT_EQ(c.focus, DetailsField::StartMonth);
}

TEST(ValidateDetails, CardNumbersOfThirteenToNineteenDigitsPassingLuhnAreAccepted) {
    struct Case {
        const char* number;
        int method;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {"378282246310005", 3, ""},  // American Express, 15 digits
        {"3782 822463 10005", 3, ""},
        {"4111-1111-1111-1111", 1, ""},
        {"4222222222222", 1, ""},        // 13 digits
        {"4111111111111111110", 1, ""},  // 19 digits
        {"6011000990139424", 8, ""},
        {"378282246310006", 3,
         "Card Number: this is not a valid card number. Please check its digits."},
        {"411111111117", 1,
         "Card Number: this is not a valid card number. Please check its digits."},  // 12 digits,
                                                                                     // Luhn passes
        {"41111111111111111115", 1,
         "Card Number: this is not a valid card number. Please check its digits."},  // 20 digits,
                                                                                     // Luhn passes
        {"4111111111111112", 1,
         "Card Number: this is not a valid card number. Please check its digits."},
        {"41111111111111a1", 1,
         "Card Number: this is not a valid card number. Please check its digits."},
        {"4111.1111.1111.1111", 1,
         "Card Number: this is not a valid card number. Please check its digits."},
        {"378282246310005", 1,
         "Payment Method: the card number does not suit the payment method chosen."},
    };
    for (const Case& c : cases) {
        DetailsEntries e = Complete();
        e.cardNumber = c.number;
        e.paymentMethodId = c.method;
        DetailsCheck check = ValidateDetails(e, 2026, 12);
        EXPECT_EQ(check.message, c.message) << c.number;
        EXPECT_EQ(check.ok, std::string(c.message).empty()) << c.number;
        if (!check.ok) {
            EXPECT_FALSE(check.missing);
            EXPECT_EQ(
                check.focus,
                std::string(c.message) ==
                        "Payment Method: the card number does not suit the payment method chosen."
                    ? DetailsField::PaymentMethod
                    : DetailsField::CardNumber)
                << c.number;
        }
    }
}

TEST(ValidateDetails, TheYearListsOfferOnlyDatesACurrentCardCanHave) {
    const std::vector<int> start = StartYearChoices(2026);
    const std::vector<int> expiry = ExpiryYearChoices(2026);
    ASSERT_EQ(start.size(), 11u);
    EXPECT_EQ(start.front(), 2016);
    EXPECT_EQ(start.back(), 2026);
    ASSERT_EQ(expiry.size(), 21u);
    EXPECT_EQ(expiry.front(), 2026);
    EXPECT_EQ(expiry.back(), 2046);
    // Every year offered passes the expiry check in its last month, and every
    // start year passes in January of this year.
    for (int year : expiry) {
        DetailsEntries e = Complete();
        e.expiryYear = std::to_string(year);
        e.expiryMonth = "12";
        EXPECT_TRUE(ValidateDetails(e, 2026, 12).ok) << year;
    }
    for (int year : start) {
        DetailsEntries e = Complete();
        e.paymentMethodId = 5;
        e.issueNo = "1";
        e.securityCode = "123";
        e.startYear = std::to_string(year);
        EXPECT_TRUE(ValidateDetails(e, 2026, 1).ok) << year;
    }
}

TEST(ValidateDetails, PrefixThatDoesNotSuitTheMethodIsAnInvalidType) {
    DetailsEntries e = Complete();
    e.paymentMethodId = 2;
    DetailsCheck c = ValidateDetails(e, 2026, 12);
    EXPECT_EQ(c.message,
              "Payment Method: the card number does not suit the payment method chosen.");
    EXPECT_EQ(c.focus, DetailsField::PaymentMethod);
}

TEST(IsValidCardType, FollowsThePrefixOfEachMethod) {
    EXPECT_TRUE(IsValidCardType("4000", 1));
    EXPECT_FALSE(IsValidCardType("5000", 1));
    EXPECT_TRUE(IsValidCardType("5100", 2));
    EXPECT_TRUE(IsValidCardType("5500", 2));
    EXPECT_FALSE(IsValidCardType("5600", 2));
    EXPECT_TRUE(IsValidCardType("3400", 3));
    EXPECT_TRUE(IsValidCardType("3700", 3));
    EXPECT_FALSE(IsValidCardType("3800", 3));
    EXPECT_TRUE(IsValidCardType("6011000", 8));
    EXPECT_FALSE(IsValidCardType("6012000", 8));
    EXPECT_TRUE(IsValidCardType("", 5));
    EXPECT_TRUE(IsValidCardType("34-0000", 3));
    EXPECT_TRUE(IsValidCardType("5 5", 2));
    EXPECT_FALSE(IsValidCardType("4111", 4));
    EXPECT_FALSE(IsValidCardType("", 1));
}

TEST(IsValidCardChecksum, MethodFiveIsNotCheckedEveryOtherMethodIs) {
    EXPECT_TRUE(IsValidCardChecksum("anything", 5));
    EXPECT_TRUE(IsValidCardChecksum("4111 1111 1111 1111", 1));
    EXPECT_FALSE(IsValidCardChecksum("anything", 6));
    EXPECT_FALSE(IsValidCardChecksum("", 1));
}

TEST(LeadingDigits, ReadsTheLeadingDigits) {
    EXPECT_EQ(LeadingDigits("2026x"), 2026);
    EXPECT_EQ(LeadingDigits("x1"), 0);
    EXPECT_EQ(LeadingDigits(""), 0);
}

TEST(ValidateDetails, CardTypeMessageNamesTheCardOfTheNumberAndTheOneChosen) {
    const std::vector<std::pair<int, std::string>> offered = {
        {1, "Visa"},    {2, "MasterCard"}, {3, "American Express"}, {8, "Discover"},
        {5, "Maestro"}, {7, "Store Card"}, {9, "Pay at the shop"}};
    const struct {
        const char* number;
        int chosen;
        std::vector<std::pair<int, std::string>> methods;
        const char* message;
    } cases[] = {
        {"5555555555554444", 1, offered,
         "Payment Method: this number is a MasterCard; Visa is chosen."},
        {"4111111111111111", 2, offered,
         "Payment Method: this number is a Visa; MasterCard is chosen."},
        {"6011111111111117", 3, offered,
         "Payment Method: this number is a Discover; American Express is chosen."},
        {"4111111111111111", 7, offered,
         "Payment Method: this number is a Visa; Store Card is chosen."},
        {"6200000000000005", 1, offered,
         "Payment Method: this number belongs to none of the cards this lab takes; Visa is "
         "chosen."},
        {"5555555555554444",
         1,
         {{1, "Visa"}, {3, "American Express"}},
         "Payment Method: this number belongs to none of the cards this lab takes; Visa is "
         "chosen."},
        {"5555555555554444",
         1,
         {},
         "Payment Method: the card number does not suit the payment method chosen."},
    };
    for (const auto& c : cases) {
        DetailsEntries e = Complete();
        e.cardNumber = c.number;
        e.paymentMethodId = c.chosen;
        e.methods = c.methods;
        const DetailsCheck check = ValidateDetails(e, 2026, 12);
        EXPECT_EQ(check.message, c.message) << c.number << " as " << c.chosen;
        EXPECT_EQ(check.focus, DetailsField::PaymentMethod);
        EXPECT_EQ(check.fields, std::vector<DetailsField>{DetailsField::PaymentMethod});
    }
}

TEST(ValidateDetails, EveryMissingFieldIsListedToBeMarked) {
    DetailsEntries e = Complete();
    e.lastName = " ";
    e.email.clear();
    e.nameOnCard.clear();
    const DetailsCheck c = ValidateDetails(e, 2026, 12);
    EXPECT_EQ(c.fields, (std::vector<DetailsField>{DetailsField::LastName, DetailsField::Email,
                                                   DetailsField::NameOnCard}));
    EXPECT_TRUE(ValidateDetails(Complete(), 2026, 12).fields.empty());
}

}  // namespace
}  // namespace orlavo::wizard
