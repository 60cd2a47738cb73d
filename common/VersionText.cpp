#include "common/VersionText.h"

#include <algorithm>

#include "common/NumberText.h"

namespace orlavo {

std::string ProgramVersionText(std::string_view fileVersion) {
    std::string out;
    out.reserve(fileVersion.size());
    for (char c : fileVersion) {
        if (c == ' ')
            continue;
        out.push_back(c == ',' ? '.' : c);
    }
    return out;
}

std::string ResourceVersionText(std::string_view fileVersion) {
    std::string out(fileVersion);
    std::replace(out.begin(), out.end(), ',', '.');
    return out;
}

std::optional<VersionNumbers> ParseVersion(std::string_view text) {
    VersionNumbers v;
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        std::size_t dot = text.find('.', start);
        if (k < 3 && dot == std::string_view::npos)
            return std::nullopt;
        std::size_t end = (k < 3) ? dot : text.size();
        v.n[k] = LeadingInt(text.substr(start, end - start));
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
