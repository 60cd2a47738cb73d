#pragma once
// One run of the updater from the check to the installation, as the window
// drives it. Both steps block the thread that calls them; the window calls
// them on a worker and calls cancel() from its own thread.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/Curl.h"
#include "updater/InstallUpdates.h"
#include "updater/RunFolder.h"
#include "updater/UpdateManifest.h"
#include "updater/UpdateObserver.h"

namespace orlavo::updater {

struct UpdateSettings {
    std::filesystem::path installFolder;  // the settings' LocalPath
    std::string updateUrl;                // the settings' UpdateURL
    std::string registryRoot;             // the profile's key
    std::string registryPath;             // the settings store file
    net::TransferOptions transfer;
    DownloadLimits limits;           // for the manifest and each file
    std::filesystem::path tempRoot;  // where the run's folder goes; the system's when empty
};

enum class CheckOutcome {
    Failed,     // the manifest could not be fetched, or the XML layer failed on it
    Cancelled,  // stopped while the manifest was arriving
    TooSlow,    // the manifest did not come within its deadline or minimum rate
    Refused,    // a file name of the manifest leads outside the installation: no update
    UpToDate,   // nothing to do (also for a manifest that is not well-formed)
    Offered,    // updates are due
    // Files are due, but the installation folder may not be written: it is
    // shared by all users and the package manager keeps it. The files are
    // left to it; what is still due (the settings) is counted.
    Managed,
};

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::Failed;
    int count = 0;      // CountNeededUpdates when Offered or Managed
    std::string error;  // why it failed, for logs
};

// What the window runs. The real one is UpdateSession; others stand in for
// drawing the window's states.
class UpdateRunner {
public:
    virtual ~UpdateRunner() = default;
    virtual CheckResult check(UpdateObserver& observer) = 0;
    virtual InstallResult install(UpdateObserver& observer) = 0;
    // Safe from any thread while check() or install() runs.
    virtual void cancel() = 0;
};

class UpdateSession : public UpdateRunner {
public:
    // The manifest is limited to this many bytes.
    static constexpr std::uint64_t kMaxManifestBytes = std::uint64_t(16) << 20;

    explicit UpdateSession(UpdateSettings settings);
    ~UpdateSession() override;

    // Fetches the manifest into the run's folder, reads it and counts what is
    // due; files due in a folder this user may not write make it Managed.
    // A name that leads outside the installation refuses the whole manifest.
    // What an earlier run that was killed left beside the listed files goes.
    CheckResult check(UpdateObserver& observer) override;
    // InstallUpdates on what check() found.
    InstallResult install(UpdateObserver& observer) override;
    void cancel() override { cancel_ = true; }

    const ManifestState& state() const { return state_; }
    const UpdateSettings& settings() const { return settings_; }

private:
    UpdateSettings settings_;
    std::unique_ptr<RunFolder> run_;
    ManifestState state_;
    std::atomic<bool> cancel_{false};
};

}  // namespace orlavo::updater
