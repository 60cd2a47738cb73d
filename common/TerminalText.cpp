#include "common/TerminalText.h"

#include <cstdio>

#include "common/TextRules.h"

namespace orlavo {

namespace {

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
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
            const std::size_t len = Utf8SequenceAt(text, i, cp);
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

}  // namespace orlavo
