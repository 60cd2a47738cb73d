#pragma once
// The installation: every file that needs an update downloaded, then copied
// into the installation folder, then the manifest's settings written.

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
    Failed,     // the folder is unusable, a download failed (nothing installed),
                // or a copy or a settings write failed (the rest was installed)
    Cancelled,  // stopped during the downloads: nothing installed
};

struct InstallContext {
    std::filesystem::path installFolder;
    RegistryStore* registry = nullptr;  // the profile's settings
    DownloadOptions download;           // transfer options and size limit for each file
    // Stops the downloads; once they are all done the installation runs to
    // its end, so the folder never holds a mix of old and new files by choice.
    const std::atomic<bool>* cancel = nullptr;
};

// Runs the installation on the calling thread; never throws.
// 1. The folder must be usable, else Failed before any download.
// 2. Each file that needs an update is downloaded to its temporary file
//    (its address: the group's base address followed by its name). A failed
//    download does not stop the others, but then nothing is copied.
// 3. Each is copied into place (CopyInstalledFile); a name leading outside
//    the folder, or a failed copy, fails that file only.
// 4. When the stored RegistryVersion is below the manifest's, every registry
//    update is written: "RegistryVersion" as a number to Settings, any other
//    name as text to DownloadInfo. This happens even when a copy failed.
InstallOutcome InstallUpdates(ManifestState& state, const InstallContext& context,
                              UpdateObserver& observer);

}  // namespace orlavo::updater
