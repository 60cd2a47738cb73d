#include "wizard/transmission/PreparedPhoto.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "common/TextRules.h"
#include "platform/Diagnostics.h"
#include "resources/WizardResources.h"
#include "wizard/photos/JpegLocation.h"
#include "wizard/transmission/JpegConversion.h"

namespace orlavo::transmission {

namespace {

constexpr int kStrNotPrepared = 3605;
constexpr int kStrLocationStays = 3654;
constexpr std::string_view kPrefix = "send-";
constexpr std::string_view kLockSuffix = ".lock";
// A photo read whole into memory for its transform: more than any camera makes.
constexpr std::uintmax_t kLargestPhoto = 512ull << 20;

std::string RandomName() {
    static constexpr char kChars[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, 35);
    std::string name(kPrefix);
    for (int i = 0; i < 12; ++i)
        name += kChars[pick(source)];
    return name;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

PreparedPhoto Failed(const std::string& source, const std::string& why) {
    PreparedPhoto p;
    p.problem = FillPlaceholders(wizard::Str(kStrNotPrepared), {source, why});
    return p;
}

std::string SystemWhy(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The whole file, or the errno of why not (EFBIG for one too large).
int ReadWhole(const std::string& path, std::string& bytes) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return ec.value();
    if (size > kLargestPhoto)
        return EFBIG;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return errno != 0 ? errno : EIO;
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        return EIO;
    return 0;
}

int WriteNew(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            return error;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 ? 0 : errno;
}

}  // namespace

std::string DefaultSendFolderParent() {
    return DiagnosticsFolder() + "sending";
}

int SweepSendFolders(const std::string& parent) {
    namespace fs = std::filesystem;
    std::error_code ec;
    int removed = 0;
    std::vector<fs::path> entries;
    for (const fs::directory_entry& e : fs::directory_iterator(parent, ec))
        entries.push_back(e.path());
    for (const fs::path& entry : entries) {
        const std::string name = entry.filename().string();
        if (name.rfind(kPrefix, 0) != 0)
            continue;
        const bool isLock = EndsWith(name, kLockSuffix);
        const std::string folder =
            isLock ? entry.string().substr(0, entry.string().size() - kLockSuffix.size())
                   : entry.string();
        if (!isLock && !fs::is_directory(fs::symlink_status(entry, ec)))
            continue;
        if (isLock && fs::exists(fs::symlink_status(folder, ec)))
            continue;  // dealt with by its folder
        FileLock::Result result = FileLock::Result::Failed;
        std::unique_ptr<FileLock> lock =
            FileLock::TryTake(folder + std::string(kLockSuffix), result);
        if (!lock)
            continue;  // a send still running, or not ours to judge
        if (!isLock) {
            fs::remove_all(folder, ec);
            removed += ec ? 0 : 1;
        }
        lock->removeFile();
    }
    return removed;
}

SendFolder::SendFolder(std::string parent)
    : parent_(parent.empty() ? DefaultSendFolderParent() : std::move(parent)) {}

SendFolder::~SendFolder() {
    remove();
}

std::string SendFolder::ensure() {
    if (!path_.empty())
        return {};
    if (std::string error = EnsurePrivateFolder(parent_); !error.empty())
        return error;
    // Left behind by sends that died: this start cleans them.
    SweepSendFolders(parent_);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string folder = parent_ + "/" + RandomName();
        FileLock::Result result = FileLock::Result::Failed;
        std::unique_ptr<FileLock> lock =
            FileLock::TryTake(folder + std::string(kLockSuffix), result);
        if (!lock)
            continue;
        if (::mkdir(folder.c_str(), 0700) != 0) {
            const int error = errno;
            lock->removeFile();
            if (error == EEXIST)
                continue;
            return folder + ": " + SystemWhy(error);
        }
        path_ = folder;
        lock_ = std::move(lock);
        return {};
    }
    return parent_ + ": " + SystemWhy(EEXIST);
}

void SendFolder::remove() {
    if (path_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (lock_)
        lock_->removeFile();
    lock_.reset();
    path_.clear();
}

namespace {

// The photo at SOURCE as it is on disk.
PreparedPhoto AsItIs(const std::string& source) {
    const std::optional<FileStamp> stamp = StampOf(source);
    if (!stamp)
        return Failed(source, SystemWhy(ENOENT));
    PreparedPhoto p;
    p.path = source;
    p.size = stamp->size;
    return p;
}

// BYTES written into FOLDER as the file sent for photo NUMBER.
PreparedPhoto Written(SendFolder& folder, const std::string& source, std::string_view bytes,
                      int number) {
    if (std::string error = folder.ensure(); !error.empty())
        return Failed(source, error);
    const std::string path = folder.path() + "/photo-" + std::to_string(number) + ".jpg";
    ::unlink(path.c_str());  // a try before this one
    if (const int error = WriteNew(path, bytes); error != 0)
        return Failed(source, SystemWhy(error));
    PreparedPhoto p;
    p.path = path;
    p.size = bytes.size();
    p.written = true;
    return p;
}

}  // namespace

PreparedPhoto PreparePhoto(SendFolder& folder, const std::string& source, const PhotoWork& work,
                           int number) {
    if (!work.needed() && !work.removeLocation)
        return AsItIs(source);
    if (work.convert) {
        const TransformedJpeg made = ConvertToJpeg(source, work);
        if (!made.ok())
            return Failed(source, made.problem);
        return Written(folder, source, made.bytes, number);
    }
    std::string bytes;
    if (const int error = ReadWhole(source, bytes); error != 0)
        return Failed(source, SystemWhy(error));
    if (!work.needed()) {
        // Only the location to remove: a photo without one goes as it is.
        std::optional<std::string> without = wizard::RemoveJpegLocation(bytes);
        if (!without)
            return Failed(source, wizard::Str(kStrLocationStays));
        if (*without == bytes)
            return AsItIs(source);
        return Written(folder, source, *without, number);
    }
    TransformedJpeg made = TransformJpeg(bytes, work);
    if (!made.ok())
        return Failed(source, made.problem);
    if (work.removeLocation) {
        std::optional<std::string> without = wizard::RemoveJpegLocation(made.bytes);
        if (!without)
            return Failed(source, wizard::Str(kStrLocationStays));
        made.bytes = std::move(*without);
    }
    return Written(folder, source, made.bytes, number);
}

void Release(const PreparedPhoto& prepared) {
    if (prepared.written)
        ::unlink(prepared.path.c_str());
}

}  // namespace orlavo::transmission
