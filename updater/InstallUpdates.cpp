#include "updater/InstallUpdates.h"

#include <optional>
#include <system_error>
#include <vector>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "updater/CopyInstalledFile.h"
#include "updater/InstallTarget.h"
#include "updater/UpdateCheck.h"

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOutside = "refused: the name leads outside the installation folder";
constexpr const char* kNoTemporaryFile = "no temporary file";
constexpr const char* kCopyFailed = "cannot be put in place";
constexpr const char* kSettingFailed = "cannot be written";
constexpr const char* kFolderUnusable = "the installation folder is not a usable folder";

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

// Writes the manifest's settings; false when one could not be written.
bool WriteSettings(const ManifestState& state, RegistryStore& registry, UpdateObserver& observer) {
    bool ok = true;
    for (const RegistryUpdate& update : state.registryUpdates) {
        if (update.name.empty())
            continue;
        const bool written =
            update.name == "RegistryVersion"
                ? registry.setNumber(section::kSettings, "RegistryVersion", state.registryVersion)
                : registry.setText(section::kDownloadInfo, update.name, update.value);
        if (!written) {
            observer.failed(update.name, kSettingFailed);
            ok = false;
        }
    }
    return ok;
}

InstallOutcome Install(ManifestState& state, const InstallContext& context,
                       UpdateObserver& observer) {
    if (!InstallFolderUsable(context.installFolder) || context.registry == nullptr) {
        observer.failed({}, kFolderUnusable);
        return InstallOutcome::Failed;
    }
    RegistryStore& registry = *context.registry;
    const std::int32_t stored = registry.getNumber(section::kSettings, "RegistryVersion");
    observer.installStarted(CountNeededUpdates(state, stored) + 1);

    std::vector<std::optional<fs::path>> targets(state.files.size());
    bool downloadFailed = false;
    for (std::size_t i = 0; i < state.files.size(); ++i) {
        UpdateFile& file = state.files[i];
        if (!file.needsUpdate)
            continue;
        const std::string& name = file.entry.filename;
        targets[i] = ResolveInstallTarget(context.installFolder, name);
        if (!targets[i]) {
            observer.failed(name, kOutside);
            continue;
        }
        if (file.temporaryPath.empty()) {
            observer.failed(name, kNoTemporaryFile);
            downloadFailed = true;
            continue;
        }
        DownloadOptions options = context.download;
        options.sha256 = file.entry.sha256;
        options.cancel = context.cancel;
        options.progress = [&observer, &name](std::uint64_t received, std::uint64_t total) {
            observer.receiving(name, received, total);
        };
        const std::string error =
            DownloadFile(file.entry.baseAddress + name, file.temporaryPath, options);
        if (Cancelled(context.cancel))
            return InstallOutcome::Cancelled;
        if (!error.empty()) {
            observer.failed(name, error);
            downloadFailed = true;
            continue;
        }
        observer.stepDone();
    }
    if (downloadFailed)
        return InstallOutcome::Failed;
    if (Cancelled(context.cancel))
        return InstallOutcome::Cancelled;

    bool failed = false;
    for (std::size_t i = 0; i < state.files.size(); ++i) {
        UpdateFile& file = state.files[i];
        if (!file.needsUpdate)
            continue;
        if (!targets[i]) {
            failed = true;
            continue;
        }
        observer.copying(file.entry.filename);
        const unsigned mode = file.entry.group == FileGroup::App ? 0755 : 0644;
        if (!CopyInstalledFile(file.temporaryPath, *targets[i], mode)) {
            observer.failed(file.entry.filename, kCopyFailed);
            failed = true;
        }
        std::error_code ec;
        fs::remove(file.temporaryPath, ec);
    }
    observer.stepDone();

    if (registry.getNumber(section::kSettings, "RegistryVersion") < state.registryVersion) {
        if (!WriteSettings(state, registry, observer))
            failed = true;
        observer.stepDone();
    }
    return failed ? InstallOutcome::Failed : InstallOutcome::Done;
}

}  // namespace

InstallOutcome InstallUpdates(ManifestState& state, const InstallContext& context,
                              UpdateObserver& observer) {
    try {
        return Install(state, context, observer);
    } catch (...) {
        observer.failed({}, "unexpected error");
        return InstallOutcome::Failed;
    }
}

}  // namespace orlavo::updater
