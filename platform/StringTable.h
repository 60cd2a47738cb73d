#pragma once
// A numbered string table. Its text form is one string per line:
// "number<TAB>text", where the text may hold \n, \t and \\ escapes.
// Empty lines and lines starting with "#" are ignored.

#include <map>
#include <string>
#include <string_view>

namespace orlavo {

class StringTable {
public:
    static StringTable Parse(std::string_view text);

    // The string, or the empty text for a number the table does not hold.
    std::string get(int id) const;
    bool contains(int id) const { return strings_.count(id) != 0; }
    std::size_t size() const { return strings_.size(); }
    bool empty() const { return strings_.empty(); }

private:
    std::map<int, std::string> strings_;
};

}  // namespace orlavo
