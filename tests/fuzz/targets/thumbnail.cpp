// Any file on the user's disk as step 1's thumbnail maker sees it: a
// thumbnail of the promised size for a whole photo, a reason for any other,
// and never a decode beyond the memory budget (libFuzzer's memory limit
// catches one).

#include <cstdint>
#include <vector>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/photos/ThumbnailMaker.h"

using orlavo::wizard::PhotoRefusal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly SIZE bytes, so that a read past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    const auto t = orlavo::wizard::MakeThumbnailFromBytes(bytes.data(), bytes.size());
    if (t.ok()) {
        FUZZ_CHECK(t.refusal == PhotoRefusal::None);
        FUZZ_CHECK(t.image.width() == orlavo::wizard::kThumbnailSide &&
                   t.image.height() == orlavo::wizard::kThumbnailSide);
        FUZZ_CHECK(t.width > 0 && t.height > 0);
    } else {
        FUZZ_CHECK(t.refusal != PhotoRefusal::None && t.refusal != PhotoRefusal::Stopped);
    }
    if (t.refusal == PhotoRefusal::TooLarge)
        FUZZ_CHECK(t.width > 0 && t.height > 0);
    return 0;
}
