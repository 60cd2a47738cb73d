#include "updater/CopyInstalledFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace orlavo::updater {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool closeChecked() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && close(fd) == 0;
    }
    void reset() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool CopyBytes(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t r = read(from, buffer.data(), buffer.size());
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return false;
        if (r == 0)
            return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(r)))
            return false;
    }
}

void RemoveLeftovers(const fs::path& folder, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeEc;
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            it->is_regular_file(typeEc) && !it->is_symlink(typeEc))
            fs::remove(it->path(), typeEc);
    }
}

}  // namespace

std::string ReplacementPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".halvane-";
}

bool CopyInstalledFile(const std::string& source, const fs::path& target, unsigned newFileMode) {
    const fs::path folder = target.parent_path();
    struct stat folderInfo {};
    if (folder.empty() || stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        return false;
    mode_t mode = static_cast<mode_t>(newFileMode & 07777);
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        // A folder is not replaced, nor a file the user may not write.
        if (!S_ISREG(old.st_mode) || access(target.c_str(), W_OK) != 0)
            return false;
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;

    const std::string prefix = ReplacementPrefix(target);
    RemoveLeftovers(folder, prefix);
    std::string temp = (folder / (prefix + "XXXXXX")).string();
    Fd out(mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return false;
    const bool written = CopyBytes(in.get(), out.get()) && fchmod(out.get(), mode) == 0 &&
                         fsync(out.get()) == 0 && out.closeChecked();
    if (!written || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    // The new name itself reaches the disk with the folder.
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        fsync(dir.get());
    return true;
}

}  // namespace orlavo::updater
