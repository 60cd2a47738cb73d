#pragma once
// The rules with which the details step checks the customer's entries
// before anything is stored or sent. Pure functions; the page (or the
// command-line tool) shows the message and moves the focus.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlavo::wizard {

// Payment methods without a card: shop payment and its like.
inline constexpr int kNoCardMethod = 6;
inline constexpr int kShopPaymentMethod = 9;
// The card with start date, issue number and security code.
inline constexpr int kStartDateCardMethod = 5;

inline bool IsCardMethod(int methodId) {
    return methodId != kNoCardMethod && methodId != kShopPaymentMethod;
}

// The entry that a failed check points at.
enum class DetailsField {
    None,
    FirstName,
    LastName,
    Address,
    City,
    Postcode,
    Email,
    ShippingName,
    ShippingAddress,
    ShippingCity,
    ShippingPostcode,
    CardNumber,
    NameOnCard,
    IssueNo,
    SecurityCode,
    StartMonth,
    ExpiryMonth,
    PaymentMethod,
};

// What the checks read of the page's entries, as typed.
struct DetailsEntries {
    std::string firstName;
    std::string lastName;
    std::string address;
    std::string city;
    std::string postcode;
    std::string email;
    bool sameAsBilling = false;
    bool shopCollection = false;
    std::string shippingName;
    std::string shippingAddress;
    std::string shippingCity;
    std::string shippingPostcode;
    int paymentMethodId = -1;
    std::string cardNumber;
    std::string nameOnCard;
    std::string issueNo;
    std::string securityCode;
    std::string startMonth;  // "01" to "12"
    std::string startYear;   // four digits
    std::string expiryMonth;
    std::string expiryYear;
    // The payment methods offered (id, name), so that a number that suits
    // another card than the one chosen can name both.
    std::vector<std::pair<int, std::string>> methods;
};

struct DetailsCheck {
    bool ok = true;
    // Required fields: one line each ("- First Name missing\n"); otherwise the
    // one message of the first failing format check.
    std::string message;
    DetailsField focus = DetailsField::None;
    // Every entry the message is about (the focus first), to be marked.
    std::vector<DetailsField> fields;
    // The failure is of required fields: the focus moves before the message
    // is shown, for the other checks after it.
    bool missing = false;
};

// All checks in their order: required fields together, then e-mail, the card
// dates against today's YEAR and MONTH (1..12), the card type and number.
DetailsCheck ValidateDetails(const DetailsEntries& entries, int year, int month);

// Contains "@" after the first character and a "." anywhere.
bool IsValidEmail(std::string_view email);

// The number's prefix suits the payment method (1 Visa "4", 2 "51".."55",
// 3 "34".."37", 5 any, 8 "6011"); every other method fails. Blanks and
// dashes between digit groups do not count.
bool IsValidCardType(std::string_view number, int methodId);

// Method 5 passes; otherwise 13 to 19 digits (blanks and dashes between
// them removed) passing the Luhn rule.
bool IsValidCardChecksum(std::string_view number, int methodId);

// The years the card date lists offer, given this year: a start date from
// ten years back to this year, an expiry date from this year to twenty
// years ahead.
std::vector<int> StartYearChoices(int thisYear);
std::vector<int> ExpiryYearChoices(int thisYear);

// The leading run of decimal digits as a number; 0 when there is none.
int LeadingDigits(std::string_view text);

}  // namespace orlavo::wizard
