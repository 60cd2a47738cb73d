#include "wizard/transmission/JpegTransform.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "resources/WizardResources.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/JpegInfo.h"

namespace orlavo::transmission {

namespace {

constexpr int kStrNotJpeg = 3600;
constexpr int kStrCutShort = 3601;
constexpr int kStrTooLarge = 3602;
constexpr int kStrCannotTransform = 3603;
constexpr int kStrCropOutside = 3604;

// A turn of the stored pixels: mirrored left to right first when FLIP, then
// QUARTERS quarter turns clockwise. Every EXIF orientation is one of these.
struct Turn {
    bool flip = false;
    int quarters = 0;
};

Turn FromOrientation(int orientation) {
    switch (orientation) {
        case 2:
            return {true, 0};
        case 3:
            return {false, 2};
        case 4:
            return {true, 2};
        case 5:
            return {true, 3};
        case 6:
            return {false, 1};
        case 7:
            return {true, 1};
        case 8:
            return {false, 3};
        default:
            return {false, 0};
    }
}

int Operation(Turn t) {
    static constexpr int kPlain[4] = {TJXOP_NONE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
    static constexpr int kFlipped[4] = {TJXOP_HFLIP, TJXOP_TRANSVERSE, TJXOP_VFLIP,
                                        TJXOP_TRANSPOSE};
    return t.flip ? kFlipped[t.quarters] : kPlain[t.quarters];
}

// Which sides of the stored picture a partial block cannot stay on: those
// the turn moves to the left or the top.
void TrimmedSides(int op, bool& width, bool& height) {
    width = op == TJXOP_HFLIP || op == TJXOP_TRANSVERSE || op == TJXOP_ROT180 || op == TJXOP_ROT270;
    height = op == TJXOP_VFLIP || op == TJXOP_TRANSVERSE || op == TJXOP_ROT180 || op == TJXOP_ROT90;
}

struct Box {
    std::int64_t x0, y0, x1, y1;
};

// BOX of a W x H picture as it lies after turn T.
Box Map(Box box, std::int64_t w, std::int64_t h, Turn t) {
    if (t.flip)
        box = {w - box.x1, box.y0, w - box.x0, box.y1};
    for (int i = 0; i < t.quarters; ++i) {
        box = {h - box.y1, box.x0, h - box.y0, box.x1};
        std::swap(w, h);
    }
    return box;
}

struct TjHandle {
    tjhandle h = tjInitTransform();
    ~TjHandle() {
        if (h != nullptr)
            tjDestroy(h);
    }
};

std::string PhotoProblem(int id) {
    return wizard::Str(id);
}

}  // namespace

bool MakeExifUpright(std::string& jpeg, int width, int height) {
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    const std::size_t size = jpeg.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const unsigned marker = data[at + 1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        const std::size_t length = std::size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || length > size - at - 2)
            break;
        if (marker == 0xE1 && length >= 2 + 6 + 8 &&
            std::memcmp(data + at + 4, "Exif\0\0", 6) == 0) {
            // Edited in place: the block keeps its length.
            std::string block = jpeg.substr(at + 10, length - 8);
            if (!wizard::SetExifUpright(block, width, height))
                return false;
            jpeg.replace(at + 10, block.size(), block);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

TransformedJpeg TransformJpeg(std::string_view jpeg, const PhotoWork& work,
                              std::int64_t maxPixels) {
    TransformedJpeg result;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    const wizard::JpegInfo info = wizard::ReadJpegInfo(data, jpeg.size());
    if (!info.isJpeg || info.width <= 0 || info.height <= 0) {
        result.problem = PhotoProblem(kStrNotJpeg);
        return result;
    }
    if (!info.complete) {
        result.problem = PhotoProblem(kStrCutShort);
        return result;
    }
    if (std::int64_t(info.width) * info.height > maxPixels) {
        result.problem = PhotoProblem(kStrTooLarge);
        return result;
    }
    TjHandle tj;
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (tj.h == nullptr ||
        tjDecompressHeader3(tj.h, data, static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp,
                            &colorspace) != 0 ||
        subsamp < 0 || subsamp >= TJ_NUMSAMP || w != info.width || h != info.height) {
        result.problem = PhotoProblem(kStrCannotTransform);
        return result;
    }

    Turn turn = FromOrientation(info.orientation);
    turn.quarters = (turn.quarters + ((work.turn / 90) % 4 + 4)) % 4;
    const int op = Operation(turn);
    const int mcuW = tjMCUWidth[subsamp], mcuH = tjMCUHeight[subsamp];

    // The stored picture without the partial blocks the turn cannot keep.
    bool trimW = false, trimH = false;
    TrimmedSides(op, trimW, trimH);
    const std::int64_t keptW = trimW && w >= mcuW ? w - w % mcuW : w;
    const std::int64_t keptH = trimH && h >= mcuH ? h - h % mcuH : h;
    // Where it lies in the photo as seen.
    const Box seen = Map({0, 0, keptW, keptH}, w, h, turn);
    const std::int64_t outW = seen.x1 - seen.x0, outH = seen.y1 - seen.y0;

    tjtransform transform{};
    transform.op = op;
    transform.options = TJXOPT_TRIM;
    Box kept{0, 0, outW, outH};
    if (!work.crop.empty()) {
        const wizard::CropBox& c = work.crop;
        Box want{std::max<std::int64_t>(c.x - seen.x0, 0), std::max<std::int64_t>(c.y - seen.y0, 0),
                 std::min<std::int64_t>(std::int64_t(c.x) + c.width - seen.x0, outW),
                 std::min<std::int64_t>(std::int64_t(c.y) + c.height - seen.y0, outH)};
        if (want.x1 <= want.x0 || want.y1 <= want.y0) {
            result.problem = PhotoProblem(kStrCropOutside);
            return result;
        }
        // The corner on a block boundary of the stored picture and of the
        // turned one alike.
        const int step = std::max(mcuW, mcuH);
        want.x0 -= want.x0 % step;
        want.y0 -= want.y0 % step;
        kept = want;
        transform.options |= TJXOPT_CROP;
        transform.r = {int(want.x0), int(want.y0), int(want.x1 - want.x0), int(want.y1 - want.y0)};
    }

    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int rc = tjTransform(tj.h, data, static_cast<unsigned long>(jpeg.size()), 1, &out,
                               &outSize, &transform, 0);
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(out, tjFree);
    // A warning (stray bytes between markers) still gives a whole picture.
    if ((rc != 0 && tjGetErrorCode(tj.h) != TJERR_WARNING) || out == nullptr || outSize == 0) {
        result.problem = PhotoProblem(kStrCannotTransform);
        return result;
    }
    result.bytes.assign(reinterpret_cast<const char*>(out), outSize);
    result.width = int(kept.x1 - kept.x0);
    result.height = int(kept.y1 - kept.y0);
    result.covers = {int(seen.x0 + kept.x0), int(seen.y0 + kept.y0), result.width, result.height};
    // The transform's own reading of the result has the last word on its size.
    const wizard::JpegInfo made = wizard::ReadJpegInfo(out, outSize);
    if (made.width != result.width || made.height != result.height) {
        result.bytes.clear();
        result.problem = PhotoProblem(kStrCannotTransform);
        return result;
    }
    MakeExifUpright(result.bytes, result.width, result.height);
    return result;
}

}  // namespace orlavo::transmission
