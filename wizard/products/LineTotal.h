#pragma once
// Exact money for a product line: a catalogue price text times a quantity,
// in minor units (hundredths), with no binary fractions on the way.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// QUANTITY times the decimal number at the start of PRICE_TEXT (blanks,
// digits, a point, digits: "0.25", ".25", "12.5 GBP"), rounded to hundredths
// half away from zero: ".25" x 3 gives 75, "0.125" x 3 gives 38. A price text
// without such a number, a negative one or one past 15 whole digits counts 0,
// and so does a quantity below 1. Digits past the ninth decimal are ignored.
std::int64_t LineTotalMinor(std::string_view priceText, std::int64_t quantity);

// Minor units written as an amount: 1250 "12.50", 5 "0.05", -150 "-1.50".
std::string MinorUnitsText(std::int64_t minor);

}  // namespace orlavo::wizard
