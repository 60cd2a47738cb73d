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

}  // namespace orlavo
