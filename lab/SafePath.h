#pragma once
// Names from requests turned into paths that stay inside the lab's folder.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo::lab {

// The last part of a client's path (after any "/", "\" or ":"), with every
// character outside letters, digits, ".", "_" and "-" made "_", no leading
// dot, at most 120 characters; "photo.jpg" when nothing is left.
std::string SafeFileName(std::string_view name);

// An order id the lab will use as a folder name: 1 to 64 letters, digits,
// "_" or "-".
bool IsSafeOrderId(std::string_view id);

// ROOT joined with a "/"-separated RELATIVE path, or no value when RELATIVE is
// absolute, has an empty, "." or ".." segment, a backslash or a NUL, or leads
// outside ROOT through a link.
std::optional<std::filesystem::path> ResolveUnder(const std::filesystem::path& root,
                                                  std::string_view relative);

}  // namespace orlavo::lab
