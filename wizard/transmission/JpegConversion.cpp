#include "wizard/transmission/JpegConversion.h"

#include <turbojpeg.h>

#include <QColorSpace>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <cstdio>
#include <memory>

#include "resources/WizardResources.h"
#include "wizard/photos/ByteSource.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/PhotoContainer.h"
#include "wizard/photos/PhotoFile.h"
#include "wizard/photos/ThumbnailMaker.h"

namespace orlavo::transmission {

namespace {

constexpr int kStrCutShort = 3601;
constexpr int kStrCropOutside = 3604;
constexpr int kStrNotAPhoto = 3650;
constexpr int kStrTooManyPixels = 3651;
constexpr int kStrDamaged = 3652;
constexpr int kStrCannotEncode = 3653;

constexpr int kQuality = 95;
// The profile's bytes in one APP2 segment: 65535 less the length and
// "ICC_PROFILE\0", sequence number and count.
constexpr std::size_t kIccChunk = 65535 - 2 - 14;

// Thresholds of an 8 x 8 ordered dither, 0 to 63.
constexpr int kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

TransformedJpeg Failed(int id) {
    TransformedJpeg t;
    t.problem = wizard::Str(id);
    return t;
}

// 16 bits a sample with transparency: laid on white in 16 bits.
void FlattenDeep(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgba64 c = row[x];
            const std::uint32_t a = c.alpha(), white = 65535u * (65535u - a);
            const auto over = [&](std::uint32_t v) {
                return std::uint16_t((v * a + white + 32767u) / 65535u);
            };
            row[x] = QRgba64::fromRgba64(over(c.red()), over(c.green()), over(c.blue()), 65535);
        }
    }
}

QImage OnWhite(const QImage& picture) {
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, picture);
    p.end();
    return flat;
}

std::string Segment(unsigned marker, std::string_view payload) {
    const std::size_t length = payload.size() + 2;
    std::string s;
    s += '\xFF';
    s += static_cast<char>(marker);
    s += static_cast<char>(length >> 8);
    s += static_cast<char>(length & 0xFF);
    s.append(payload);
    return s;
}

// The APP2 segments of an ICC profile.
std::string IccSegments(const QByteArray& icc) {
    const std::size_t count = (std::size_t(icc.size()) + kIccChunk - 1) / kIccChunk;
    if (count == 0 || count > 255)
        return {};
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        std::string payload("ICC_PROFILE\0", 12);
        payload += static_cast<char>(i + 1);
        payload += static_cast<char>(count);
        const std::size_t from = i * kIccChunk;
        payload.append(icc.constData() + from,
                       std::min<std::size_t>(kIccChunk, std::size_t(icc.size()) - from));
        out += Segment(0xE2, payload);
    }
    return out;
}

// PIXELS (RGB32 or RGB888) as a JPEG; empty when it cannot be made.
std::string Encode(const QImage& pixels) {
    const int format = pixels.format() == QImage::Format_RGB888
                           ? TJPF_RGB
                           : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB);
    tjhandle h = tjInitCompress();
    if (h == nullptr)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc =
        tjCompress2(h, pixels.constBits(), pixels.width(), static_cast<int>(pixels.bytesPerLine()),
                    pixels.height(), format, &out, &size, TJSAMP_444, kQuality, 0);
    std::string jpeg;
    if (rc == 0 && out != nullptr)
        jpeg.assign(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    tjDestroy(h);
    return jpeg;
}

// JPEG with SEGMENTS after its start marker and its JFIF segment.
std::string WithSegments(const std::string& jpeg, const std::string& segments) {
    std::size_t at = 2;
    if (jpeg.size() > 6 && static_cast<unsigned char>(jpeg[3]) == 0xE0)
        at += 2 + (std::size_t(std::uint8_t(jpeg[4])) << 8 | std::uint8_t(jpeg[5]));
    if (at > jpeg.size())
        return jpeg;
    return jpeg.substr(0, at) + segments + jpeg.substr(at);
}

