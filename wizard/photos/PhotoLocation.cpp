#include "wizard/photos/PhotoLocation.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/JpegLocation.h"
#include "wizard/photos/PhotoFile.h"
#include "wizard/photos/XmpLocation.h"

namespace orlavo::wizard {

namespace {

constexpr std::size_t kFirstRead = 128 * 1024;
// Markers before the first scan beyond this are no photo's.
constexpr std::size_t kMostHead = 4 << 20;

struct JpegHead {
    std::vector<unsigned char> bytes;
    JpegInfo info;
};

// The first bytes of a JPEG file, up to its first scan (within kMostHead).
JpegHead ReadJpegHead(const std::string& path) {
    JpegHead head;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return head;
    for (std::size_t want = kFirstRead;; want *= 4) {
        const std::size_t have = head.bytes.size();
        head.bytes.resize(want);
        head.bytes.resize(have + std::fread(head.bytes.data() + have, 1, want - have, f));
        head.info = ReadJpegInfo(head.bytes.data(), head.bytes.size());
        if (head.info.scanOffset > 0 || head.bytes.size() < want || want >= kMostHead)
            break;
    }
    std::fclose(f);
    return head;
}

}  // namespace

bool PhotoHasLocation(const std::string& path) {
    if (PhotoFormatOfFile(path) == PhotoFormat::Jpeg) {
        const JpegHead head = ReadJpegHead(path);
        return JpegHasLocation(head.bytes.data(), head.bytes.size());
    }
    std::unique_ptr<PhotoFile> file = PhotoFile::Open(path);
    if (!file)
        return false;
    const std::string exif = file->exif();
    const std::string xmp = file->xmp();
    return (!exif.empty() && ExifHasLocation(exif)) || (!xmp.empty() && XmpHasLocation(xmp));
}

QSize ShownPhotoSize(const std::string& path) {
    if (PhotoFormatOfFile(path) == PhotoFormat::Jpeg) {
        const JpegHead head = ReadJpegHead(path);
        if (!head.info.isJpeg)
            return {};
        return {head.info.shownWidth(), head.info.shownHeight()};
    }
    std::unique_ptr<PhotoFile> file = PhotoFile::Open(path);
    return file ? file->facts().shown() : QSize();
}

}  // namespace orlavo::wizard
