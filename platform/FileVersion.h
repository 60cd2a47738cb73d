#pragma once
// Reads the FileVersion embedded in a file we built (an executable or a
// resource bundle) without running it.

#include <optional>
#include <string>

namespace orlavo {

// The FileVersion text, for example "2, 0, 44, 3", or nothing for a file
// without version information (a photo, a text file, a missing file).
std::optional<std::string> ReadFileVersion(const std::string& path);

// The FileVersion of the running program itself.
std::optional<std::string> OwnFileVersion();

// Path of the running executable, and its folder with a final "/".
std::string OwnExecutablePath();
std::string OwnExecutableFolder();

}  // namespace orlavo
