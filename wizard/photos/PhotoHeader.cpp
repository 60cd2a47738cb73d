#include "wizard/photos/PhotoHeader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/PhotoFile.h"

namespace orlavo::wizard {

namespace {

// Most headers end within this; one with large previews is read further.
constexpr std::size_t kFirstRead = 64 * 1024;
constexpr std::size_t kMaxHeadBytes = 4 << 20;
constexpr std::uint64_t kTailBytes = 64 * 1024;
constexpr std::uint64_t kMaxFileBytes = 512ULL << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

PhotoHeader ReadPhotoHeader(const std::string& path) {
    PhotoHeader header;
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    struct stat st {};
    if (!in || fstat(fileno(in.get()), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        std::uint64_t(st.st_size) > kMaxFileBytes)
        return header;
    const std::uint64_t size = std::uint64_t(st.st_size);
    std::vector<unsigned char> head;
    JpegInfo info;
    std::size_t want = std::size_t(std::min<std::uint64_t>(size, kFirstRead));
    for (;;) {
        const std::size_t have = head.size();
        head.resize(want);
        head.resize(have + std::fread(head.data() + have, 1, want - have, in.get()));
        info = ReadJpegInfo(head.data(), head.size());
        if ((info.isJpeg && info.scanOffset > 0) || head.size() < want || want >= size ||
            want >= kMaxHeadBytes)
            break;
        want = std::size_t(std::min<std::uint64_t>({size, want * 4, kMaxHeadBytes}));
    }
    const std::int64_t modified =
        std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    const bool jpegStart = head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
    if (!jpegStart) {
        // HEIC, PNG, TIFF, WebP: their container's header says as much.
        in.reset();
        const std::unique_ptr<PhotoFile> other = PhotoFile::Open(path);
        if (!other || other->facts().shown().isEmpty())
            return header;
        header.whole = other->facts().whole;
        header.width = other->facts().shown().width();
        header.height = other->facts().shown().height();
        header.fileSize = size;
        header.lastModified = modified;
        return header;
    }
    if (!info.isJpeg || info.width <= 0 || info.height <= 0 || info.scanOffset == 0)
        return header;
    bool complete = info.complete;
    if (!complete) {
        // Inside entropy-coded data 0xFF is never followed by 0xD9: a file cut
        // short has no end marker in its last bytes.
        const std::uint64_t from =
            std::max<std::uint64_t>(info.scanOffset, size > kTailBytes ? size - kTailBytes : 0);
        if (from < size && fseeko(in.get(), off_t(from), SEEK_SET) == 0) {
            std::string tail(std::size_t(size - from), '\0');
            tail.resize(std::fread(tail.data(), 1, tail.size(), in.get()));
            complete = tail.find("\xFF\xD9") != std::string::npos;
        }
    }
    header.whole = complete;
    header.width = info.shownWidth();
    header.height = info.shownHeight();
    header.fileSize = size;
    header.lastModified = modified;
    return header;
}

}  // namespace orlavo::wizard
