#pragma once
// Whether a photo file says where it was taken, whatever its format: the GPS
// directory of its EXIF block, or the location properties of its XMP packet.
// Only headers are read.

#include <QSize>
#include <string>

namespace orlavo::wizard {

bool PhotoHasLocation(const std::string& path);

// The pixel size of the photo at PATH as it is seen (its orientation
// applied), from its header; empty when it is no photo that can be read.
QSize ShownPhotoSize(const std::string& path);

}  // namespace orlavo::wizard
