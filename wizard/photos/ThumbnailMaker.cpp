#include "wizard/photos/ThumbnailMaker.h"

#include <turbojpeg.h>

#include <QPainter>
#include <QTransform>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "wizard/photos/JpegInfo.h"

namespace orlavo::wizard {

namespace {

// Files larger than this are not photos we can order.
constexpr std::uint64_t kMaxFileBytes = 512ULL << 20;
// The largest decoded picture (after DCT scaling) we allocate.
constexpr qint64 kMaxDecodedPixels = 16LL << 20;
// Read first, in the hope that the EXIF thumbnail and the frame header are in it.
constexpr std::size_t kHeadBytes = 256 * 1024;
// Where the end-of-image marker is looked for when only the head was read.
constexpr std::uint64_t kTailBytes = 64 * 1024;
// An EXIF thumbnail whose proportions differ more than this carries bars.
constexpr double kAspectTolerance = 0.03;

struct TjDestroy {
    void operator()(void* handle) const {
        if (handle)
            tjDestroy(static_cast<tjhandle>(handle));
    }
};

// One decompressor per thread, kept for the thread's life; after a failure a
// fresh one, as a failed decompressor may keep some of the damaged file's state.
std::unique_ptr<void, TjDestroy>& Decompressor() {
    thread_local std::unique_ptr<void, TjDestroy> handle(tjInitDecompress());
    if (!handle)
        handle.reset(tjInitDecompress());
    return handle;
}

constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

// Decodes at the smallest DCT scale whose picture still covers NEED (a size in
// the stored orientation). Null when the data cannot be decoded.
QImage DecodeScaled(const unsigned char* data, std::size_t size, QSize need) {
    std::unique_ptr<void, TjDestroy>& handle = Decompressor();
    tjhandle h = handle.get();
    if (!h || size == 0)
        return {};
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    const auto length = static_cast<unsigned long>(size);
    if (tjDecompressHeader3(h, data, length, &width, &height, &subsamp, &colorspace) != 0) {
        handle.reset();
        return {};
    }
    if (width <= 0 || height <= 0)
        return {};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    qint64 bestArea = qint64(width) * height;
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue;
        const int w = TJSCALED(width, f), h2 = TJSCALED(height, f);
        if (w >= need.width() && h2 >= need.height() && qint64(w) * h2 < bestArea) {
            best = f;
            bestArea = qint64(w) * h2;
        }
    }
    const int w = TJSCALED(width, best), hgt = TJSCALED(height, best);
    if (qint64(w) * hgt > kMaxDecodedPixels)
        return {};
    QImage image(w, hgt, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int rc =
        tjDecompress2(h, data, length, image.bits(), w, static_cast<int>(image.bytesPerLine()), hgt,
                      kPixelFormat, TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE | TJFLAG_LIMITSCANS);
    // A warning (extraneous bytes, say) still leaves a whole picture; the file
    // being cut short is caught before decoding.
    if (rc != 0) {
        const bool warning = tjGetErrorCode(h) == TJERR_WARNING;
        handle.reset();
        if (!warning)
            return {};
    }
    return image;
}

// The picture turned upright for an EXIF orientation.
QImage Upright(const QImage& image, int orientation) {
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
    return DecodeScaled(thumb, info.thumbnailLength, need);
}

// What the thumbnail of a photo needs: its square's side and the picture's
// size within it, in the stored orientation.
struct Target {
    Target(const JpegInfo& info, qreal devicePixelRatio, int logicalSide)
        : dpr(devicePixelRatio > 0 ? devicePixelRatio : 1.0),
          side(std::max(1, int(std::lround(std::max(1, logicalSide) * dpr)))) {
        const QSize fit = FitInto(QSize(info.shownWidth(), info.shownHeight()), side);
        need = info.orientation >= 5 ? fit.transposed() : fit;
    }
    qreal dpr;
    int side;
    QSize need;
};

// PICTURE resampled, turned upright and centred on the grey square.
PhotoThumbnail Finish(const JpegInfo& info, const Target& target, QImage picture, bool fromExif) {
    PhotoThumbnail result;
    if (picture.isNull())
        return result;
    result.fromExif = fromExif;
    result.decodedSize = picture.size();
    if (picture.size() != target.need)
        picture = picture.scaled(target.need, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture = Upright(picture, info.orientation);
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
    result.width = info.shownWidth();
    result.height = info.shownHeight();
    return result;
}

// Whether the file's last bytes (after the scan's start) hold the end-of-image
// marker. Inside entropy-coded data 0xFF is never followed by 0xD9, so a file
// cut short has none there.
bool EndsWhole(std::ifstream& in, std::uint64_t size, std::size_t scanOffset) {
    const std::uint64_t from =
        std::max<std::uint64_t>(scanOffset, size > kTailBytes ? size - kTailBytes : 0);
    if (from >= size)
        return false;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(from));
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    tail.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return tail.find("\xFF\xD9") != std::string::npos;
}

std::int64_t ModifiedMs(const std::filesystem::path& path) {
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    const auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count();
}

}  // namespace

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
    const JpegInfo info = ReadJpegInfo(data, size);
    // A photo cut short is not offered: what would be printed is not the photo.
    if (!info.isJpeg || !info.complete)
        return {};
    const Target target(info, devicePixelRatio, side);
    QImage picture = FromExifThumbnail(data, info, target.need);
    const bool fromExif = !picture.isNull();
    if (!fromExif)
        picture = DecodeScaled(data, size, target.need);
    return Finish(info, target, std::move(picture), fromExif);
}

