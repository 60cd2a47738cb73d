#include "wizard/app/LoadScaledBitmap.h"

#include <turbojpeg.h>

#include <QFile>
#include <cmath>
#include <memory>

namespace {

struct TjFree {
    void operator()(void* handle) const {
        if (handle)
            tjDestroy(static_cast<tjhandle>(handle));
    }
};
using TjHandle = std::unique_ptr<void, TjFree>;

// Pictures larger than this are not ours to show at start-up.
constexpr qint64 kMaxFileBytes = 64LL << 20;
constexpr int kMaxSide = 16384;

}  // namespace

bool ImagingAvailable() {
    TjHandle h(tjInitDecompress());
    return h != nullptr;
}

QImage DecodeJpegFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || file.size() > kMaxFileBytes)
        return {};
    const QByteArray bytes = file.readAll();
    TjHandle h(tjInitDecompress());
    if (!h)
        return {};
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    if (tjDecompressHeader3(h.get(), data, size, &width, &height, &subsamp, &colorspace) != 0)
        return {};
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    if (tjDecompress2(h.get(), data, size, image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, TJPF_RGB,
                      TJFLAG_ACCURATEDCT) != 0)
        return {};
    return image;
}

QPixmap LoadScaledBitmap(const QString& path, int width, int height, qreal devicePixelRatio) {
    const QImage image = DecodeJpegFile(path);
    if (image.isNull() || width <= 0 || height <= 0)
        return {};
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    // Stretched to exactly the size asked for, whatever the picture's proportions.
    const QSize size(static_cast<int>(std::lround(width * dpr)),
                     static_cast<int>(std::lround(height * dpr)));
    QPixmap pixmap = QPixmap::fromImage(image.scaled(size, {}, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}
