#include "lab/Money.h"

#include <cstdio>

namespace orlavo::lab {

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

std::optional<std::int64_t> ParseAmount(std::string_view text) {
    std::size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view frac =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (whole.empty() && frac.empty())
        return std::nullopt;
    if (whole.size() > 12)
        return std::nullopt;
    std::int64_t units = 0;
    for (char c : whole) {
        if (!IsDigit(c))
            return std::nullopt;
        units = units * 10 + (c - '0');
    }
    std::int64_t cents = 0;
    for (std::size_t i = 0; i < frac.size(); ++i) {
        if (!IsDigit(frac[i]))
            return std::nullopt;
        if (i < 2)
            cents = cents * 10 + (frac[i] - '0');
    }
    if (frac.size() == 1)
        cents *= 10;
    if (frac.size() > 2 && frac[2] >= '5')
        ++cents;
    return units * 100 + cents;
}

std::string FormatAmount(std::int64_t hundredths) {
    const char* sign = hundredths < 0 ? "-" : "";
    std::int64_t v = hundredths < 0 ? -hundredths : hundredths;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", sign, static_cast<long long>(v / 100),
                  static_cast<long long>(v % 100));
    return buf;
}

std::optional<std::int64_t> ParseCount(std::string_view text, std::int64_t limit) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t v = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > limit)
            return std::nullopt;
    }
    return v;
}

}  // namespace orlavo::lab
