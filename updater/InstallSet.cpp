#include "updater/InstallSet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor when it goes.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string Why(const char* what) {
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

// A new empty file beside TARGET, with a name of our own; empty on failure.
std::string MakeBeside(const fs::path& target) {
    std::string name = (target.parent_path() / (ReplacementPrefix(target) + "XXXXXX")).string();
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    close(fd);
    return name;
}

// Renames FROM to TO: swapped with what stands at TO when EXCHANGE, else
// only when nothing stands there. ENOTSUP when the file system cannot.
int Rename2(const std::string& from, const fs::path& to, bool exchange) {
#if defined(RENAME_EXCHANGE) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  exchange ? RENAME_EXCHANGE : RENAME_NOREPLACE) == 0)
        return 0;
    return errno == EINVAL || errno == ENOSYS ? ENOTSUP : errno;
#else
    (void)from;
    (void)to;
    (void)exchange;
    return ENOTSUP;
#endif
}

}  // namespace

std::string ReplacementPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".halvane-";
}

void RemoveReplacementLeftovers(const std::vector<fs::path>& targets) {
    // Folder by folder: the names whose leftovers go.
    std::map<fs::path, std::set<std::string>> folders;
    for (const fs::path& target : targets)
        folders[target.parent_path()].insert(target.filename().string());
    static constexpr std::string_view kInfix = ".halvane-";
    for (const auto& [folder, names] : folders) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            // ".NAME.halvane-XXXXXX"
            const std::string leaf = it->path().filename().string();
            const std::size_t size = leaf.size();
            if (size < 1 + kInfix.size() + 6 + 1 || leaf.front() != '.' ||
                leaf.compare(size - 6 - kInfix.size(), kInfix.size(), kInfix) != 0 ||
                !names.contains(leaf.substr(1, size - 7 - kInfix.size())))
                continue;
            std::error_code typeEc;
            if (it->is_regular_file(typeEc) && !it->is_symlink(typeEc))
                fs::remove(it->path(), typeEc);
        }
    }
}

InstallSet::~InstallSet() {
    for (const File& f : files_) {
        std::error_code ec;
        if (!f.staged.empty())
            fs::remove(f.staged, ec);
        if (!f.backup.empty())
            fs::remove(f.backup, ec);
    }
}

std::string InstallSet::add(const fs::path& target, unsigned newFileMode) {
    const fs::path folder = target.parent_path();
    struct stat info {};
    if (folder.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return "its folder is missing";
    File f;
    f.target = target;
    f.mode = newFileMode & 07777;
    if (stat(target.c_str(), &info) == 0) {
        // A folder is not replaced, nor a file the user may not write.
        if (!S_ISREG(info.st_mode))
            return "it is no regular file";
        if (access(target.c_str(), W_OK) != 0)
            return Why("it may not be written");
        f.mode = info.st_mode & 07777;
        f.replaces = true;
    } else if (errno != ENOENT) {
        return Why("it cannot be looked at");
    }
    f.staged = MakeBeside(target);
    if (f.staged.empty())
        return Why("its folder may not be written");
    files_.push_back(std::move(f));
    return {};
}

bool InstallSet::seal() {
    for (const File& f : files_) {
        Fd fd(open(f.staged.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.get() < 0 || fchmod(fd.get(), static_cast<mode_t>(f.mode)) != 0)
            return false;
#if !defined(__linux__)
        if (fsync(fd.get()) != 0)
            return false;
#endif
    }
    return syncFolders();
}

// Every folder of the set, once per file system: on Linux one syncfs puts the
// whole file system on the disk, far faster than a flush per file.
bool InstallSet::syncFolders() const {
    std::vector<dev_t> done;
    bool ok = true;
    for (const File& f : files_) {
        Fd dir(open(f.target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info {};
        if (dir.get() < 0 || fstat(dir.get(), &info) != 0) {
            ok = false;
            continue;
        }
#if defined(__linux__)
        if (std::find(done.begin(), done.end(), info.st_dev) != done.end())
            continue;
        done.push_back(info.st_dev);
        ok = syncfs(dir.get()) == 0 && ok;
#else
        ok = fsync(dir.get()) == 0 && ok;
#endif
    }
    return ok;
}

bool InstallSet::swapIn(File& f) {
    struct stat info {};
    const bool exists = stat(f.target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return false;
    int rc = Rename2(f.staged, f.target, exists);
    if (rc == ENOTSUP) {
        // No swapping here: the old file is kept under a second name first.
        rc = 0;
        if (exists) {
            f.backup = MakeBeside(f.target);
            if (f.backup.empty() || unlink(f.backup.c_str()) != 0 ||
                link(f.target.c_str(), f.backup.c_str()) != 0) {
                f.backup.clear();
                return false;
            }
        }
        if (rename(f.staged.c_str(), f.target.c_str()) != 0) {
            rc = errno;
            if (!f.backup.empty())
                unlink(f.backup.c_str());
            f.backup.clear();
        } else {
            f.staged.clear();
        }
    }
    if (rc != 0)
        return false;
    f.replaces = exists;
    f.inPlace = true;
    return true;
}

bool InstallSet::takeBack(File& f) {
    if (!f.inPlace)
        return true;
    bool ok;
    if (!f.replaces) {
        ok = unlink(f.target.c_str()) == 0;
    } else if (!f.backup.empty()) {
        ok = rename(f.backup.c_str(), f.target.c_str()) == 0;
        if (ok)
            f.backup.clear();
    } else {
        // Swapped: the old file stands under the new file's former name.
        ok = rename(f.staged.c_str(), f.target.c_str()) == 0;
        if (ok)
            f.staged.clear();
    }
    f.inPlace = !ok;
    return ok;
}

InstallSet::Result InstallSet::commit(const std::atomic<bool>* cancel,
                                      const std::function<void(std::size_t)>& beforeEach) {
    Result r;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (cancel != nullptr && cancel->load()) {
            r.outcome = Outcome::Cancelled;
            r.inPlace = rollBack();
            return r;
        }
        if (beforeEach)
            beforeEach(i);
        if (!swapIn(files_[i])) {
            r.outcome = Outcome::Failed;
            r.failedAt = i;
            r.inPlace = rollBack();
            return r;
        }
    }
    // The new names reach the disk with their folders.
    syncFolders();
    r.outcome = Outcome::Done;
    r.inPlace = files_.size();
    return r;
}

// Not flushed to the disk: should the power fail now, each file is still
// whole, old or new, and the next run puts the rest in place.
std::size_t InstallSet::rollBack() {
    std::size_t left = 0;
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
        if (!takeBack(*it))
            ++left;
    }
    return left;
}

void InstallSet::finish() {
    for (File& f : files_) {
        std::error_code ec;
        if (f.inPlace && !f.staged.empty())
            fs::remove(f.staged, ec);
        if (f.inPlace && !f.backup.empty())
            fs::remove(f.backup, ec);
    }
    files_.clear();
}

}  // namespace orlavo::updater
