#include "updater/VersionCheck.h"

#include <algorithm>
#include <limits>

#include "common/VersionText.h"

namespace orlavo::updater {

namespace {

// Four pieces separated by "." that each begin with digits (after blanks);
// "a.b.c.d" would read as 0.0.0.0 and make anything look current.
std::optional<VersionNumbers> FourNumbers(std::string_view text) {
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        std::size_t i = start;
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return std::nullopt;
        std::size_t dot = text.find('.', start);
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return ParseVersion(text);
}

}  // namespace

std::uint64_t LeadingSize(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::uint64_t n = 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[i] - '0');
        if (n > (kMax - digit) / 10)
            return kMax;
        n = n * 10 + digit;
    }
    return n;
}

bool NeedsUpdate(const InstalledFile& installed, std::string_view manifestVersion) {
    if (installed.exists && installed.fileVersion) {
        std::string text = *installed.fileVersion;
        std::replace(text.begin(), text.end(), ',', '.');
        const auto have = FourNumbers(text);
        const auto want = FourNumbers(manifestVersion);
        if (!have || !want)
            return true;
        return *have < *want;
    }
    return !(installed.exists && installed.size > 0 &&
             installed.size == LeadingSize(manifestVersion));
}

}  // namespace orlavo::updater
