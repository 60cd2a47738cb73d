#include "wizard/photos/ui/SelectionUndo.h"

using orlavo::wizard::OrderModel;
using orlavo::wizard::SelectedPhoto;
using orlavo::wizard::ThumbnailList;

void SelectionUndo::remember(const OrderModel& order, const ThumbnailList& thumbnails) {
    Kept kept;
    kept.photos = order.photos();
    kept.thumbnails.reserve(kept.photos.size());
    for (std::size_t i = 0; i < kept.photos.size(); ++i)
        kept.thumbnails.push_back(thumbnails.forPhoto(i));
    kept_ = std::move(kept);
}

bool SelectionUndo::restore(OrderModel& order, ThumbnailList& thumbnails) {
    if (!kept_)
        return false;
    const Kept kept = std::move(*kept_);
    kept_.reset();
    order.RemoveAll();
    thumbnails.clear();
    for (std::size_t i = 0; i < kept.photos.size(); ++i) {
        const SelectedPhoto& p = kept.photos[i];
        thumbnails.append(kept.thumbnails[i]);
        const std::size_t at = order.AddPhoto(p.path, p.contentTypeIndex, p.fileSize, p.width,
                                              p.height, p.thumbWidth, p.thumbHeight);
        for (std::size_t j = 0; j < p.orderLines.size(); ++j) {
            const int product = static_cast<int>(j);
            if (p.orderLines[j].quantity > 0)
                order.SetQuantity(at, product, p.orderLines[j].quantity);
            if (p.orderLines[j].zoomTrim == 0 || p.orderLines[j].zoomTrim == 1)
                order.SetZoomTrim(at, product, p.orderLines[j].zoomTrim);
        }
    }
    return true;
}
