// Any file on the user's disk as the thumbnailer's JPEG header reader sees
// it: whatever it reports lies inside the buffer.

#include <cstdint>
#include <vector>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/photos/JpegInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly SIZE bytes, so that a read past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    const auto info = orlavo::wizard::ReadJpegInfo(bytes.data(), bytes.size());
    FUZZ_CHECK(info.orientation >= 1 && info.orientation <= 8);
    FUZZ_CHECK(info.width >= 0 && info.height >= 0 && info.components >= 0);
    FUZZ_CHECK(info.thumbnailOffset <= size && info.thumbnailLength <= size - info.thumbnailOffset);
    FUZZ_CHECK(info.scanOffset <= size);
    if (info.isJpeg)
        FUZZ_CHECK(info.width > 0 && info.height > 0);
    if (info.thumbnailLength > 0) {
        // Reading the thumbnail where it is said to lie must be safe too.
        const auto inner =
            orlavo::wizard::ReadJpegInfo(bytes.data() + info.thumbnailOffset, info.thumbnailLength);
        FUZZ_CHECK(inner.scanOffset <= info.thumbnailLength);
    }
    return 0;
}
