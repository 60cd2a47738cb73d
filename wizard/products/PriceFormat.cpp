#include "wizard/products/PriceFormat.h"

namespace orlavo::wizard {

std::string FormatHundredths(std::int64_t hundredths) {
    // Unsigned, so that the most negative amount has a magnitude too.
    const std::uint64_t magnitude = hundredths < 0 ? 0 - static_cast<std::uint64_t>(hundredths)
                                                   : static_cast<std::uint64_t>(hundredths);
    std::string cents = std::to_string(magnitude % 100);
    if (cents.size() < 2) {
        cents.insert(cents.begin(), '0');
    }
    return (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + cents;
}

std::string UnitPriceText(std::string_view priceText) {
    std::string text(priceText);
    if (!text.empty() && text.front() == '.') {
        text.insert(text.begin(), '0');
    }
    return text;
}

std::string PriceWithCurrency(std::string_view priceText, std::string_view currency) {
    return UnitPriceText(priceText) + " " + std::string(currency);
}

}  // namespace orlavo::wizard