PhotoThumbnail MakeThumbnail(const std::string& path, qreal devicePixelRatio, int side) {
    try {
        const std::filesystem::path file(path);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            return {};
        const std::uint64_t size = std::filesystem::file_size(file, ec);
        if (ec || size == 0 || size > kMaxFileBytes)
            return {};
        std::ifstream in(file, std::ios::binary);
        // One buffer per thread, kept: no fresh pages to clear for every photo.
        thread_local std::vector<unsigned char> bytes;
        bytes.resize(static_cast<std::size_t>(size));
        auto read = [&in](unsigned char* to, std::size_t n) {
            in.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(n));
            return static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
        };

        // The head first: an EXIF thumbnail that serves spares reading the rest.
        std::size_t have = read(bytes.data(), std::min<std::size_t>(bytes.size(), kHeadBytes));
        PhotoThumbnail result;
        if (have < bytes.size()) {
            const JpegInfo head = ReadJpegInfo(bytes.data(), have);
            if (head.isJpeg && head.thumbnailLength > 0) {
                const Target target(head, devicePixelRatio, side);
                QImage picture = FromExifThumbnail(bytes.data(), head, target.need);
                if (!picture.isNull() && EndsWhole(in, size, head.scanOffset))
                    result = Finish(head, target, std::move(picture), true);
            }
        }
        if (!result.ok()) {
            in.clear();
            in.seekg(static_cast<std::streamoff>(have));
            if (have < bytes.size())
                have += read(bytes.data() + have, bytes.size() - have);
            // A file that shrank meanwhile is judged by what could be read.
            result = MakeThumbnailFromBytes(bytes.data(), have, devicePixelRatio, side);
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
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        std::ifstream in(file, std::ios::binary);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        const auto have = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
        const JpegInfo info = ReadJpegInfo(bytes.data(), have);
        if (!info.isJpeg || !info.complete)
            return {};
        const QSize shown(info.shownWidth(), info.shownHeight());
        // A small photo is not blown up here: the view scales it as it draws.
        const QSize fit =
            std::max(shown.width(), shown.height()) <= side ? shown : FitInto(shown, side);
        const QSize need = info.orientation >= 5 ? fit.transposed() : fit;
        QImage picture = DecodeScaled(bytes.data(), have, need);
        if (picture.isNull())
            return {};
        if (picture.size() != need)
            picture = picture.scaled(need, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return Upright(picture, info.orientation);
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
    QImage image = DecodeScaled(data, std::size_t(packed.size()), QSize(info.width, info.height));
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
