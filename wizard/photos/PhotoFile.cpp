#include "wizard/photos/PhotoFile.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <cstdio>
#include <mutex>

#include "wizard/photos/ByteSource.h"
#include "wizard/photos/HeifFile.h"
#include "wizard/photos/PhotoContainer.h"

namespace orlavo::wizard {

namespace {

constexpr std::uint64_t kWorkBytes = 1ULL << 20;
// Qt's own limit on one image, above what our budgets let through.
constexpr int kQtAllocationLimitMb = 2048;

const char* QtFormatName(PhotoFormat format) {
    switch (format) {
        case PhotoFormat::Png:
            return "png";
        case PhotoFormat::Tiff:
            return "tiff";
        case PhotoFormat::WebP:
            return "webp";
        default:
            return nullptr;
    }
}

ContainerFacts ReadFacts(PhotoFormat format, ByteSource& source) {
    switch (format) {
        case PhotoFormat::Png:
            return ReadPngFacts(source);
        case PhotoFormat::Tiff:
            return ReadTiffFacts(source);
        case PhotoFormat::WebP:
            return ReadWebpFacts(source);
        default:
            return {};
    }
}

// PNG, TIFF and WebP through Qt's image plugins.
class QtPhotoFile : public PhotoFile {
public:
    QtPhotoFile(std::unique_ptr<QIODevice> device, PhotoFormat format, ContainerFacts container)
        : device_(std::move(device)),
          exif_(std::move(container.exif)),
          xmp_(std::move(container.xmp)),
          hasIcc_(container.hasIcc) {
        facts_.format = format;
        facts_.stored = QSize(container.width, container.height);
        facts_.orientation = container.orientation;
        facts_.whole = container.whole;
        facts_.bitDepth = container.bitDepth;
        facts_.hasAlpha = container.hasAlpha;
    }

    std::uint64_t decodeCost() const override {
        // The decoded picture, and a copy in another pixel format.
        const std::uint64_t pixels = std::uint64_t(facts_.stored.width()) * facts_.stored.height();
        return pixels * (facts_.bitDepth > 8 ? 8 : 4) * 2 + kWorkBytes;
    }

    DecodedPicture decode(QSize need, bool deep) override {
        DecodedPicture out;
        out.stored = facts_.stored;
        out.verdict = DecodeVerdict::Damaged;
        if (!device_->seek(0))
            return out;
        QImageReader reader(device_.get(), QtFormatName(facts_.format));
        reader.setAutoTransform(false);
        reader.setDecideFormatFromContent(false);
        // libwebp decodes straight to a smaller size.
        if (facts_.format == PhotoFormat::WebP && need.isValid() && !need.isEmpty() &&
            need.width() < facts_.stored.width() && need.height() < facts_.stored.height())
            reader.setScaledSize(need);
        QImage image = reader.read();
        if (image.isNull())
            return out;
        const bool wide = image.depth() == 64 || image.format() == QImage::Format_Grayscale16;
        QImage::Format format = QImage::Format_RGB32;
        if (deep && wide)
            format = QImage::Format_RGBA64;
        else if (image.hasAlphaChannel())
            format = QImage::Format_ARGB32;
        if (image.format() != format)
            image.convertTo(format);
        if (!hasIcc_)
            image.setColorSpace(QColorSpace());
        out.image = std::move(image);
        out.verdict = out.image.isNull() ? DecodeVerdict::TooLarge : DecodeVerdict::Whole;
        return out;
    }

    std::string exif() override { return exif_; }
    std::string xmp() override { return xmp_; }

private:
    std::unique_ptr<QIODevice> device_;
    std::string exif_;
    std::string xmp_;
    bool hasIcc_;
};

void SetQtLimitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(kQtAllocationLimitMb); });
}

std::unique_ptr<PhotoFile> OpenQt(PhotoFormat format, ByteSource& source,
                                  std::unique_ptr<QIODevice> device) {
    SetQtLimitOnce();
    ContainerFacts container = ReadFacts(format, source);
    if (!container.readable || !device->open(QIODevice::ReadOnly))
        return nullptr;
    return std::make_unique<QtPhotoFile>(std::move(device), format, std::move(container));
}

}  // namespace

std::unique_ptr<PhotoFile> PhotoFile::Open(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return nullptr;
    unsigned char head[kSniffBytes];
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    const PhotoFormat format = SniffPhotoFormat(head, n);
    std::unique_ptr<PhotoFile> file;
    if (format == PhotoFormat::Heif) {
        file = OpenHeif(path, nullptr, 0);
    } else if (QtFormatName(format) != nullptr) {
        FileSource source(f);
        file = OpenQt(format, source,
                      std::make_unique<QFile>(QFile::decodeName(QByteArray::fromStdString(path))));
    }
    std::fclose(f);
    return file;
}

std::unique_ptr<PhotoFile> PhotoFile::FromBytes(const unsigned char* data, std::size_t size) {
    const PhotoFormat format = SniffPhotoFormat(data, size);
    if (format == PhotoFormat::Heif)
        return OpenHeif({}, data, size);
    if (QtFormatName(format) == nullptr)
        return nullptr;
    MemorySource source(data, size);
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    return OpenQt(format, source, std::move(buffer));
}

}  // namespace orlavo::wizard
