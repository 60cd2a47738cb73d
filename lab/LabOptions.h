#pragma once
// The lab's command line.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lab/FaultSwitches.h"

namespace orlavo::lab {

struct LabOptions {
    enum class Mode { Serve, MakePhotos, Help };
    Mode mode = Mode::Serve;

    std::filesystem::path dataDir;
    std::string host = "127.0.0.1";
    int port = 8470;
    std::size_t maxBodyBytes = 64u << 20;
    FaultSwitches faults;

    std::filesystem::path photoDir;  // --make-sample-photos DIR N
    int photoCount = 0;

    // Reads ARGS (without the program name); no value and ERROR set when
    // they make no sense.
    static std::optional<LabOptions> Parse(const std::vector<std::string>& args,
                                           std::string& error);
    static std::string HelpText();
};

}  // namespace orlavo::lab
