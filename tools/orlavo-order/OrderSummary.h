#pragma once
// What the order summary step shows, as text for a terminal: the payment,
// the two addresses read back from the manifest template, and the quote.

#include <string>
#include <string_view>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/transmission/PriceQuote.h"

namespace orlavo::order {

// Every character but the last five replaced by "x"; five or fewer unchanged.
std::string SummaryCardNumber(std::string_view number);

std::string SummaryText(const wizard::CXmlDocuments& docs,
                        const transmission::PriceQuoteInfo& quote, std::string_view shopName);

// The message for a failed order as the summary step shows it: the two
// server codes become their texts, anything else is shown as it came.
std::string OrderFailureText(const std::string& message);

}  // namespace orlavo::order
