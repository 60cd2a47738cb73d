#pragma once
// What a photo's header says, read cheaply, for a photo whose thumbnail comes
// from elsewhere (the desktop's thumbnail cache): its pixel size as seen, its
// file size and time, and whether it is whole by its markers (a frame header
// before the first scan, and the image data running to an end marker). Unlike
// a decode, this cannot see data lost in the middle of the picture. Other
// formats than JPEG are judged by their container's header.

#include <cstdint>
#include <string>

namespace orlavo::wizard {

struct PhotoHeader {
    bool whole = false;
    int width = 0;  // as the photo is seen, turned by its orientation
    int height = 0;
    std::uint64_t fileSize = 0;
    std::int64_t lastModified = 0;  // milliseconds since 1970 (UTC)
};

PhotoHeader ReadPhotoHeader(const std::string& path);

}  // namespace orlavo::wizard
