#pragma once
// selectedThumbnails: the thumbnails of the order's photos, kept in step with
// the order model. Image 0 is the placeholder; image i + 1 belongs to photo i.
//
// Window thread only. Whoever adds or removes a photo of the order adds or
// removes its thumbnail here in the same step (the thumbnail first when adding).

#include <QImage>
#include <cstddef>
#include <vector>

namespace orlavo::wizard {

class ThumbnailList {
public:
    ThumbnailList();

    void setPlaceholder(QImage image);
    const QImage& placeholder() const { return images_.front(); }

    // Images held, the placeholder included: photos + 1.
    std::size_t count() const { return images_.size(); }

    // The thumbnail of photo I (image I + 1); the placeholder when I is out of range.
    const QImage& forPhoto(std::size_t photo) const;

    // Appends the thumbnail of the next photo.
    void append(QImage image);
    // Replaces the thumbnail of photo I (a turn); false when out of range.
    bool replace(std::size_t photo, QImage image);
    // Removes the thumbnail of photo I; later ones move down by one.
    bool removeAt(std::size_t photo);
    // Moves the thumbnail of photo FROM to place TO, as the order moves its
    // photo; false when either is out of range.
    bool move(std::size_t from, std::size_t to);
    // Back to the placeholder alone.
    void clear();

private:
    std::vector<QImage> images_;
};

}  // namespace orlavo::wizard
