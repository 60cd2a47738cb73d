#pragma once
// The card number as people type it and as the lab receives it: digits in
// groups of four on screen, digits only on the wire.

#include <cstddef>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// Card numbers run from 13 digits (old Visa) to 19 (some Maestro and
// UnionPay cards); 15 is American Express.
inline constexpr std::size_t kMinCardDigits = 13;
inline constexpr std::size_t kMaxCardDigits = 19;

// TYPED with the blanks and dashes that separate digit groups removed;
// every other character is kept, so that a stray letter still fails.
std::string CardNumberDigits(std::string_view typed);

// 13 to 19 decimal digits (after CardNumberDigits) whose Luhn sum, counted
// from the rightmost digit, is divisible by 10.
bool IsValidCardNumber(std::string_view typed);

// The decimal digits of TYPED, at most kMaxCardDigits of them, in groups of
// four separated by one blank: "4111 1111 1111 1111".
std::string GroupCardDigits(std::string_view typed);

// Where the cursor stands in the grouped text after DIGITS_BEFORE digits.
int GroupedCursor(int digitsBefore);

}  // namespace orlavo::wizard
