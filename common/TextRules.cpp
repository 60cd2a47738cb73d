#include "common/TextRules.h"

namespace orlavo {

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& cp) {
    if (at >= text.size())
        return 0;
    const auto b = static_cast<unsigned char>(text[at]);
    std::size_t len = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2, min = 0x80, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, min = 0x800, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, cp = b & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(text[at + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

std::string FillPlaceholders(std::string text, std::initializer_list<std::string_view> values) {
    int n = 1;
    for (std::string_view v : values) {
        const std::string mark = "%" + std::to_string(n++);
        const std::size_t at = text.find(mark);
        if (at != std::string::npos)
            text.replace(at, mark.size(), v);
    }
    return text;
}

}  // namespace orlavo
