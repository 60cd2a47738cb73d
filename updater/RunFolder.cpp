#include "updater/RunFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <system_error>

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "halvane-";

fs::path TempRoot(fs::path root) {
    if (!root.empty())
        return root;
    std::error_code ec;
    root = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : root;
}

// The process id in "halvane-<pid>-XXXXXX", or 0.
pid_t OwnerOf(std::string_view name) {
    if (!name.starts_with(kPrefix))
        return 0;
    name.remove_prefix(kPrefix.size());
    std::size_t dash = name.find('-');
    if (dash == std::string_view::npos)
        return 0;
    pid_t pid = 0;
    auto [end, err] = std::from_chars(name.data(), name.data() + dash, pid);
    if (err != std::errc() || end != name.data() + dash || pid <= 0)
        return 0;
    return pid;
}

}  // namespace

RunFolder::RunFolder(fs::path tempRoot) {
    const fs::path root = TempRoot(std::move(tempRoot));
    RemoveAbandoned(root);
    std::string tmpl =
        (root / (std::string(kPrefix) + std::to_string(getpid()) + "-XXXXXX")).string();
    if (mkdtemp(tmpl.data()) != nullptr)
        path_ = tmpl;
}

RunFolder::~RunFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
}

std::string RunFolder::makeFile(std::string_view prefix) const {
    if (path_.empty())
        return {};
    std::string tmpl = (path_ / (std::string(prefix) + "XXXXXX")).string();
    int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return {};
    close(fd);
    return tmpl;
}

int RunFolder::RemoveAbandoned(const fs::path& root) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t pid = OwnerOf(name);
        if (pid == 0 || pid == getpid())
            continue;
        // Only our own folders: another user's run is none of ours to judge.
        std::error_code typeEc;
        if (!it->is_directory(typeEc) || it->is_symlink(typeEc))
            continue;
        struct stat st {};
        if (lstat(it->path().c_str(), &st) != 0 || st.st_uid != geteuid())
            continue;
        if (kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code rmEc;
        if (fs::remove_all(it->path(), rmEc) > 0 && !rmEc)
            ++removed;
    }
    return removed;
}

}  // namespace orlavo::updater
