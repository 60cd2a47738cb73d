#pragma once
// The sort order of the photo page's folder view.
//
// Column 0 ("File Name") is always the folder's own order, whichever way the
// flag points, so sorting by name twice changes nothing. Columns 1 to 3
// ("File Size", "Image Dimensions" by width then height, "Last Modified")
// sort by their value, reversed when the flag is not set. Photos whose
// thumbnail is not made yet have no values: they stand after the others, in
// the folder's order, whichever way the flag points. Equal values keep the
// folder's order too, so the result is a strict, repeatable order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlavo::wizard {

struct FolderSortKeys {
    bool known = false;  // the thumbnail is made and the values are filled
    std::uint64_t fileSize = 0;
    int width = 0;
    int height = 0;
    std::int64_t lastModified = 0;
};

// The header clicks so far: a column and an ascending flag.
struct FolderSortState {
    int column = 0;
    bool ascending = false;

    // The same column flips the flag; another becomes the column, ascending.
    void click(int c);
};

// The positions of ITEMS (given in the folder's order) in sorted order.
std::vector<std::size_t> SortedOrder(const std::vector<FolderSortKeys>& items,
                                     FolderSortState state);

}  // namespace orlavo::wizard
