#include "updater/UpdateCheck.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/FileVersion.h"
#include "updater/InstallTarget.h"
#include "updater/VersionCheck.h"

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

InstalledFile Inspect(const fs::path& path) {
    InstalledFile f;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return f;
    f.exists = true;
    const auto size = fs::file_size(path, ec);
    f.size = ec ? 0 : size;
    f.fileVersion = ReadFileVersion(path.string());
    return f;
}

}  // namespace

int ReadUpdateManifest(const std::string& path, const fs::path& installFolder,
                       ManifestState& state) {
    state = ManifestState{};
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return kManifestUnreadable;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return kManifestUnreadable;
    }
    std::error_code ec;
    fs::remove(path, ec);

    ManifestContent content;
    const int answer = ParseUpdateManifest(bytes, content);
    if (answer != kManifestRead)
        return answer;
    state.appBaseAddress = std::move(content.appBaseAddress);
    state.customerBaseAddress = std::move(content.customerBaseAddress);
    state.registryUpdates = std::move(content.registryUpdates);
    state.registryVersion = content.registryVersion;
    for (const ManifestFile& entry : content.files)
        AddUpdateFile(state, entry, installFolder);
    return kManifestRead;
}

void AddUpdateFile(ManifestState& state, const ManifestFile& entry, const fs::path& installFolder) {
    UpdateFile file;
    file.entry = entry;
    if (auto target = ResolveInstallTarget(installFolder, entry.filename))
        file.needsUpdate = NeedsUpdate(Inspect(*target), entry.version);
    state.files.push_back(std::move(file));
}

std::vector<std::string> RefusedNames(const ManifestState& state, const fs::path& installFolder) {
    std::vector<std::string> names;
    for (const UpdateFile& f : state.files) {
        if (!ResolveInstallTarget(installFolder, f.entry.filename))
            names.push_back(f.entry.filename);
    }
    return names;
}

int CountNeededUpdates(const ManifestState& state, std::int32_t storedRegistryVersion) {
    int n = 0;
    for (const UpdateFile& f : state.files) {
        if (f.needsUpdate)
            ++n;
    }
    if (storedRegistryVersion < state.registryVersion)
        ++n;
    return n;
}

}  // namespace orlavo::updater
