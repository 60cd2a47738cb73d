#pragma once
// The time left of an upload, shown as "%d:%d:%d" (hours, minutes, seconds).

#include <cstdint>
#include <optional>
#include <string>

namespace orlavo::transmission {

// A / B rounded to the nearest integer, halves away from zero; B > 0.
std::int64_t RoundedDivide(std::int64_t a, std::int64_t b);

// From SENT bytes in ELAPSED whole seconds, the time left for the rest of
// TOTAL bytes. None while less than a second has passed or nothing was sent;
// more bytes sent than TOTAL gives 0:0:0 rather than a negative time.
std::optional<std::string> EstimateText(std::uint64_t sent, std::int64_t elapsedSeconds,
                                        std::uint64_t total);

}  // namespace orlavo::transmission
