#include "wizard/photos/ByteSource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orlavo::wizard {

std::string ByteSource::bytes(std::uint64_t at, std::size_t n) {
    if (at > size() || n > size() - at)
        return {};
    std::string out(n, '\0');
    if (!read(at, out.data(), n))
        return {};
    return out;
}

bool MemorySource::read(std::uint64_t at, void* out, std::size_t n) {
    if (at > size_ || n > size_ - at)
        return false;
    if (n > 0)
        std::memcpy(out, data_ + at, n);
    return true;
}

FileSource::FileSource(std::FILE* file) : file_(file) {
    struct stat st {};
    if (file_ != nullptr && ::fstat(::fileno(file_), &st) == 0 && st.st_size > 0)
        size_ = static_cast<std::uint64_t>(st.st_size);
}

bool FileSource::read(std::uint64_t at, void* out, std::size_t n) {
    if (file_ == nullptr || at > size_ || n > size_ - at)
        return false;
    auto* p = static_cast<char*>(out);
    while (n > 0) {
        const ssize_t got = ::pread(::fileno(file_), p, n, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        at += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace orlavo::wizard