// Why a file that PhotoFile could not open is no photo to convert.
int WhyNotOpened(const std::string& path) {
    const wizard::PhotoFormat format = wizard::PhotoFormatOfFile(path);
    if (format == wizard::PhotoFormat::Unknown || format == wizard::PhotoFormat::Jpeg)
        return kStrNotAPhoto;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (f && format == wizard::PhotoFormat::Heif) {
        wizard::FileSource source(f.get());
        if (!wizard::HeifBoxesWhole(source))
            return kStrCutShort;
    }
    return kStrDamaged;
}

}  // namespace

QImage DitherTo8Bits(const QImage& deep) {
    QImage out(deep.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < deep.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgba64*>(deep.constScanLine(y));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < deep.width(); ++x) {
            const std::uint32_t t = (2u * std::uint32_t(kBayer[y & 7][x & 7]) + 1u) * 65535u / 128u;
            const auto down = [t](std::uint32_t v) { return int((v * 255u + t) / 65535u); };
            row[x] = qRgb(down(in[x].red()), down(in[x].green()), down(in[x].blue()));
        }
    }
    return out;
}

std::string JpegNameFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? path.substr(0, dot) : path) + ".jpg";
}

TransformedJpeg ConvertToJpeg(const std::string& path, const PhotoWork& work,
                              std::int64_t maxPixels) {
    try {
        std::unique_ptr<wizard::PhotoFile> file = wizard::PhotoFile::Open(path);
        if (!file)
            return Failed(WhyNotOpened(path));
        const wizard::PhotoFacts& facts = file->facts();
        if (!facts.whole)
            return Failed(kStrCutShort);
        if (std::int64_t(facts.stored.width()) * facts.stored.height() > maxPixels)
            return Failed(kStrTooManyPixels);
        wizard::DecodedPicture decoded = file->decode({}, true);
        if (decoded.verdict != wizard::DecodeVerdict::Whole || decoded.image.isNull())
            return Failed(kStrDamaged);
        QImage image = std::move(decoded.image);
        const QColorSpace space = image.colorSpace();
        const bool deep = image.format() == QImage::Format_RGBA64;
        if (deep && image.hasAlphaChannel())
            FlattenDeep(image);
        else if (!deep && image.hasAlphaChannel())
            image = OnWhite(image);
        QByteArray icc;
        if (space.isValid() && work.toSrgb && space != QColorSpace(QColorSpace::SRgb)) {
            if (image.format() == QImage::Format_RGB888)
                image.convertTo(QImage::Format_RGB32);
            image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
        } else if (space.isValid()) {
            icc = space.iccProfile();
        }
        if (image.format() == QImage::Format_RGBA64)
            image = DitherTo8Bits(image);
        else if (image.format() != QImage::Format_RGB888 && image.format() != QImage::Format_RGB32)
            image.convertTo(QImage::Format_RGB32);
        image = wizard::UprightPicture(image, facts.orientation);
        if (const int quarters = ((work.turn / 90) % 4 + 4) % 4; quarters != 0)
            image = image.transformed(QTransform().rotate(90.0 * quarters));
        TransformedJpeg result;
        QRect kept = image.rect();
        if (!work.crop.empty()) {
            kept &= QRect(work.crop.x, work.crop.y, work.crop.width, work.crop.height);
            if (kept.isEmpty())
                return Failed(kStrCropOutside);
            image = image.copy(kept);
        }
        if (image.isNull())
            return Failed(kStrTooManyPixels);
        std::string jpeg = Encode(image);
        if (jpeg.empty())
            return Failed(kStrCannotEncode);

        std::string segments;
        std::string exif = file->exif();
        if (!exif.empty() && wizard::SetExifUpright(exif, image.width(), image.height()) &&
            !(work.removeLocation &&
              wizard::RemoveExifLocation(exif) == wizard::ExifEdit::Unreadable) &&
            exif.size() <= wizard::kMaxExifBlock)
            segments += Segment(0xE1, std::string("Exif\0\0", 6) + exif);
        if (!icc.isEmpty())
            segments += IccSegments(icc);
        result.bytes = WithSegments(jpeg, segments);
        result.width = image.width();
        result.height = image.height();
        result.covers = {kept.x(), kept.y(), kept.width(), kept.height()};
        return result;
    } catch (const std::exception&) {
        return Failed(kStrTooManyPixels);
    }
}

}  // namespace orlavo::transmission
