#pragma once
// How amounts and prices are written on the product page and the summary.

#include <string>
#include <string_view>

namespace orlavo::wizard {

// Rounded to two decimals, "0" before the point below 1, no thousands
// separator: 12.5 "12.50", 0.5 "0.50", 0.05 "0.05", 0 "0.00". Independent of
// the locale. A negative amount keeps its "-"; a value that is not finite
// gives "0.00".
std::string FormatMoney(double amount);

// A catalogue price text as shown: "0" put in front of a leading ".".
std::string UnitPriceText(std::string_view priceText);

// UnitPriceText + " " + CURRENCY, for example "0.25 GBP".
std::string PriceWithCurrency(std::string_view priceText, std::string_view currency);

}  // namespace orlavo::wizard
