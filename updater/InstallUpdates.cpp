#include "updater/InstallUpdates.h"

#include <vector>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "updater/InstallSet.h"
#include "updater/InstallTarget.h"
#include "updater/UpdateCheck.h"

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOutside = "refused: the name leads outside the installation folder";
constexpr const char* kCannotReplace = "cannot be replaced: ";
constexpr const char* kNotOnDisk = "the downloaded files could not be put on the disk";
constexpr const char* kRenameFailed = "cannot be put in place";
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

struct DueFile {
    const UpdateFile* file;
    fs::path target;
};

InstallResult Install(ManifestState& state, const InstallContext& context,
                      UpdateObserver& observer) {
    InstallResult result;
    if (!InstallFolderUsable(context.installFolder) || context.registry == nullptr) {
        observer.failed({}, kFolderUnusable);
        return result;
    }
    std::vector<DueFile> due;
    bool refused = false;
    for (const UpdateFile& file : state.files) {
        if (!file.needsUpdate)
            continue;
        if (auto target = ResolveInstallTarget(context.installFolder, file.entry.filename)) {
            due.push_back({&file, *target});
        } else {
            observer.failed(file.entry.filename, kOutside);
            refused = true;
        }
    }
    result.filesDue = static_cast<int>(due.size());
    if (refused) {
        result.outcome = InstallOutcome::Refused;
        return result;
    }
    RegistryStore& registry = *context.registry;
    const std::int32_t stored = registry.getNumber(section::kSettings, "RegistryVersion");
    observer.installStarted(CountNeededUpdates(state, stored) + 1);

    std::vector<fs::path> targets;
    for (const DueFile& d : due)
        targets.push_back(d.target);
    RemoveReplacementLeftovers(targets);
    InstallSet set;
    for (const DueFile& d : due) {
        const unsigned mode = d.file->entry.group == FileGroup::App ? 0755 : 0644;
        if (const std::string why = set.add(d.target, mode); !why.empty()) {
            observer.failed(d.file->entry.filename, kCannotReplace + why);
            return result;
        }
    }

    bool downloadFailed = false;
    for (std::size_t i = 0; i < due.size(); ++i) {
        if (Cancelled(context.cancel)) {
            result.outcome = InstallOutcome::Cancelled;
            return result;
        }
        const ManifestFile& entry = due[i].file->entry;
        const std::string& name = entry.filename;
        DownloadOptions options = context.download;
        options.sha256 = entry.sha256;
        options.expectedBytes = entry.size;
        options.cancel = context.cancel;
        options.progress = [&observer, &name](std::uint64_t received, std::uint64_t total) {
            observer.receiving(name, received, total);
        };
        const std::string error =
            DownloadFile(entry.baseAddress + name, set.stagedPath(i), options);
        if (Cancelled(context.cancel)) {
            result.outcome = InstallOutcome::Cancelled;
            return result;
        }
        if (!error.empty()) {
            observer.failed(name, error);
            if (IsTooSlow(error)) {
                result.outcome = InstallOutcome::TooSlow;
                return result;
            }
            downloadFailed = true;
            continue;
        }
        observer.stepDone();
    }
    if (downloadFailed)
        return result;
    if (!set.seal()) {
        observer.failed({}, kNotOnDisk);
        return result;
    }

    const InstallSet::Result put = set.commit(
        context.cancel, [&](std::size_t i) { observer.copying(due[i].file->entry.filename); });
    result.filesInPlace = static_cast<int>(put.inPlace);
    if (put.outcome == InstallSet::Outcome::Cancelled) {
        result.outcome = InstallOutcome::Cancelled;
        return result;
    }
    if (put.outcome == InstallSet::Outcome::Failed) {
        observer.failed(due[put.failedAt].file->entry.filename, kRenameFailed);
        return result;
    }
    observer.stepDone();

    if (stored < state.registryVersion) {
        if (!WriteSettings(state, registry, observer)) {
            result.filesInPlace = static_cast<int>(set.rollBack());
            return result;
        }
        observer.stepDone();
    }
    set.finish();
    result.outcome = InstallOutcome::Done;
    return result;
}

}  // namespace

InstallResult InstallUpdates(ManifestState& state, const InstallContext& context,
                             UpdateObserver& observer) {
    try {
        return Install(state, context, observer);
    } catch (...) {
        observer.failed({}, "unexpected error");
        return {};
    }
}

}  // namespace orlavo::updater
