#pragma once
// Writes the update manifest for the files the lab serves: every file under
// DIR/update/files/ listed in DIR/update/auto_update.xml with its version
// (its FileVersion) or its size, and its SHA-256.
//
// "OrlavoW" is the program (app/app_exe/exe), "Resources.rcc" the language
// bundle (customer/languag_dll); other files with a FileVersion are the
// program's libraries (app/app_dll/dll), the rest pictures (customer/image).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orlavo::lab {

struct UpdateManifestOptions {
    // The address the files are fetched from; a file's address is this
    // followed by its name, so it ends in "/".
    std::string baseUrl;
    // Written as the key "RegistryVersion" after the values, when given.
    std::optional<std::int32_t> registryVersion;
    // DownloadInfo values for the wizard: name, value.
    std::vector<std::pair<std::string, std::string>> registryValues;
};

struct UpdateFileFacts {
    std::string filename;  // relative, "/"-separated
    std::optional<std::string> fileVersion;
    std::uint64_t size = 0;
    std::string sha256;
};

// The manifest text for FILES (in the order given).
std::string UpdateManifestText(const std::vector<UpdateFileFacts>& files,
                               const UpdateManifestOptions& options);

// Looks at every file under FILES_DIR (hidden ones and links skipped), sorted by name.
std::vector<UpdateFileFacts> ScanUpdateFiles(const std::filesystem::path& filesDir,
                                             std::string& error);

// Scans DATA_DIR/update/files and writes DATA_DIR/update/auto_update.xml;
// the empty text on success. COUNT receives the number of files listed.
std::string WriteUpdateManifest(const std::filesystem::path& dataDir,
                                const UpdateManifestOptions& options, std::size_t& count);

}  // namespace orlavo::lab
