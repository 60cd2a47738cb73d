#include "updater/InstallTarget.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <system_error>

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

bool Inside(const fs::path& real, const fs::path& realRoot) {
    const fs::path rel = real.lexically_relative(realRoot);
    return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

std::optional<fs::path> InstallRelativePath(std::string_view filename) {
    if (filename.empty() || filename.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string name(filename);
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (name.front() == '/' || drive || name.back() == '/')
        return std::nullopt;

    fs::path relative;
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            relative /= part;
        start = end + 1;
    }
    if (relative.empty())
        return std::nullopt;
    return relative;
}

std::optional<fs::path> ResolveInstallTarget(const fs::path& folder, std::string_view filename) {
    const auto relative = InstallRelativePath(filename);
    if (!relative || folder.empty())
        return std::nullopt;
    const fs::path target = folder / *relative;

    // Links are followed as the file system would follow them when writing.
    std::error_code ec;
    const fs::path realRoot = fs::weakly_canonical(folder, ec);
    if (ec)
        return std::nullopt;
    const fs::path realParent = fs::weakly_canonical(target.parent_path(), ec);
    if (ec || !(realParent == realRoot || Inside(realParent, realRoot)))
        return std::nullopt;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        // Read by hand: a link to nothing would otherwise pass as its own name.
        fs::path to = fs::read_symlink(target, ec);
        if (ec)
            return std::nullopt;
        if (to.is_relative())
            to = target.parent_path() / to;
        const fs::path realTarget = fs::weakly_canonical(to, ec);
        if (ec || !Inside(realTarget, realRoot))
            return std::nullopt;
    }
    return target;
}

bool InstallFolderWritable(const fs::path& folder) {
    // The effective user's rights are the ones the copies will have.
    return !folder.empty() && faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool InstallFolderUsable(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_directory(folder, ec);
}

}  // namespace orlavo::updater
