#pragma once
// The photo page's pictures: bitmap 201 (the placeholder thumbnail), 202 (the
// small picture of a photo in the list view) and 222, 223, 224 (the order
// strip's turn counter-clockwise, turn clockwise and remove buttons).
//
// They come from the resources in use, the "@2x" picture at a ratio above 1;
// a bundle that lacks one falls back to the compiled-in picture.

#include <QImage>

// Bitmap ID for a screen of DEVICE_PIXEL_RATIO, with that ratio set; null
// for a number that has no picture.
QImage PhotoBitmap(int id, qreal devicePixelRatio);

// The placeholder, exactly 92 x 92 logical pixels.
QImage PlaceholderThumbnail(qreal devicePixelRatio);
