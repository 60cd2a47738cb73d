#include "lab/ByteRanges.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "lab/Money.h"

namespace orlavo::lab {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::uint64_t> Number(std::string_view s) {
    auto n = ParseCount(s, std::numeric_limits<std::int64_t>::max());
    if (!n)
        return std::nullopt;
    return static_cast<std::uint64_t>(*n);
}

}  // namespace

RangeChoice ChooseRange(std::string_view header, std::size_t size) {
    RangeChoice whole;
    header = Trim(header);
    if (header.substr(0, 6) != "bytes=")
        return whole;
    header.remove_prefix(6);

    // Inclusive [first, last] pairs that lie in the answer.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    std::size_t count = 0;
    while (!header.empty()) {
        const std::size_t comma = header.find(',');
        std::string_view one = Trim(header.substr(0, comma));
        header = comma == std::string_view::npos ? std::string_view{} : header.substr(comma + 1);
        if (one.empty())
            continue;
        if (++count > kMaxRanges)
            return {RangeChoice::Kind::Unsatisfiable, 0, 0};
        const std::size_t dash = one.find('-');
        if (dash == std::string_view::npos)
            return whole;
        const std::string_view from = one.substr(0, dash), to = one.substr(dash + 1);
        if (from.empty()) {
            // The last N bytes.
            auto n = Number(to);
            if (!n)
                return whole;
            if (*n > 0 && size > 0)
                spans.emplace_back(size - std::min<std::uint64_t>(*n, size), size - 1);
            continue;
        }
        auto first = Number(from);
        auto last = to.empty()
                        ? std::optional<std::uint64_t>(std::numeric_limits<std::uint64_t>::max())
                        : Number(to);
        if (!first || !last || *last < *first)
            return whole;
        if (*first < size)
            spans.emplace_back(*first, std::min<std::uint64_t>(*last, size - 1));
    }
    if (count == 0)
        return whole;
    if (spans.empty())
        return {RangeChoice::Kind::Unsatisfiable, 0, 0};

    std::sort(spans.begin(), spans.end());
    std::uint64_t first = spans.front().first, last = spans.front().second;
    for (const auto& [b, e] : spans) {
        if (b > last + 1)
            return whole;  // apart from the others: answered with the whole
        last = std::max(last, e);
    }
    return {RangeChoice::Kind::Part, static_cast<std::size_t>(first),
            static_cast<std::size_t>(last - first + 1)};
}

}  // namespace orlavo::lab
