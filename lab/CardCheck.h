#pragma once
// Card number checks the lab makes before it accepts an order, and the masked
// form in which a card number may be kept.

#include <string>
#include <string_view>

namespace orlavo::lab {

// 13 to 19 digits (blanks and hyphens between them are ignored) whose Luhn
// sum is divisible by 10: the wizard's own rule.
bool IsValidCardNumber(std::string_view number);

// The card that the lab's issuer always declines, as payment services keep
// one for trying out a refusal: 4000 0000 0000 0002 (it passes the check digit).
bool IsDeclinedTestCard(std::string_view number);

// True when the expiry month (1-12) and year lie before YEAR/MONTH. Texts that
// are not numbers count as not expired; the wizard has checked them.
bool IsExpired(std::string_view expireMonth, std::string_view expireYear, int year, int month);

// Every digit but the last four replaced by "x"; other characters dropped.
std::string MaskCardNumber(std::string_view number);

}  // namespace orlavo::lab
