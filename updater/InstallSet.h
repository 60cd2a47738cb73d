#pragma once
// Puts a set of new files in place of installed ones as one step: every new
// file is first written beside the one it replaces (in the same folder, so on
// the same file system as the rename), then all are renamed in, and when a
// rename fails, or a cancel comes between two files, the ones already renamed
// are taken back. Each rename swaps the new file with the old one, which
// stays under the new file's former name until the set is finished, so a
// file is at every moment either the old one or the new one, whole, also when
// the process is killed.

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orlavo::updater {

class InstallSet {
public:
    InstallSet() = default;
    // Removes what the set still holds: new files not put in place, and the
    // old files of a set that was put in place.
    ~InstallSet();
    InstallSet(const InstallSet&) = delete;
    InstallSet& operator=(const InstallSet&) = delete;

    // Makes the empty file that takes TARGET's new bytes, beside TARGET. Gives
    // the empty text, or why TARGET cannot be replaced: its folder is missing
    // (folders are not made) or may not be written, TARGET is no regular
    // file, or it exists and may not be written. A new file gets
    // NEW_FILE_MODE; a replaced one keeps its permissions.
    std::string add(const std::filesystem::path& target, unsigned newFileMode = 0644);
    std::size_t size() const { return files_.size(); }
    // Where the I-th file's new bytes go.
    const std::string& stagedPath(std::size_t i) const { return files_[i].staged; }

    // Gives each new file its permissions and puts every byte on the disk.
    bool seal();

    enum class Outcome { Done, Cancelled, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::size_t failedAt = 0;  // the file whose rename failed
        // New files still in place: all when Done, else those that could not
        // be taken back (0 when the installation is as it was).
        std::size_t inPlace = 0;
    };
    // Renames the new files in, in order, calling BEFORE_EACH(i) before the
    // I-th. CANCEL is looked at between two files. Cancelled or Failed: the
    // files already renamed are taken back.
    Result commit(const std::atomic<bool>* cancel,
                  const std::function<void(std::size_t)>& beforeEach = {});
    // Takes back every file that commit() put in place; gives how many could
    // not be (0: the installation is as it was).
    std::size_t rollBack();
    // The set stays as installed: the old files go.
    void finish();

private:
    struct File {
        std::filesystem::path target;
        std::string staged;  // the new bytes; once swapped in, the old file
        std::string backup;  // the old file, when it could not be swapped but was linked
        unsigned mode = 0644;
        bool replaces = false;  // a file stood at TARGET when the set was made
        bool inPlace = false;
    };
    bool swapIn(File& f);
    bool takeBack(File& f);
    bool syncFolders() const;

    std::vector<File> files_;
};

// The prefix of the files an InstallSet makes beside TARGET.
std::string ReplacementPrefix(const std::filesystem::path& target);
// Removes what the InstallSet of a run that was killed left beside each of
// TARGETS; each folder is read once.
void RemoveReplacementLeftovers(const std::vector<std::filesystem::path>& targets);

}  // namespace orlavo::updater
