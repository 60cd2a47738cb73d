#include "common/VersionText.h"

#include <algorithm>
#include <climits>

namespace orlavo {

std::string ProgramVersionText(std::string_view fileVersion) {
    std::string out;
    out.reserve(fileVersion.size());
    for (char c : fileVersion) {
        if (c == ' ') continue;
        out.push_back(c == ',' ? '.' : c);
    }
    return out;
}

std::string ResourceVersionText(std::string_view fileVersion) {
    std::string out(fileVersion);
    std::replace(out.begin(), out.end(), ',', '.');
    return out;
}

namespace {

// Leading decimal value of a piece as the C library reads it: blanks skipped,
// an optional sign, then digits; anything else ends it. Clamped, never UB.
std::int32_t LeadingDecimal(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' ||
                            s[i] == '\v' || s[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

std::optional<VersionNumbers> ParseVersion(std::string_view text) {
    VersionNumbers v;
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        std::size_t dot = text.find('.', start);
        if (k < 3 && dot == std::string_view::npos) return std::nullopt;
        std::size_t end = (k < 3) ? dot : text.size();
        v.n[k] = LeadingDecimal(text.substr(start, end - start));
        start = end + 1;
    }
    return v;
}

bool BundleVersionAccepted(std::string_view programVersion, std::string_view bundleVersion) {
    auto program = ParseVersion(programVersion);
    auto bundle = ParseVersion(bundleVersion);
    return program && bundle && program->n[2] == bundle->n[2];
}

}  // namespace orlavo
