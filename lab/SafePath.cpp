#include "lab/SafePath.h"

#include <system_error>

namespace orlavo::lab {

namespace fs = std::filesystem;

namespace {
bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}
}  // namespace

std::string SafeFileName(std::string_view name) {
    std::size_t cut = name.find_last_of("/\\:");
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    std::string out;
    for (char c : name) {
        if (out.size() >= 120)
            break;
        out.push_back(IsNameChar(c) ? c : '_');
    }
    std::size_t lead = out.find_first_not_of('.');
    out.erase(0, lead == std::string::npos ? out.size() : lead);
    if (out.empty() || out.find_first_not_of('_') == std::string::npos)
        return "photo.jpg";
    return out;
}

bool IsSafeOrderId(std::string_view id) {
    if (id.empty() || id.size() > 64)
        return false;
    for (char c : id)
        if (!IsNameChar(c) || c == '.')
            return false;
    return true;
}

std::optional<fs::path> ResolveUnder(const fs::path& root, std::string_view relative) {
    if (relative.empty() || relative.front() == '/')
        return std::nullopt;
    fs::path out = root;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        std::string_view seg = relative.substr(start, end - start);
        if (seg.empty() || seg == "." || seg == ".." ||
            seg.find_first_of(std::string_view("\\\0", 2)) != std::string_view::npos)
            return std::nullopt;
        out /= std::string(seg);
        start = end + 1;
    }
    std::error_code ec;
    fs::path realRoot = fs::weakly_canonical(root, ec);
    if (ec)
        return std::nullopt;
    fs::path real = fs::weakly_canonical(out, ec);
    if (ec)
        return std::nullopt;
    auto rel = real.lexically_relative(realRoot);
    if (rel.empty() || *rel.begin() == "..")
        return std::nullopt;
    return out;
}

}  // namespace orlavo::lab
