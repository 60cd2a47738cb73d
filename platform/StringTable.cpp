#include "platform/StringTable.h"

#include <charconv>

namespace orlavo {

namespace {

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out.push_back(n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n);
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace

StringTable StringTable::Parse(std::string_view text) {
    StringTable t;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        int id = 0;
        auto [p, ec] = std::from_chars(line.data(), line.data() + tab, id);
        if (ec != std::errc() || p != line.data() + tab)
            continue;
        t.strings_[id] = Unescape(line.substr(tab + 1));
    }
    return t;
}

std::string StringTable::get(int id) const {
    auto it = strings_.find(id);
    return it == strings_.end() ? std::string() : it->second;
}

}  // namespace orlavo
