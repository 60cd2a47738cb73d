// The photo page's label and column texts, and the folder view's sort order.

#include "wizard/photos/SelectionTexts.h"

#include <gtest/gtest.h>

#include "wizard/photos/FolderSort.h"

namespace orlavo::wizard {
namespace {

TEST(SelectionTexts, SizeLabelSwitchesToMegabytesAbove1024000Bytes) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, " 0 KB"},
        {511, " 0 KB"},
        {512, " 1 KB"},
        {1024000, " 1000 KB"},
        {1024001, " 0.98 MB"},
        {1048576, " 1.00 MB"},
        {5000000000ULL, " 4768.37 MB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SizeLabelText(c.bytes, "KB", "MB"), c.text) << c.bytes;
}

TEST(SelectionTexts, CountLabelSaysPhotoOrPhotosAndHowManyAreInTheFolder) {
    const char* inFolder = " (%d in the current directory)";
    EXPECT_EQ(CountLabelText(2, 1, "Photo Selected", "Photos Selected", inFolder),
              " 2 Photos Selected (1 in the current directory)");
    EXPECT_EQ(CountLabelText(1, 0, "Photo Selected", "Photos Selected", inFolder),
              " 1 Photo Selected (0 in the current directory)");
    EXPECT_EQ(CountLabelText(0, 0, "Photo Selected", "Photos Selected", inFolder),
              " 0 Photos Selected (0 in the current directory)");
    // A translated text is filled, never used as a format.
    EXPECT_EQ(FillNumber(" (%s %n %d)", 3), " (%s %n 3)");
    EXPECT_EQ(FileSizeText(1535, "KB"), "1 KB");
    EXPECT_EQ(FileSizeText(1536, "KB"), "2 KB");
    EXPECT_EQ(DimensionsText(4000, 3000), "4000 x 3000");
}

std::vector<std::size_t> Sorted(const std::vector<FolderSortKeys>& items,
                                const std::vector<int>& clicks) {
    FolderSortState state;  // as after a folder change
    for (int c : clicks)
        state.click(c);
    return SortedOrder(items, state);
}

TEST(FolderSort, ColumnsSortByTheirValueAndNameKeepsTheFoldersOrder) {
    // In the folder's order: sizes 30, 10, unknown, 20, 10; widths and dates vary.
    const std::vector<FolderSortKeys> items{
        {true, 30, 800, 600, 5}, {true, 10, 800, 500, 4},  {false, 0, 0, 0, 0},
        {true, 20, 640, 480, 9}, {true, 10, 1024, 768, 1},
    };
    using V = std::vector<std::size_t>;
    const V folder{0, 1, 2, 3, 4};
    EXPECT_EQ(Sorted(items, {}), folder);
    EXPECT_EQ(Sorted(items, {0}), folder);
    EXPECT_EQ(Sorted(items, {0, 0}), folder);
    // Equal sizes keep the folder's order; photos without values stay last.
    EXPECT_EQ(Sorted(items, {1}), (V{1, 4, 3, 0, 2}));
    EXPECT_EQ(Sorted(items, {1, 1}), (V{0, 3, 1, 4, 2}));
    EXPECT_EQ(Sorted(items, {2}), (V{3, 1, 0, 4, 2}));
    EXPECT_EQ(Sorted(items, {3}), (V{4, 1, 0, 3, 2}));
    EXPECT_EQ(Sorted(items, {3, 1}), (V{1, 4, 3, 0, 2}));
    EXPECT_EQ(Sorted(items, {1, 0}), folder);
}

}  // namespace
}  // namespace orlavo::wizard
