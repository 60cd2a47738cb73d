// A stored photo as the lab reads it for the album: the EXIF orientation and
// the thumbnail. Pictures declaring more than a few megapixels are left to
// the lab's own pixel limit; here they would only measure the allocator.

#include <turbojpeg.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "lab/JpegImage.h"
#include "tests/fuzz/targets/FuzzCheck.h"

namespace {

constexpr std::int64_t kPixelLimit = 4 << 20;

bool SmallEnoughToDecode(std::string_view jpeg) {
    std::unique_ptr<void, int (*)(void*)> h(tjInitDecompress(), tjDestroy);
    int w = 0, hgt = 0, sub = 0, space = 0;
    if (!h || tjDecompressHeader3(h.get(), reinterpret_cast<const unsigned char*>(jpeg.data()),
                                  jpeg.size(), &w, &hgt, &sub, &space) != 0)
        return false;
    return w > 0 && hgt > 0 && static_cast<std::int64_t>(w) * hgt <= kPixelLimit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that a read past the end is caught.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int orientation = orlavo::lab::ExifOrientation(bytes);
    FUZZ_CHECK(orientation >= 1 && orientation <= 8);
    if (!SmallEnoughToDecode(bytes))
        return 0;
    constexpr int kSide = 64;
    if (auto thumb = orlavo::lab::MakeThumbnail(bytes, kSide)) {
        auto image = orlavo::lab::DecodeJpeg(*thumb, 1);
        FUZZ_CHECK(image && image->width <= kSide && image->height <= kSide);
    }
    return 0;
}
