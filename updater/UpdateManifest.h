#pragma once
// The update manifest (root element "auto_update"): the files it lists, the
// settings it carries for the wizard, and the state one updater run keeps.
//
//   <auto_update>
//     <app download_url="https://lab/files/">
//       <app_exe><exe filename="OrlavoW" version_num="2,0,44,3"/></app_exe>
//       <app_dll><dll filename="libx.so" version_num="1.0.0.1" sha256="..."/></app_dll>
//     </app>
//     <customer download_url="https://lab/customer/">
//       <languag_dll filename="Resources.rcc" version_num="2.0.44.1"/>
//       <image filename="1.jpg" size="4520"/>
//       <registry_updates>
//         <key name="UploadURL" value="https://lab/upload"/>
//         <key name="RegistryVersion" value="4"/>
//       </registry_updates>
//     </customer>
//   </auto_update>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::updater {

// Which group of the manifest lists a file: the program's own files, or the
// lab's (its resources and pictures).
enum class FileGroup { App, Customer };

// One file entry as the manifest gives it.
struct ManifestFile {
    std::string filename;     // relative to the installation folder; also ends its address
    std::string version;      // "version_num", or "size" when that is empty; "," made "."
    std::string baseAddress;  // the group's download_url
    std::string sha256;       // optional hex digest of the file's bytes
    // "size" when it is a plain decimal number: the length the file must have.
    std::optional<std::uint64_t> size;
    FileGroup group = FileGroup::App;
};

struct RegistryUpdate {
    std::string name;
    std::string value;
};

// Everything a manifest says, in manifest order.
struct ManifestContent {
    std::string appBaseAddress;
    std::string customerBaseAddress;
    std::vector<ManifestFile> files;
    std::vector<RegistryUpdate> registryUpdates;
    // Set by a key named exactly "RegistryVersion"; 0 without one.
    std::int32_t registryVersion = 0;
};

// Answers of the manifest readers.
inline constexpr int kManifestRead = 1;
inline constexpr int kManifestUnreadable = 0;
inline constexpr int kManifestNotWellFormed = -3;
// The document is well-formed but the XML layer could not go through it (for
// example text where app_dll should hold only elements): the check fails.
inline constexpr int kManifestXmlFailure = -2;

// Reads manifest bytes as they came from the server. Line feeds at the very
// start are dropped; a byte-order mark or the declaration decides the
// encoding. A plain function of its input: no files, no network, no throw.
// CONTENT is filled only when the answer is kManifestRead.
int ParseUpdateManifest(std::string_view bytes, ManifestContent& content);

// One entry of the run's list: the manifest's entry and what the check made
// of it.
struct UpdateFile {
    ManifestFile entry;
    bool needsUpdate = true;
};

// The manifest state of one updater run.
struct ManifestState {
    std::string appBaseAddress;
    std::string customerBaseAddress;
    std::vector<UpdateFile> files;
    std::vector<RegistryUpdate> registryUpdates;
    std::int32_t registryVersion = 0;
};

}  // namespace orlavo::updater
