#pragma once
// The installation: every file that needs an update downloaded beside the
// file it replaces, then the whole set put in place as one step, then the
// manifest's settings written.

#include <atomic>
#include <filesystem>

#include "updater/DownloadFile.h"
#include "updater/UpdateManifest.h"
#include "updater/UpdateObserver.h"

namespace orlavo {
class RegistryStore;
}

namespace orlavo::updater {

enum class InstallOutcome {
    Done,       // every file in place, the settings written
    Failed,     // the folder is unusable, a file cannot be replaced, a download
                // or a rename failed, or a setting could not be written
    Cancelled,  // stopped between two files
    TooSlow,    // a download passed its deadline or fell below the minimum rate
    Refused,    // a file name leads outside the installation folder
};

struct InstallResult {
    InstallOutcome outcome = InstallOutcome::Failed;
    int filesDue = 0;
    // New files in place at the end: all of them when Done, otherwise those
    // that could not be taken back (0: the installation is as it was).
    int filesInPlace = 0;
};

struct InstallContext {
    std::filesystem::path installFolder;
    RegistryStore* registry = nullptr;  // the profile's settings
    DownloadOptions download;           // transfer options, limits and size cap for each file
    // Looked at between two files, and while bytes arrive.
    const std::atomic<bool>* cancel = nullptr;
};

// Runs the installation on the calling thread; never throws. The rule: the
// installation changes as a whole or not at all.
// 1. The folder must be usable, and every name due must lead inside it (one
//    that does not refuses the whole update), else nothing is done.
// 2. Beside each file due, a file for its new bytes is made; a file that
//    cannot be replaced (its folder missing or not writable, the file a
//    folder or read-only) fails the installation before any download.
// 3. Each file is downloaded there (its address: the group's base address
//    followed by its name), with its "size" as the length it must have. A
//    failed download does not stop the others, but then nothing is put in
//    place; a download that is too slow ends the installation.
// 4. The set is put in place (InstallSet): a rename that fails, or a cancel
//    between two files, takes back the files already renamed.
// 5. When the stored RegistryVersion is below the manifest's, every registry
//    update is written: "RegistryVersion" as a number to Settings, any other
//    name as text to DownloadInfo. When one cannot be written, the files are
//    taken back.
InstallResult InstallUpdates(ManifestState& state, const InstallContext& context,
                             UpdateObserver& observer);

}  // namespace orlavo::updater
