#include "wizard/customer/EnteredText.h"

namespace orlavo::wizard {

namespace {

// The next code point of TEXT at I, advancing I; U+FFFFFFFF for a byte that
// starts no valid sequence (I then moves past that one byte).
char32_t Next(std::string_view text, std::size_t& i) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        ++i;
        return kBad;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) {
        ++i;
        return kBad;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kBad;
        }
        c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8.
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kBad;
    }
    i += extra + 1;
    return c;
}

void Append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

bool IsEnterableCharacter(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        return false;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
        return false;
    }
    if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
        return false;
    }
    return c <= 0x10FFFF;
}

std::string CleanEnteredText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = Next(utf8, i);
        if (c == '\t' || c == '\n' || c == '\r') {
            out.push_back(' ');
        } else if (IsEnterableCharacter(c)) {
            Append(out, c);
        }
    }
    return out;
}

}  // namespace orlavo::wizard
