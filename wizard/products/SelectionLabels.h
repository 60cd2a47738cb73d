#pragma once
// The photo page's two counters: the size of the selection and the count.

#include <cstdint>
#include <string>

namespace orlavo::wizard {

// Over 1,024,000 bytes " %.2f MB" (bytes / 1,048,576), else " %d KB" (bytes /
// 1024 rounded): 1,024,000 gives " 1000 KB", 1,024,001 gives " 0.98 MB".
std::string SizeLabelText(std::uint64_t selectedBytes);

// " 2 Photos Selected (1 in the current directory)"; "Photo Selected" for one.
std::string CountLabelText(int selectedCount, int checkedInFolder);

}  // namespace orlavo::wizard
