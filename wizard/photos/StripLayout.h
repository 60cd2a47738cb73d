#pragma once
// Where the order strip puts a thumbnail and its three buttons inside an
// item's rectangle; drawing and hit-testing both use it.
//
// The thumbnail (W x H) is centred across the item and 10 pixels above its
// vertical centre. The buttons stand in one column at its right edge, each
// 14 pixels square and 15 apart: turn counter-clockwise at the top, turn
// clockwise below it, remove at the bottom. A click hits a button from its
// left to 14 pixels right and from its top to 14 pixels down, both included.

#include <QPoint>
#include <QRect>

namespace orlavo::wizard {

// The button numbers are the actions the strip reports.
enum StripButton { kTurnClockwise = 0, kTurnCounterClockwise = 1, kRemove = 2 };

inline constexpr int kStripButtonSize = 14;

QPoint StripThumbnailAt(const QRect& item, int thumbWidth, int thumbHeight);
// The rectangle a button is drawn in.
QRect StripButtonRect(const QRect& item, int thumbWidth, int thumbHeight, int button);
// The button under POINT, or -1.
int StripButtonAt(const QRect& item, int thumbWidth, int thumbHeight, QPoint point);

}  // namespace orlavo::wizard
