#pragma once
// Small rules over UTF-8 texts that several readers and writers share.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orlavo {

// Length of the well-formed UTF-8 sequence of two to four bytes at TEXT[AT],
// with its code point in CP; 0 when the bytes there are not one (overlong,
// cut short, a surrogate or beyond U+10FFFF). Plain ASCII is not a sequence.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& cp);

// TEXT with its marks %1, %2, ... each replaced once by the value of that
// number; a mark that is missing is skipped, a value that has no mark unused.
std::string FillPlaceholders(std::string text, std::initializer_list<std::string_view> values);

}  // namespace orlavo
