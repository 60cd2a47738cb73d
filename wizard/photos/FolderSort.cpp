#include "wizard/photos/FolderSort.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace orlavo::wizard {

void FolderSortState::click(int c) {
    if (c == column) {
        ascending = !ascending;
    } else {
        column = c;
        ascending = true;
    }
}

namespace {

// -1, 0 or 1 for A against B in COLUMN, ascending.
int Compare(const FolderSortKeys& a, const FolderSortKeys& b, int column) {
    auto three = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (column) {
        case 1:
            return three(a.fileSize, b.fileSize);
        case 2:
            return three(std::tie(a.width, a.height), std::tie(b.width, b.height));
        case 3:
            return three(a.lastModified, b.lastModified);
        default:
            return 0;
    }
}

}  // namespace

std::vector<std::size_t> SortedOrder(const std::vector<FolderSortKeys>& items,
                                     FolderSortState state) {
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (state.column < 1 || state.column > 3)
        return order;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const FolderSortKeys& a = items[x];
        const FolderSortKeys& b = items[y];
        if (a.known != b.known)
            return a.known;
        if (!a.known)
            return false;
        const int c = Compare(a, b, state.column);
        return state.ascending ? c < 0 : c > 0;
    });
    return order;
}

}  // namespace orlavo::wizard
