#include "wizard/photos/ui/PhotoBitmaps.h"

#include "resources/WizardResources.h"
#include "wizard/photos/ThumbnailMaker.h"

namespace {

QImage Decode(const std::optional<std::string>& bytes) {
    QImage image;
    if (bytes)
        image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), int(bytes->size()));
    return image;
}

QImage Load(const std::string& name) {
    QImage image = Decode(orlavo::wizard::Resources().file(name));
    if (image.isNull())
        image.load(QString::fromStdString(":/wizard/" + name));
    return image;
}

}  // namespace

QImage PhotoBitmap(int id, qreal devicePixelRatio) {
    const std::string base = "bitmaps/" + std::to_string(id);
    if (devicePixelRatio > 1.0) {
        QImage image = Load(base + "@2x.png");
        if (!image.isNull()) {
            image.setDevicePixelRatio(2.0);
            return image;
        }
    }
    return Load(base + ".png");
}

QImage PlaceholderThumbnail(qreal devicePixelRatio) {
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int side = qRound(orlavo::wizard::kThumbnailSide * dpr);
    QImage image = PhotoBitmap(201, dpr);
    if (image.isNull()) {
        image = QImage(side, side, QImage::Format_RGB32);
        image.fill(orlavo::wizard::kThumbnailBackground);
    } else if (image.size() != QSize(side, side)) {
        image = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    return image;
}
