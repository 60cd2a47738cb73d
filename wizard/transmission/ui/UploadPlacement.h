#pragma once
// Where the upload window stands, so that the order's figures it is sending
// stay in sight.

#include <QRect>
#include <QSize>

// WINDOW is the upload window's outer size, SHEET the wizard's frame, KEEP the
// part of the sheet to leave uncovered, SCREEN the room there is (all in
// global coordinates). First choice: inside the sheet below KEEP, centred
// across the sheet and as low as the sheet goes. Then beside the sheet, on
// the side with more room. Else at the bottom of the screen. Always inside
// SCREEN when SCREEN is valid.
QPoint UploadPlacement(QSize window, const QRect& sheet, const QRect& keep, const QRect& screen);
