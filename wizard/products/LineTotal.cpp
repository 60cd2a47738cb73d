#include "wizard/products/LineTotal.h"

#include <limits>

namespace orlavo::wizard {

namespace {

constexpr int kMaxWholeDigits = 15;
constexpr int kMaxDecimals = 9;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int64_t LineTotalMinor(std::string_view priceText, std::int64_t quantity) {
    if (quantity < 1)
        return 0;
    std::size_t i = 0;
    while (i < priceText.size() && (priceText[i] == ' ' || priceText[i] == '\t'))
        ++i;
    // The price as a whole number of 10^-decimals units.
    unsigned __int128 units = 0;
    int whole = 0;
    int decimals = 0;
    bool digits = false;
    for (; i < priceText.size() && IsDigit(priceText[i]); ++i) {
        if (++whole > kMaxWholeDigits)
            return 0;
        units = units * 10 + static_cast<unsigned>(priceText[i] - '0');
        digits = true;
    }
    if (i < priceText.size() && priceText[i] == '.') {
        for (++i; i < priceText.size() && IsDigit(priceText[i]); ++i) {
            digits = true;
            if (decimals == kMaxDecimals)
                continue;
            units = units * 10 + static_cast<unsigned>(priceText[i] - '0');
            ++decimals;
        }
    }
    if (!digits)
        return 0;
    unsigned __int128 total = units * static_cast<unsigned __int128>(quantity);
    // From 10^-decimals to hundredths, halves away from zero.
    if (decimals > 2) {
        unsigned __int128 scale = 1;
        for (int d = 2; d < decimals; ++d)
            scale *= 10;
        total = (total + scale / 2) / scale;
    } else {
        for (int d = decimals; d < 2; ++d)
            total *= 10;
    }
    constexpr auto kMax = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(total > kMax ? kMax : total);
}

std::string MinorUnitsText(std::int64_t minor) {
    const bool negative = minor < 0;
    // Through unsigned, so that the smallest value has a magnitude too.
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(minor) : std::uint64_t(minor);
    std::string cents = std::to_string(magnitude % 100);
    if (cents.size() < 2)
        cents.insert(cents.begin(), '0');
    return (negative ? "-" : "") + std::to_string(magnitude / 100) + "." + cents;
}

}  // namespace orlavo::wizard
