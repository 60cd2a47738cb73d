#pragma once
// Numbers read from the start of a text, the way the C library's atoi and
// atof read them, but without undefined behaviour or dependence on the locale.

#include <cstdint>
#include <string_view>

namespace orlavo {

// Blanks, an optional sign, then digits; anything else ends it. 0 when there
// is no number; saturates at the 32-bit limits instead of overflowing.
std::int32_t LeadingInt(std::string_view text);

// A decimal number at the start ("0.35", ".35", "2 GBP", "1e2"); 0 for no
// number or a value that is not finite.
double LeadingNumber(std::string_view text);

// The same leading number ("0.25", ".25", "2 GBP", "1e2", "-0.5") in whole
// hundredths, read from its digits so that no binary fraction creeps in.
// More than two decimals are rounded half away from zero ("1.999" 200,
// "0.125" 13), as the lab reckons prices. 0 for no number, and for a number
// of more than 12 whole digits, which is no price.
std::int64_t LeadingHundredths(std::string_view text);

// A product line's money: QUANTITY times the price text's LeadingHundredths,
// held at the 64-bit bounds rather than wrapping; 0 for a quantity below 1.
// Every total of an order (a row, step 4's list, the subtotal) adds these.
std::int64_t LineHundredths(std::string_view priceText, std::int64_t quantity);

}  // namespace orlavo
