#pragma once
// Moves element FROM of a vector to place TO; those between close up.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace orlavo::wizard {

template <class T>
void MoveWithin(std::vector<T>& items, std::size_t from, std::size_t to) {
    const auto at = [&](std::size_t i) { return items.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else if (to < from)
        std::rotate(at(to), at(from), at(from + 1));
}

}  // namespace orlavo::wizard
