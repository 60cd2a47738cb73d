#pragma once
// Loads a JPEG picture and resamples it to exactly WIDTH x HEIGHT
// device-independent pixels (with DEVICE_PIXEL_RATIO times as many real
// pixels, so it stays sharp on a scaled screen). A missing or unreadable file
// gives an empty picture; the caller goes on without it.

#include <QImage>
#include <QPixmap>
#include <QString>

QImage DecodeJpegFile(const QString& path);
QPixmap LoadScaledBitmap(const QString& path, int width, int height, qreal devicePixelRatio = 1.0);

// The imaging check of start-up: JPEG decoding is available.
bool ImagingAvailable();
