#include "wizard/photos/StripLayout.h"

#include <cmath>

namespace orlavo::wizard {

namespace {

int HalfRounded(int n) {
    return static_cast<int>(std::lround(n / 2.0));
}

// The top of a button's range below the thumbnail's top.
int ButtonOffset(int button) {
    switch (button) {
        case kTurnCounterClockwise:
            return 0;
        case kTurnClockwise:
            return 15;
        case kRemove:
            return 30;
        default:
            return -1;
    }
}

}  // namespace

QPoint StripThumbnailAt(const QRect& item, int thumbWidth, int thumbHeight) {
    return {item.left() + HalfRounded(item.width() - thumbWidth),
            item.top() + HalfRounded(item.height() - thumbHeight) - 10};
}

QRect StripButtonRect(const QRect& item, int thumbWidth, int thumbHeight, int button) {
    const int offset = ButtonOffset(button);
    if (offset < 0)
        return {};
    const QPoint thumb = StripThumbnailAt(item, thumbWidth, thumbHeight);
    return {thumb.x() + thumbWidth, thumb.y() + offset, kStripButtonSize, kStripButtonSize};
}

int StripButtonAt(const QRect& item, int thumbWidth, int thumbHeight, QPoint point) {
    for (int button : {kTurnCounterClockwise, kTurnClockwise, kRemove}) {
        const QRect r = StripButtonRect(item, thumbWidth, thumbHeight, button);
        // Both ends belong to the button.
        if (point.x() >= r.left() && point.x() <= r.left() + kStripButtonSize &&
            point.y() >= r.top() && point.y() <= r.top() + kStripButtonSize)
            return button;
    }
    return -1;
}

}  // namespace orlavo::wizard
