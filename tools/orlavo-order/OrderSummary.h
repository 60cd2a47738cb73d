#pragma once
// What the order summary step shows, as text for a terminal: the payment,
// the two addresses read back from the manifest template, and the quote.

#include <string>
#include <string_view>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/transmission/OrderSummaryValues.h"
#include "wizard/transmission/PriceQuote.h"

namespace orlavo::order {

// The card number and the discount as the summary step shows them.
using transmission::SummaryCardNumber;
using transmission::SummaryDiscount;

std::string SummaryText(const wizard::CXmlDocuments& docs,
                        const transmission::PriceQuoteInfo& quote, std::string_view shopName);

// The message for a failed order as the summary step shows it: the two
// server codes become their texts, anything else is shown as it came.
std::string OrderFailureText(const std::string& message);

}  // namespace orlavo::order
