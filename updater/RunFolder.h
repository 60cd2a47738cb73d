#pragma once
// The temporary folder of one updater run: the downloaded manifest lives here
// until the run ends, and goes with it whatever the outcome. (The files of an
// update are written beside the files they replace: see InstallSet.)
//
// Named "halvane-<pid>-XXXXXX" in the user's temporary folder, so that a run
// that was killed leaves a folder the next run recognises and removes.

#include <filesystem>
#include <string>
#include <string_view>

namespace orlavo::updater {

class RunFolder {
public:
    // Makes the folder in TEMP_ROOT (the system's temporary folder when
    // empty), after removing the folders of earlier runs whose process has
    // ended.
    explicit RunFolder(std::filesystem::path tempRoot = {});
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

    // A new empty file with a unique name starting with PREFIX ("updt");
    // empty on failure.
    std::string makeFile(std::string_view prefix) const;

    // Removes the folders "halvane-<pid>-*" in ROOT whose process no longer
    // runs; gives how many went.
    static int RemoveAbandoned(const std::filesystem::path& root);

private:
    std::filesystem::path path_;
};

}  // namespace orlavo::updater
