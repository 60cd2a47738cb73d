#pragma once
// The order as it was before one change of step 1 (Select All, Deselect All,
// Remove All, a photo's remove button), so that the change can be undone:
// the photos in their order with their lines and their thumbnails (turns
// included). One change is kept; any other change to the order forgets it.

#include <QImage>
#include <optional>
#include <vector>

#include "wizard/photos/OrderModel.h"
#include "wizard/photos/ThumbnailList.h"

class SelectionUndo {
public:
    void remember(const orlavo::wizard::OrderModel& order,
                  const orlavo::wizard::ThumbnailList& thumbnails);
    void forget() { kept_.reset(); }
    bool available() const { return kept_.has_value(); }

    // Puts the remembered order back (and forgets it); false when there is none.
    bool restore(orlavo::wizard::OrderModel& order, orlavo::wizard::ThumbnailList& thumbnails);

private:
    struct Kept {
        std::vector<orlavo::wizard::SelectedPhoto> photos;
        std::vector<QImage> thumbnails;
    };
    std::optional<Kept> kept_;
};
