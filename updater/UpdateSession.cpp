#include "updater/UpdateSession.h"

#include <algorithm>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "updater/InstallSet.h"
#include "updater/InstallTarget.h"
#include "updater/UpdateCheck.h"

namespace orlavo::updater {

namespace {

constexpr const char* kNameRefused = "refused: the name leads outside the installation folder";

}  // namespace

UpdateSession::UpdateSession(UpdateSettings settings) : settings_(std::move(settings)) {}

// The run's folder, and every temporary file in it, goes with the session.
UpdateSession::~UpdateSession() = default;

CheckResult UpdateSession::check(UpdateObserver& observer) {
    CheckResult result;
    try {
        state_ = ManifestState{};
        if (!run_)
            run_ = std::make_unique<RunFolder>(settings_.tempRoot);
        const std::string manifest = run_->makeFile("updt");
        if (manifest.empty()) {
            result.error = kDownloadCannotCreate;
            observer.failed(settings_.updateUrl, result.error);
            return result;
        }
        DownloadOptions options;
        options.transfer = settings_.transfer;
        options.limits = settings_.limits;
        options.maxBytes = kMaxManifestBytes;
        options.cancel = &cancel_;
        result.error = DownloadFile(settings_.updateUrl, manifest, options);
        if (cancel_) {
            result.outcome = CheckOutcome::Cancelled;
            return result;
        }
        if (!result.error.empty()) {
            if (IsTooSlow(result.error))
                result.outcome = CheckOutcome::TooSlow;
            observer.failed(settings_.updateUrl, result.error);
            return result;
        }
        const int answer = ReadUpdateManifest(manifest, settings_.installFolder, state_);
        if (answer == kManifestXmlFailure) {
            result.error = "the manifest is well-formed but could not be read";
            observer.failed(settings_.updateUrl, result.error);
            return result;
        }
        // One name that would write outside the installation makes the whole
        // manifest suspect: nothing of it is taken.
        const std::vector<std::string> refused = RefusedNames(state_, settings_.installFolder);
        if (!refused.empty()) {
            for (const std::string& name : refused)
                observer.failed(name, kNameRefused);
            result.outcome = CheckOutcome::Refused;
            result.error = kNameRefused;
            return result;
        }
        if (InstallFolderWritable(settings_.installFolder)) {
            std::vector<std::filesystem::path> targets;
            for (const UpdateFile& f : state_.files) {
                if (auto target = ResolveInstallTarget(settings_.installFolder, f.entry.filename))
                    targets.push_back(std::move(*target));
            }
            RemoveReplacementLeftovers(targets);
        }
        RegistryStore registry(settings_.registryRoot, settings_.registryPath);
        const std::int32_t stored = registry.getNumber(section::kSettings, "RegistryVersion");
        result.count = CountNeededUpdates(state_, stored);
        result.outcome = result.count > 0 ? CheckOutcome::Offered : CheckOutcome::UpToDate;
        const bool filesDue = std::any_of(state_.files.begin(), state_.files.end(),
                                          [](const UpdateFile& f) { return f.needsUpdate; });
        // A folder that is missing fails the installation as before; one that
        // exists but may not be written is the package manager's.
        if (filesDue && InstallFolderUsable(settings_.installFolder) &&
            !InstallFolderWritable(settings_.installFolder)) {
            for (UpdateFile& f : state_.files)
                f.needsUpdate = false;
            result.count = CountNeededUpdates(state_, stored);
            result.outcome = CheckOutcome::Managed;
        }
    } catch (...) {
        result = CheckResult{CheckOutcome::Failed, 0, "unexpected error"};
    }
    return result;
}

InstallResult UpdateSession::install(UpdateObserver& observer) {
    try {
        RegistryStore registry(settings_.registryRoot, settings_.registryPath);
        InstallContext context;
        context.installFolder = settings_.installFolder;
        context.registry = &registry;
        context.download.transfer = settings_.transfer;
        context.download.limits = settings_.limits;
        context.cancel = &cancel_;
        return InstallUpdates(state_, context, observer);
    } catch (...) {
        return {};
    }
}

}  // namespace orlavo::updater
