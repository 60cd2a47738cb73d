#include "common/NumberText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

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

}  // namespace orlavo
