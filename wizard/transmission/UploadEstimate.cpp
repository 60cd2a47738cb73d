#include "wizard/transmission/UploadEstimate.h"

#include <cstdio>

namespace orlavo::transmission {

std::int64_t RoundedDivide(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    std::int64_t r = a % b;
    if (2 * (r < 0 ? -r : r) >= b) {
        q += a < 0 ? -1 : 1;
    }
    return q;
}

std::optional<std::string> EstimateText(std::uint64_t sent, std::int64_t elapsedSeconds,
                                        std::uint64_t total) {
    if (elapsedSeconds < 1 || sent == 0) {
        return std::nullopt;
    }
    std::int64_t rate = RoundedDivide(static_cast<std::int64_t>(sent), elapsedSeconds);
    if (rate <= 0) {
        return std::nullopt;
    }
    std::int64_t left = total > sent ? static_cast<std::int64_t>(total - sent) : 0;
    std::int64_t remaining = RoundedDivide(left, rate);
    std::int64_t hours = remaining / 3600;
    std::int64_t minutes = remaining / 60 - hours * 60;
    std::int64_t seconds = remaining % 60;
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%lld:%lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(seconds));
    return std::string(text);
}

}  // namespace orlavo::transmission
