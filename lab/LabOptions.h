#pragma once
// The lab's command line.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lab/FaultSwitches.h"

namespace orlavo::lab {

struct LabOptions {
    enum class Mode { Serve, MakePhotos, MakeUpdate, Help };
    Mode mode = Mode::Serve;

    std::filesystem::path dataDir;
    std::string host = "127.0.0.1";
    int port = 8470;
    std::size_t maxBodyBytes = 64u << 20;
    // Connections one client address may hold at once; 0: no limit. Half the
    // lab's workers, so that one client never takes them all.
    std::size_t maxConnectionsPerAddress = 8;
    FaultSwitches faults;

    std::filesystem::path photoDir;  // --make-sample-photos DIR N
    int photoCount = 0;

    // --make-update DIR: the manifest of DIR/update/files.
    std::filesystem::path updateDir;
    std::string baseUrl;  // --base-url; http://HOST:PORT/update/files/ when empty
    std::optional<std::int32_t> registryVersion;                      // --registry-version N
    std::vector<std::pair<std::string, std::string>> registryValues;  // --registry-value N=V

    // Reads ARGS (without the program name); no value and ERROR set when
    // they make no sense.
    static std::optional<LabOptions> Parse(const std::vector<std::string>& args,
                                           std::string& error);
    static std::string HelpText();
};

}  // namespace orlavo::lab
