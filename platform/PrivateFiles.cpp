#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace orlavo {

namespace {

std::string Why(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string TemporaryName(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(random() % 1000000007);
}

}  // namespace

std::string EnsurePrivateFolder(const std::string& folder) {
    if (folder.empty())
        return "no folder";
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    // Each missing level is made 0700, from the top down.
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        const std::string level = path.substr(0, at);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return Why(level, errno);
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return Why(path, errno);
    if (!S_ISDIR(st.st_mode))
        return path + ": not a folder";
    if (st.st_uid != ::geteuid())
        return path + ": belongs to another user";
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
        return Why(path, errno);
    return {};
}

std::string ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string temporary = TemporaryName(path);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Why(temporary, errno);
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.c_str());
        return Why(temporary, written ? errno : writeError);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Why(path, error);
    }
    // The new name itself must survive a power cut.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

PrivateRead ReadPrivateFile(const std::string& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT  ? PrivateRead::Missing
               : errno == ELOOP ? PrivateRead::NotPrivate
                                : PrivateRead::Failed;
    struct stat st {};
    PrivateRead result = PrivateRead::Ok;
    if (::fstat(fd, &st) != 0)
        result = PrivateRead::Failed;
    else if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
        result = PrivateRead::NotPrivate;
    else if (static_cast<std::uint64_t>(st.st_size) > limit)
        result = PrivateRead::TooLarge;
    char buffer[16384];
    while (result == PrivateRead::Ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            result = PrivateRead::Failed;
        else if (n == 0)
            break;
        else if (bytes.size() + static_cast<std::size_t>(n) > limit)
            result = PrivateRead::TooLarge;
        else
            bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (result != PrivateRead::Ok)
        bytes.clear();
    return result;
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

std::unique_ptr<FileLock> FileLock::TryTake(const std::string& path, Result& result) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        result = Result::Failed;
        return nullptr;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        result = errno == EWOULDBLOCK ? Result::Busy : Result::Failed;
        ::close(fd);
        return nullptr;
    }
    result = Result::Taken;
    return std::unique_ptr<FileLock>(new FileLock(fd, path));
}

FileLock::~FileLock() {
    ::close(fd_);
}

void FileLock::removeFile() {
    ::unlink(path_.c_str());
}

}  // namespace orlavo
