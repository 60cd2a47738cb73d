#pragma once
// Puts a downloaded file in place of an installed one, all or nothing.

#include <filesystem>
#include <string>

namespace orlavo::updater {

// Copies SOURCE to TARGET atomically: the bytes go to a temporary file in
// TARGET's own folder, are flushed to the disk, take the permissions of the
// file they replace (or NEW_FILE_MODE for a new file), and the temporary
// file is then renamed over TARGET. So TARGET is at every moment either the
// old file or the new one, also when the process is killed half-way.
// Fails, leaving TARGET as it was, when SOURCE cannot be read, TARGET's
// folder is missing (folders are not created) or cannot be written, TARGET
// exists but may not be written, or TARGET is a folder. Temporary files left
// by an earlier run that was killed while replacing TARGET are removed.
bool CopyInstalledFile(const std::string& source, const std::filesystem::path& target,
                       unsigned newFileMode = 0644);

// The prefix of the temporary files made beside TARGET.
std::string ReplacementPrefix(const std::filesystem::path& target);

}  // namespace orlavo::updater
