// The update manifest as the lab's server sends it: read, or refused with
// one of the reader's answers and nothing filled in. Every file name it
// gives is either refused or a relative path that stays below the
// installation folder.

#include <cstdint>
#include <string_view>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "updater/InstallTarget.h"
#include "updater/UpdateManifest.h"

namespace u = orlavo::updater;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    u::ManifestContent content;
    const int answer = u::ParseUpdateManifest(bytes, content);
    FUZZ_CHECK(answer == u::kManifestRead || answer == u::kManifestUnreadable ||
               answer == u::kManifestNotWellFormed || answer == u::kManifestXmlFailure);
    if (answer != u::kManifestRead) {
        FUZZ_CHECK(content.files.empty() && content.registryUpdates.empty());
        return 0;
    }
    bool versionKey = false;
    for (const auto& update : content.registryUpdates)
        versionKey |= update.name == "RegistryVersion";
    if (!versionKey)
        FUZZ_CHECK(content.registryVersion == 0);
    for (const auto& file : content.files) {
        FUZZ_CHECK(file.version.find(',') == std::string::npos);
        if (const auto relative = u::InstallRelativePath(file.filename)) {
            FUZZ_CHECK(!relative->empty() && relative->is_relative() && !relative->has_root_name());
            for (const auto& part : *relative)
                FUZZ_CHECK(part != ".." && part != "." && !part.empty());
        }
        FUZZ_CHECK(file.baseAddress == (file.group == u::FileGroup::App
                                            ? content.appBaseAddress
                                            : content.customerBaseAddress));
    }
    return 0;
}
