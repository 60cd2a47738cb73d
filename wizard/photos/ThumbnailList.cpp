#include "wizard/photos/ThumbnailList.h"

#include "wizard/photos/MoveWithin.h"

namespace orlavo::wizard {

ThumbnailList::ThumbnailList() : images_(1) {}

void ThumbnailList::setPlaceholder(QImage image) {
    images_.front() = std::move(image);
}

const QImage& ThumbnailList::forPhoto(std::size_t photo) const {
    return photo + 1 < images_.size() ? images_[photo + 1] : images_.front();
}

void ThumbnailList::append(QImage image) {
    images_.push_back(std::move(image));
}

bool ThumbnailList::replace(std::size_t photo, QImage image) {
    if (photo + 1 >= images_.size())
        return false;
    images_[photo + 1] = std::move(image);
    return true;
}

bool ThumbnailList::removeAt(std::size_t photo) {
    if (photo + 1 >= images_.size())
        return false;
    images_.erase(images_.begin() + static_cast<std::ptrdiff_t>(photo) + 1);
    return true;
}

bool ThumbnailList::move(std::size_t from, std::size_t to) {
    if (from + 1 >= images_.size() || to + 1 >= images_.size())
        return false;
    MoveWithin(images_, from + 1, to + 1);
    return true;
}

void ThumbnailList::clear() {
    images_.resize(1);
}

}  // namespace orlavo::wizard
