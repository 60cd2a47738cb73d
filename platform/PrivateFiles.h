#pragma once
// Files that only their user may read, written so that a crash or a power
// cut never leaves half of one: a private folder, a whole-file replace, a
// careful read, a file's size and modification time, and an exclusive lock
// that the system releases when its process ends, however it ends.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orlavo {

// Makes FOLDER and its missing parents with access for the user only (0700);
// a FOLDER of the user's own that exists already is narrowed to 0700. The
// empty text on success, else why not.
std::string EnsurePrivateFolder(const std::string& folder);

// Replaces the file at PATH with BYTES as a whole: a temporary file (0600)
// beside it is written and flushed to disk, then renamed over PATH, and the
// folder is flushed. A reader sees the old content or the new, never a mix.
// The empty text on success, else why not (PATH is then unchanged).
std::string ReplaceFileAtomically(const std::string& path, std::string_view bytes);

enum class PrivateRead {
    Ok,
    Missing,     // no file at PATH
    NotPrivate,  // a link, not a regular file, another user's, or open to others
    TooLarge,    // more than the limit
    Failed,      // could not be read
};

// Reads PATH into BYTES when it is a regular file of the user's own that
// others cannot write, not a link, and at most LIMIT bytes long.
PrivateRead ReadPrivateFile(const std::string& path, std::size_t limit, std::string& bytes);

// What tells a file changed: its size and its modification time.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file at PATH (links followed); none when there is
// no such file.
std::optional<FileStamp> StampOf(const std::string& path);

// An exclusive lock on a lock file, held until the object goes or its process
// ends. Two locks on one file conflict, in one process or in two.
class FileLock {
public:
    enum class Result { Taken, Busy, Failed };

    // Takes the lock on PATH (created 0600 when missing) without waiting.
    static std::unique_ptr<FileLock> TryTake(const std::string& path, Result& result);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Removes the lock file while the lock is still held (the order it
    // guarded is over); the lock itself goes with the object.
    void removeFile();

private:
    FileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

}  // namespace orlavo
