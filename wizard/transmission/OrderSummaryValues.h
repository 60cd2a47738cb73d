#pragma once
// What the order summary step shows, read from the manifest template (the
// customer's details as the details step wrote them), the chosen shop's name,
// the last price quote and the catalogue's currency. Everything is text as
// it was stored or sent; nothing is reformatted.

#include <array>
#include <string>
#include <string_view>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/transmission/PriceQuote.h"

namespace orlavo::transmission {

struct SummaryRow {
    std::string label;
    std::string value;
};

struct OrderSummaryValues {
    std::string paymentMethod;  // the method's display name
    bool cardMethod = true;
    // Card: name on card, masked number, voucher, promo. Methods 6 and 9:
    // voucher, promo and two empty rows.
    std::array<SummaryRow, 4> paymentRows;

    std::string billingName;  // first name, one blank, last name
    std::string billingAddress1, billingAddress2, billingCity, billingState, billingZip;
    std::string billingCountry, billingPhone;

    std::string shopName;  // empty for home delivery
    std::string shippingName, shippingAddress1, shippingAddress2, shippingCity, shippingState;
    std::string shippingZip, shippingCountry, shippingPhone;

    // Each the quote's text, one blank and the currency ("12.50 GBP"); the
    // discount as a reduction ("-0.65 GBP").
    std::string subtotal, postage, discount, total;
    std::string freePrints;  // the quote's text
    bool freePrintsShown = false;
    std::string message;  // the quote's msg
};

// Every character but the last four replaced by "x" (no more of a card
// number is ever shown); four or fewer unchanged.
std::string SummaryCardNumber(std::string_view number);

// An amount as shown: the quote's text, one blank, the currency.
std::string SummaryAmount(std::string_view amount, std::string_view currency);

// The discount as shown: a reduction, "-0.65 GBP" for "0.65". A text the lab
// already sent with its minus, and one whose value is 0 or that has none,
// are shown as they came.
std::string SummaryDiscount(std::string_view amount, std::string_view currency);

// The free-prints group shows when the number's integer value is above 0.
bool FreePrintsShown(std::string_view numFreePrints);

OrderSummaryValues ReadOrderSummary(const wizard::CXmlDocuments& docs, const PriceQuoteInfo& quote,
                                    std::string_view shopName);

}  // namespace orlavo::transmission
