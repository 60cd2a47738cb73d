#include "common/NumberText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace orlavo {

namespace {

std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    return i;
}

}  // namespace

std::int32_t LeadingInt(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double LeadingNumber(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    // from_chars takes a "-" but no "+".
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && text[i] == '-')
            return 0.0;
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

std::int64_t LeadingHundredths(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    auto isDigit = [&text](std::size_t at) {
        return at < text.size() && text[at] >= '0' && text[at] <= '9';
    };
    // The mantissa's digits without leading zeros; WHOLE counts the digits
    // that stand before the point once the exponent is applied.
    std::string digits;
    long long whole = 0;
    bool any = false;
    for (; isDigit(i); ++i) {
        any = true;
        if (!digits.empty() || text[i] != '0') {
            digits += text[i];
            ++whole;
        }
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; isDigit(i); ++i) {
            any = true;
            if (!digits.empty() || text[i] != '0')
                digits += text[i];
            else
                --whole;
        }
    }
    if (!any || digits.empty())
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t at = i + 1;
        bool down = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            down = text[at] == '-';
            ++at;
        }
        if (isDigit(at)) {
            long long exponent = 0;
            for (; isDigit(at); ++at)
                exponent = std::min(exponent * 10 + (text[at] - '0'), 100000LL);
            whole += down ? -exponent : exponent;
        }
    }
    constexpr long long kWholeDigits = 12;
    if (whole > kWholeDigits)
        return 0;
    // The first WHOLE + 2 digits are the hundredths; the next one rounds.
    const long long kept = whole + 2;
    if (kept < 0)
        return 0;
    std::int64_t value = 0;
    for (long long d = 0; d < kept; ++d) {
        const char c = d < static_cast<long long>(digits.size()) ? digits[d] : '0';
        value = value * 10 + (c - '0');
    }
    if (kept < static_cast<long long>(digits.size()) && digits[kept] >= '5')
        ++value;
    return negative ? -value : value;
}

std::int64_t LineHundredths(std::string_view priceText, std::int64_t quantity) {
    if (quantity < 1)
        return 0;
    const std::int64_t price = LeadingHundredths(priceText);
    std::int64_t total = 0;
    if (__builtin_mul_overflow(price, quantity, &total))
        return price < 0 ? INT64_MIN : INT64_MAX;
    return total;
}

}  // namespace orlavo
