#include "tools/orlavo-order/TerminalText.h"

#include <cstdio>

namespace orlavo::order {

namespace {

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

// Length of the well-formed UTF-8 sequence at TEXT[I] and its code point;
// 0 when the bytes there are not one.
std::size_t Sequence(std::string_view text, std::size_t i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(text[i]);
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
    if (i + len > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

// C1 controls act as escape sequences on some terminals; the direction
// marks and overrides can make a text read other than it is.
bool Hidden(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || cp == 0x061C || (cp >= 0x200E && cp <= 0x200F) ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '\n' || b == '\t' || (b >= 0x20 && b < 0x7F)) {
            out += static_cast<char>(b);
            ++i;
        } else if (b == '\r') {
            out += i + 1 < text.size() && text[i + 1] == '\n' ? "" : "\\r";
            ++i;
        } else if (b == 0x1B) {
            out += "\\e";
            ++i;
        } else if (b < 0x80) {
            out += "\\x" + Hex(b, 2);
            ++i;
        } else {
            char32_t cp = 0;
            const std::size_t len = Sequence(text, i, cp);
            if (len == 0) {
                out += "\\x" + Hex(b, 2);
                ++i;
            } else if (Hidden(cp)) {
                out += "\\u{" + Hex(static_cast<unsigned>(cp), 4) + "}";
                i += len;
            } else {
                out.append(text, i, len);
                i += len;
            }
        }
    }
    return out;
}

}  // namespace orlavo::order
