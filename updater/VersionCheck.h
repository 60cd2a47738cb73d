#pragma once
// The rule that decides whether an installed file is out of date.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::updater {

// What is known of the installed copy of a file.
struct InstalledFile {
    bool exists = false;
    std::uint64_t size = 0;
    // Its FileVersion text ("2, 0, 44, 3"), when it carries one.
    std::optional<std::string> fileVersion;
};

// MANIFEST_VERSION has its "," already made ".".
// With a FileVersion: current when both texts are four numbers separated by
// "." (each beginning with a digit) and the installed numbers are not below
// the manifest's; a text that is not four numbers leaves the file out of date.
// Without one: current only when the file exists, is not empty, and its size
// equals the leading digits of MANIFEST_VERSION (pictures are compared by
// their "size").
bool NeedsUpdate(const InstalledFile& installed, std::string_view manifestVersion);

// The number at the start of TEXT (blanks skipped, then digits), saturating;
// 0 without digits.
std::uint64_t LeadingSize(std::string_view text);

}  // namespace orlavo::updater
