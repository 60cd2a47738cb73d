#pragma once
// Which part of an answer a Range header asks for, decided so that no
// request, however many ranges it lists, gets more than the answer's size.

#include <cstddef>
#include <string_view>

namespace orlavo::lab {

// More ranges than this in one header are refused.
constexpr std::size_t kMaxRanges = 16;

struct RangeChoice {
    enum class Kind {
        Whole,          // send it all, as if no range were asked for
        Part,           // send FIRST and the LENGTH - 1 bytes after it
        Unsatisfiable,  // no range lies in the answer, or too many were asked for
    };
    Kind kind = Kind::Whole;
    std::size_t first = 0;
    std::size_t length = 0;
};

// Overlapping and adjacent ranges are merged first; several ranges that stay
// apart give the whole answer. A header that cannot be read is ignored.
RangeChoice ChooseRange(std::string_view header, std::size_t size);

}  // namespace orlavo::lab
