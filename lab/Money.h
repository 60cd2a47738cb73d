#pragma once
// Amounts as the lab reckons them: whole hundredths of the currency unit, so
// that sums of prices never pick up binary fractions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::lab {

// "0.25", ".35", "12" and "1.5" are read; more than two decimals are rounded
// half up. Signs, blanks and anything else give no value.
std::optional<std::int64_t> ParseAmount(std::string_view text);

// Two decimals, for example 1250 gives "12.50".
std::string FormatAmount(std::int64_t hundredths);

// A non-negative decimal integer without sign or blanks, at most LIMIT.
std::optional<std::int64_t> ParseCount(std::string_view text, std::int64_t limit);

}  // namespace orlavo::lab
