#include "wizard/products/PriceFormat.h"

#include <charconv>
#include <cmath>

namespace orlavo::wizard {

std::string FormatMoney(double amount) {
    if (!std::isfinite(amount)) {
        return "0.00";
    }
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, amount, std::chars_format::fixed, 2);
    if (ec != std::errc()) {
        return "0.00";
    }
    std::string text(buffer, end);
    if (text == "-0.00") {
        text = "0.00";
    }
    return text;
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
