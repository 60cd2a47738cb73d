#pragma once
// Where a file of the manifest goes: only ever inside the installation folder.

#include <filesystem>
#include <optional>
#include <string_view>

namespace orlavo::updater {

// FILENAME as a path relative to the installation folder, or nothing when
// the name itself is not one to write: empty, absolute ("/x", "C:\x"), with
// a ".." part, ending in a separator, naming the folder itself, or holding a
// NUL. "\" counts as a separator, as in manifests written for Windows; "."
// parts and repeated separators are dropped. A plain function of the name.
std::optional<std::filesystem::path> InstallRelativePath(std::string_view filename);

// The path of FILENAME inside FOLDER, or nothing when InstallRelativePath
// refuses the name or it leads outside FOLDER through a symbolic link (of a
// folder on the way, or of the file itself). The file and its folders need
// not exist.
std::optional<std::filesystem::path> ResolveInstallTarget(const std::filesystem::path& folder,
                                                          std::string_view filename);

// The installation folder can take files: it is a folder (a link to one
// counts), the file-system root included.
bool InstallFolderUsable(const std::filesystem::path& folder);

// This process may put files into FOLDER: false for an installation shared
// by all users (owned by root, kept by the package manager) and for one on a
// read-only file system.
bool InstallFolderWritable(const std::filesystem::path& folder);

}  // namespace orlavo::updater
