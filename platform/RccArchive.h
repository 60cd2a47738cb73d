#pragma once
// Reads a Qt binary resource file (".rcc") with every offset checked, so
// that a damaged or foreign file is refused instead of trusted: Qt's own
// registration believes the offsets it finds and can crash on a bad file.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo {

class RccArchive {
public:
    // Nothing when BYTES are not a well-formed resource file.
    static std::optional<RccArchive> Parse(std::string bytes);

    // The bytes of the file at PATH ("strings.tsv", "icons/128.png"), or
    // nothing when there is none or it cannot be unpacked.
    std::optional<std::string> file(std::string_view path) const;
    std::size_t fileCount() const { return entries_.size(); }

private:
    struct Entry {
        std::size_t offset = 0;
        std::size_t size = 0;
        bool zlib = false;
    };
    std::string bytes_;
    std::map<std::string, Entry, std::less<>> entries_;
};

}  // namespace orlavo
