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

    // Each the quote's text, one blank and the currency ("12.50 GBP").
    std::string subtotal, postage, discount, total;
    std::string freePrints;  // the quote's text
    bool freePrintsShown = false;
    std::string message;  // the quote's msg
};

// Every character but the last five replaced by "x"; five or fewer unchanged.
std::string SummaryCardNumber(std::string_view number);

// An amount as shown: the quote's text, one blank, the currency.
std::string SummaryAmount(std::string_view amount, std::string_view currency);

// The free-prints group shows when the number's integer value is above 0.
bool FreePrintsShown(std::string_view numFreePrints);

OrderSummaryValues ReadOrderSummary(const wizard::CXmlDocuments& docs, const PriceQuoteInfo& quote,
                                    std::string_view shopName);

}  // namespace orlavo::transmission
