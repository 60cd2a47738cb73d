#include "wizard/photos/ThumbnailMaker.h"

#include <sys/stat.h>

#include <turbojpeg.h>

#include <QPainter>
#include <QTransform>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "wizard/photos/JpegDecoder.h"
#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/PhotoFile.h"

namespace orlavo::wizard {

namespace {

// Files larger than this are not photos we can order.
constexpr std::uint64_t kMaxFileBytes = 512ULL << 20;
// Read first, in the hope that the EXIF thumbnail and the frame header are in it.
constexpr std::size_t kHeadBytes = 256 * 1024;
// The markers before the first scan (profiles, previews) may run longer;
// a file whose first scan starts past this is no photo of ours.
constexpr std::size_t kMaxHeadBytes = 4 << 20;
// Where the end-of-image marker is looked for when only the head was read.
constexpr std::uint64_t kTailBytes = 64 * 1024;
// An EXIF thumbnail whose proportions differ more than this carries bars.
constexpr double kAspectTolerance = 0.03;

constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

PhotoRefusal RefusalOf(DecodeVerdict verdict) {
    switch (verdict) {
        case DecodeVerdict::Whole:
            return PhotoRefusal::None;
        case DecodeVerdict::Damaged:
            return PhotoRefusal::Damaged;
        case DecodeVerdict::TooLarge:
            return PhotoRefusal::TooLarge;
        case DecodeVerdict::Stopped:
            return PhotoRefusal::Stopped;
        case DecodeVerdict::NotJpeg:
            break;
    }
    return PhotoRefusal::Unreadable;
}

bool SameProportions(QSize a, QSize b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    const double ra = double(a.width()) / a.height(), rb = double(b.width()) / b.height();
    return std::abs(ra - rb) <= kAspectTolerance * rb;
}

// The EXIF thumbnail when it covers NEED and has the photo's proportions.
QImage FromExifThumbnail(const unsigned char* data, const JpegInfo& info, QSize need) {
    if (info.thumbnailLength == 0)
        return {};
    const unsigned char* thumb = data + info.thumbnailOffset;
    const JpegInfo inner = ReadJpegInfo(thumb, info.thumbnailLength);
    const QSize stored(inner.width, inner.height);
    if (!inner.isJpeg || !inner.complete || stored.width() < need.width() ||
        stored.height() < need.height() || !SameProportions(stored, QSize(info.width, info.height)))
        return {};
    // A thumbnail that cannot be decoded whole, or only at a cost, is not used.
    return DecodeJpeg(thumb, info.thumbnailLength, need).image;
}

// A photo's size as it is seen and the orientation that turns its stored
// pixels so, whatever its format.
struct Geometry {
    Geometry() = default;
    explicit Geometry(const JpegInfo& info)
        : orientation(info.orientation), shown(info.shownWidth(), info.shownHeight()) {}
    explicit Geometry(const PhotoFacts& facts)
        : orientation(facts.orientation), shown(facts.shown()) {}
    int orientation = 1;
    QSize shown;
};

// What the thumbnail of a photo needs: its square's side and the picture's
// size within it, in the stored orientation.
struct Target {
    Target(const Geometry& geometry, qreal devicePixelRatio, int logicalSide, int shareSide = 0)
        : dpr(devicePixelRatio > 0 ? devicePixelRatio : 1.0),
          side(std::max(1, int(std::lround(std::max(1, logicalSide) * dpr)))) {
        const QSize shown = geometry.shown;
        const QSize fit = FitInto(shown, side);
        need = geometry.orientation >= 5 ? fit.transposed() : fit;
        if (shareSide > 0) {
            // A shared thumbnail is never larger than its photo.
            const QSize s = std::max(shown.width(), shown.height()) <= shareSide
                                ? shown
                                : FitInto(shown, shareSide);
            share = geometry.orientation >= 5 ? s.transposed() : s;
        }
    }
    // What the decode must cover.
    QSize decodeNeed() const { return need.expandedTo(share); }
    qreal dpr;
    int side;
    QSize need;
    QSize share;  // empty when nothing is shared
};

// A picture with transparency laid on white, as the lab receives it.
QImage OnWhite(QImage picture) {
    if (!picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return {};
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, picture);
    p.end();
    return flat;
}

// PICTURE resampled, turned upright and centred on the grey square.
PhotoThumbnail Finish(const Geometry& info, const Target& target, QImage picture, bool fromExif) {
    PhotoThumbnail result;
    if (picture.isNull())
        return result;
    result.refusal = PhotoRefusal::None;
    result.fromExif = fromExif;
    result.decodedSize = picture.size();
    if (!target.share.isEmpty())
        result.shareable = UprightPicture(
            picture.size() == target.share
                ? picture
                : picture.scaled(target.share, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
            info.orientation);
    if (picture.size() != target.need)
        picture = picture.scaled(target.need, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture = UprightPicture(picture, info.orientation);
    QImage canvas(target.side, target.side, QImage::Format_RGB32);
    if (canvas.isNull())
        return result;
    canvas.fill(kThumbnailBackground);
    {
        QPainter p(&canvas);
        p.drawImage(
            QPoint((target.side - picture.width()) / 2, (target.side - picture.height()) / 2),
            picture);
    }
    canvas.setDevicePixelRatio(target.dpr);
    result.image = std::move(canvas);
    result.width = info.shown.width();
    result.height = info.shown.height();
    return result;
}

// What a decode that did not give a picture leaves: the reason, and the
// photo's size when its header was read.
PhotoThumbnail Refused(const Geometry& info, DecodeVerdict verdict) {
    PhotoThumbnail result;
    result.refusal = RefusalOf(verdict);
    result.width = info.shown.width();
    result.height = info.shown.height();
    return result;
}

bool Covers(QSize picture, QSize need) {
    return picture.width() >= need.width() && picture.height() >= need.height();
}

// The thumbnail of a photo in another format than JPEG: its own small
// picture when that serves (a HEIF's, like a JPEG's EXIF thumbnail), else
// its pixels, decoded within the shared memory budget.
PhotoThumbnail OtherThumbnail(PhotoFile& file, qreal devicePixelRatio, int side,
                              const std::atomic<bool>* stop, int shareSide) {
    const PhotoFacts& facts = file.facts();
    const Geometry geometry(facts);
    const Target target(geometry, devicePixelRatio, side, shareSide);
    if (!facts.whole)
        return Refused(geometry, DecodeVerdict::Damaged);
    QImage own = file.ownThumbnail();
    const bool ownFits = !own.isNull() && SameProportions(own.size(), facts.stored);
    if (ownFits && Covers(own.size(), target.decodeNeed()))
        return Finish(geometry, target, OnWhite(std::move(own)), true);
    const std::uint64_t cost = file.decodeCost();
    if (cost > kDecodeBudgetBytes) {
        // Better a soft thumbnail than none for a photo too large to decode here.
        if (ownFits)
            return Finish(geometry, target, OnWhite(std::move(own)), true);
        return Refused(geometry, DecodeVerdict::TooLarge);
    }
    own = QImage();
    DecodeShare share;
    if (!share.take(cost, stop) || (stop && stop->load()))
        return Refused(geometry, DecodeVerdict::Stopped);
    DecodedPicture decoded = file.decode(target.decodeNeed(), false);
    if (decoded.verdict != DecodeVerdict::Whole)
        return Refused(geometry, decoded.verdict);
    return Finish(geometry, target, OnWhite(std::move(decoded.image)), false);
}

// Whether the file's last bytes (after the scan's start) hold the end-of-image
// marker. Inside entropy-coded data 0xFF is never followed by 0xD9, so a file
// cut short has none there.
bool EndsWhole(std::FILE* in, std::uint64_t size, std::size_t scanOffset) {
    const std::uint64_t from =
        std::max<std::uint64_t>(scanOffset, size > kTailBytes ? size - kTailBytes : 0);
    if (from >= size || fseeko(in, static_cast<off_t>(from), SEEK_SET) != 0)
        return false;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    tail.resize(std::fread(tail.data(), 1, tail.size(), in));
    return tail.find("\xFF\xD9") != std::string::npos;
}

// The file's first bytes, as many as its markers before the first scan
// need (within kMaxHeadBytes), in a buffer kept by the thread; the file is
// left positioned after them.
std::vector<unsigned char>& ReadHead(std::FILE* in, std::uint64_t size, JpegInfo& info) {
    thread_local std::vector<unsigned char> head;
    head.clear();
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeadBytes));
    for (;;) {
        const std::size_t have = head.size();
        head.resize(want);
        head.resize(have + std::fread(head.data() + have, 1, want - have, in));
        info = ReadJpegInfo(head.data(), head.size());
        const bool jpegStart = head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
        if (info.isJpeg || !jpegStart || head.size() < want || want >= size ||
            want >= kMaxHeadBytes)
            break;
        want = static_cast<std::size_t>(std::min<std::uint64_t>(size, want * 4));
        want = std::min(want, kMaxHeadBytes);
    }
    return head;
}

std::int64_t ModifiedMs(const std::filesystem::path& path) {
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    const auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count();
}

// The size a picture of SHOWN is drawn at in a square of SIDE: a small one
// is not blown up here, the view scales it as it draws.
QSize PreviewFit(QSize shown, int side) {
    return std::max(shown.width(), shown.height()) <= side ? shown : FitInto(shown, side);
}

QImage OtherPreviewPicture(const std::string& path, int side) {
    std::unique_ptr<PhotoFile> file = PhotoFile::Open(path);
    if (!file || !file->facts().whole)
        return {};
    const PhotoFacts& facts = file->facts();
    const QSize fit = PreviewFit(facts.shown(), side);
    const QSize need = facts.orientation >= 5 ? fit.transposed() : fit;
    const std::uint64_t cost = file->decodeCost();
    DecodeShare share;
    if (cost > kDecodeBudgetBytes || !share.take(cost, nullptr))
        return {};
    QImage picture = OnWhite(file->decode(need, false).image);
    if (picture.isNull())
        return {};
    if (picture.size() != need)
        picture = picture.scaled(need, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return UprightPicture(picture, facts.orientation);
}

}  // namespace

QImage UprightPicture(const QImage& image, int orientation) {
    auto turned = [&image](int degrees) { return image.transformed(QTransform().rotate(degrees)); };
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return turned(180);
        case 4:
            return image.mirrored(false, true);
        case 5:
            return turned(90).mirrored(true, false);
        case 6:
            return turned(90);
        case 7:
            return turned(270).mirrored(true, false);
        case 8:
            return turned(270);
        default:
            return image;
    }
}

QSize FitInto(QSize size, int side) {
    if (size.isEmpty() || side <= 0)
        return {};
    const double scale = std::min(double(side) / size.width(), double(side) / size.height());
    const int w = std::clamp(int(std::lround(size.width() * scale)), 1, side);
    const int h = std::clamp(int(std::lround(size.height() * scale)), 1, side);
    return {w, h};
}

PhotoThumbnail MakeThumbnailFromBytes(const unsigned char* data, std::size_t size,
                                      qreal devicePixelRatio, int side) {
    try {
        const JpegInfo info = ReadJpegInfo(data, size);
        if (!info.isJpeg) {
            std::unique_ptr<PhotoFile> other = PhotoFile::FromBytes(data, size);
            return other ? OtherThumbnail(*other, devicePixelRatio, side, nullptr, 0)
                         : PhotoThumbnail();
        }
        const Target target(Geometry(info), devicePixelRatio, side);
        // The EXIF thumbnail stands for a photo whose data runs to its end.
        if (info.complete) {
            QImage picture = FromExifThumbnail(data, info, target.need);
            if (!picture.isNull())
                return Finish(Geometry(info), target, std::move(picture), true);
        }
        DecodedPicture decoded = DecodeJpeg(data, size, target.need);
        if (decoded.verdict != DecodeVerdict::Whole)
            return Refused(Geometry(info), decoded.verdict);
        return Finish(Geometry(info), target, std::move(decoded.image), false);
    } catch (const std::exception&) {
        return {};
    }
}

PhotoThumbnail CheckPhotoWhole(const std::string& path, const std::atomic<bool>* stop) {
    PhotoThumbnail verdict;
    verdict.refusal = PhotoRefusal::None;
    try {
        File in(std::fopen(path.c_str(), "rb"));
        struct stat st {};
        if (!in || fstat(fileno(in.get()), &st) != 0 || st.st_size <= 0)
            return Refused(Geometry(), DecodeVerdict::NotJpeg);
        JpegInfo info;
        const std::vector<unsigned char>& head =
            ReadHead(in.get(), std::uint64_t(st.st_size), info);
        if (!info.isJpeg)
            return verdict;
        if (fseeko(in.get(), static_cast<off_t>(head.size()), SEEK_SET) != 0)
            return Refused(Geometry(info), DecodeVerdict::NotJpeg);
        const DecodedPicture decoded =
            DecodeJpegFile(in.get(), head.data(), head.size(), QSize(1, 1), stop);
        if (decoded.verdict != DecodeVerdict::Whole)
            return Refused(Geometry(info), decoded.verdict);
        return verdict;
    } catch (const std::exception&) {
        return Refused(Geometry(), DecodeVerdict::Stopped);
    }
}

PhotoThumbnail MakeThumbnail(const std::string& path, qreal devicePixelRatio, int side,
                             const std::atomic<bool>* stop, int shareSide) {
    try {
        const std::filesystem::path file(path);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            return {};
        const std::uint64_t size = std::filesystem::file_size(file, ec);
        if (ec || size == 0 || size > kMaxFileBytes)
            return {};
        File in(std::fopen(path.c_str(), "rb"));
        if (!in)
            return {};
        JpegInfo info;
        const std::vector<unsigned char>& head = ReadHead(in.get(), size, info);
        PhotoThumbnail result;
        if (!info.isJpeg) {
            in.reset();
            std::unique_ptr<PhotoFile> other = PhotoFile::Open(path);
            if (!other)
                return {};
            result = OtherThumbnail(*other, devicePixelRatio, side, stop, shareSide);
            if (result.ok()) {
                result.fileSize = size;
                result.lastModified = ModifiedMs(file);
            }
            return result;
        }
        const Target target(Geometry(info), devicePixelRatio, side, shareSide);
        // The EXIF thumbnail first: when it serves, the rest is not read.
        if (info.thumbnailLength > 0) {
            QImage picture = FromExifThumbnail(head.data(), info, target.decodeNeed());
            if (!picture.isNull() && EndsWhole(in.get(), size, info.scanOffset)) {
                result = Finish(Geometry(info), target, std::move(picture), true);
                result.judgedByMarkers = true;
            }
        }
        if (!result.ok()) {
            if (fseeko(in.get(), static_cast<off_t>(head.size()), SEEK_SET) != 0)
                return {};
            DecodedPicture decoded =
                DecodeJpegFile(in.get(), head.data(), head.size(), target.decodeNeed(), stop);
            if (decoded.verdict != DecodeVerdict::Whole)
                return Refused(Geometry(info), decoded.verdict);
            result = Finish(Geometry(info), target, std::move(decoded.image), false);
        }
        if (result.ok()) {
            result.fileSize = size;
            result.lastModified = ModifiedMs(file);
        }
        return result;
    } catch (const std::exception&) {
        // Out of memory for one photo: it keeps its placeholder.
        return {};
    }
}

QImage MakePreviewPicture(const std::string& path, int side) {
    try {
        const std::filesystem::path file(path);
        std::error_code ec;
        if (side <= 0 || !std::filesystem::is_regular_file(file, ec))
            return {};
        const std::uint64_t size = std::filesystem::file_size(file, ec);
        if (ec || size == 0 || size > kMaxFileBytes)
            return {};
        File in(std::fopen(path.c_str(), "rb"));
        if (!in)
            return {};
        JpegInfo info;
        const std::vector<unsigned char>& head = ReadHead(in.get(), size, info);
        if (!info.isJpeg) {
            in.reset();
            return OtherPreviewPicture(path, side);
        }
        const QSize shown(info.shownWidth(), info.shownHeight());
        const QSize fit = PreviewFit(shown, side);
        const QSize need = info.orientation >= 5 ? fit.transposed() : fit;
        QImage picture = DecodeJpegFile(in.get(), head.data(), head.size(), need).image;
        if (picture.isNull())
            return {};
        if (picture.size() != need)
            picture = picture.scaled(need, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return UprightPicture(picture, info.orientation);
    } catch (const std::exception&) {
        return {};
    }
}

QByteArray PackThumbnail(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    tjhandle h = tjInitCompress();
    if (!h)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(h, pixels.constBits(), pixels.width(), static_cast<int>(pixels.bytesPerLine()),
                    pixels.height(), kPixelFormat, &out, &size, TJSAMP_444, 92, TJFLAG_ACCURATEDCT);
    QByteArray packed;
    if (rc == 0)
        packed = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(h);
    return packed;
}

QImage UnpackThumbnail(const QByteArray& packed, qreal devicePixelRatio) {
    const auto* data = reinterpret_cast<const unsigned char*>(packed.constData());
    const JpegInfo info = ReadJpegInfo(data, std::size_t(packed.size()));
    if (!info.isJpeg)
        return {};
    QImage image =
        DecodeJpeg(data, std::size_t(packed.size()), QSize(info.width, info.height)).image;
    image.setDevicePixelRatio(devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    return image;
}

QImage RotateThumbnail(const QImage& image, int angle) {
    if (image.isNull())
        return image;
    const qreal degrees = angle / 100.0;
    // Turned in device pixels; the ratio is put back afterwards.
    QImage source = image;
    source.setDevicePixelRatio(1.0);
    QImage turned;
    if (angle % 9000 == 0) {
        turned = source.transformed(QTransform().rotate(degrees), Qt::FastTransformation);
    } else {
        const QImage rotated =
            source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                .transformed(QTransform().rotate(degrees), Qt::SmoothTransformation);
        turned = QImage(rotated.size(), image.format());
        turned.fill(Qt::black);
        QPainter p(&turned);
        p.drawImage(0, 0, rotated);
        p.end();
    }
    turned.setDevicePixelRatio(image.devicePixelRatio());
    return turned;
}

}  // namespace orlavo::wizard
