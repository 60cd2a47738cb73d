#include "common/RegistryRoot.h"

namespace orlavo {

std::string ProfileFromArguments(const std::vector<std::string>& argv) {
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.empty() || a[0] == '/' || a[0] == '-')
            continue;
        return a;
    }
    return {};
}

std::string RegistryRoot(std::string_view profile, std::string_view programName) {
    std::string root = "Software\\Vennara\\";
    if (profile.empty()) {
        root += programName;
    } else {
        root += profile;
        root += "\\OrlavoW";
    }
    return root;
}

std::string UpdaterRegistryRoot(std::string_view profile) {
    return RegistryRoot(profile, "OrlavoW");
}

std::string ExecutableBaseName(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

}  // namespace orlavo
