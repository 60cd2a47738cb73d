#pragma once
// The check: the downloaded manifest read into the run's state, each file
// compared with its installed copy, and the updates counted.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "updater/UpdateManifest.h"

namespace orlavo::updater {

// Reads the manifest file at PATH into STATE: kManifestRead, or
// kManifestUnreadable when the file cannot be read (it is left in place),
// kManifestNotWellFormed, or kManifestXmlFailure. The file is deleted once
// read. Each file entry goes through AddUpdateFile; STATE is emptied first and
// stays empty unless the answer is kManifestRead.
int ReadUpdateManifest(const std::string& path, const std::filesystem::path& installFolder,
                       ManifestState& state);

// Appends ENTRY to STATE and decides whether it needs an update, from the
// installed copy in INSTALL_FOLDER (a name that would lead outside the
// folder is never looked at: it needs an update, and RefusedNames names it).
void AddUpdateFile(ManifestState& state, const ManifestFile& entry,
                   const std::filesystem::path& installFolder);

// The file names of STATE that do not lead to a place inside INSTALL_FOLDER,
// in manifest order. One is enough to refuse the whole update.
std::vector<std::string> RefusedNames(const ManifestState& state,
                                      const std::filesystem::path& installFolder);

// The files that need an update, plus 1 when STORED_REGISTRY_VERSION (the
// settings' RegistryVersion) is below the manifest's.
int CountNeededUpdates(const ManifestState& state, std::int32_t storedRegistryVersion);

}  // namespace orlavo::updater
