#include "wizard/transmission/ui/UploadPlacement.h"

#include <algorithm>

namespace {

QPoint Inside(QPoint at, QSize window, const QRect& screen) {
    if (!screen.isValid())
        return at;
    const int x = std::clamp(at.x(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - window.width()));
    const int y = std::clamp(at.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - window.height()));
    return {x, y};
}

}  // namespace

QPoint UploadPlacement(QSize window, const QRect& sheet, const QRect& keep, const QRect& screen) {
    const int centreX = sheet.center().x() - window.width() / 2;
    const int centreY = sheet.center().y() - window.height() / 2;
    // Below the figures, inside the sheet.
    if (keep.bottom() + window.height() <= sheet.bottom())
        return Inside({centreX, sheet.bottom() + 1 - window.height()}, window, screen);
    if (screen.isValid()) {
        const int left = sheet.left() - screen.left();
        const int right = screen.right() - sheet.right();
        if (std::max(left, right) >= window.width()) {
            const int x = right >= left ? sheet.right() + 1 : sheet.left() - window.width();
            return Inside({x, centreY}, window, screen);
        }
        return Inside({centreX, screen.bottom() + 1 - window.height()}, window, screen);
    }
    return {centreX, sheet.bottom() + 1 - window.height()};
}
