#pragma once
// How amounts and prices are written on the product page and the summary.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// An amount kept in whole hundredths, written with two decimals, "0" before
// the point below 1, no thousands separator, whatever the locale: 1250
// "12.50", 5 "0.05", 0 "0.00", -65 "-0.65".
std::string FormatHundredths(std::int64_t hundredths);

// A catalogue price text as shown: "0" put in front of a leading ".".
std::string UnitPriceText(std::string_view priceText);

// UnitPriceText + " " + CURRENCY, for example "0.25 GBP".
std::string PriceWithCurrency(std::string_view priceText, std::string_view currency);

}  // namespace orlavo::wizard
