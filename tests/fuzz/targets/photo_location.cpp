// The readers of photo containers and the location's removal, on any bytes
// a file may hold. The first byte chooses the reader; the rest is the file.
// Beyond not crashing: what comes out of a removal says nothing of where the
// photo was taken, and a JPEG keeps its picture data byte for byte.

#include <cstdint>
#include <string>

#include "tests/fuzz/targets/FuzzCheck.h"
#include "wizard/photos/ByteSource.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/JpegLocation.h"
#include "wizard/photos/PhotoContainer.h"
#include "wizard/photos/XmpLocation.h"

namespace {

using namespace orlavo::wizard;

const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

void Jpeg(const std::string& jpeg) {
    JpegHasLocation(Bytes(jpeg), jpeg.size());
    const std::optional<std::string> without = RemoveJpegLocation(jpeg);
    if (!without)
        return;
    FUZZ_CHECK(!JpegHasLocation(Bytes(*without), without->size()));
    const JpegInfo before = ReadJpegInfo(Bytes(jpeg), jpeg.size());
    const JpegInfo after = ReadJpegInfo(Bytes(*without), without->size());
    if (before.isJpeg) {
        FUZZ_CHECK(after.isJpeg);
        FUZZ_CHECK(jpeg.compare(before.scanOffset, std::string::npos, *without, after.scanOffset) ==
                   0);
    }
}

void Exif(std::string block) {
    ExifOrientation(block);
    const bool had = ExifHasLocation(block);
    const std::size_t size = block.size();
    switch (RemoveExifLocation(block)) {
        case ExifEdit::Changed:
            FUZZ_CHECK(had);
            FUZZ_CHECK(block.size() == size);
            FUZZ_CHECK(!ExifHasLocation(block));
            break;
        case ExifEdit::Unchanged:
            FUZZ_CHECK(!had);
            break;
        case ExifEdit::Unreadable:
            break;
    }
    SetExifUpright(block, 4032, 3024);
}

void Xmp(const std::string& packet) {
    if (const std::optional<std::string> without = RemoveXmpLocation(packet))
        FUZZ_CHECK(!XmpHasLocation(*without));
}

void Facts(const ContainerFacts& facts) {
    if (facts.whole)
        FUZZ_CHECK(facts.readable);
    if (!facts.exif.empty())
        Exif(facts.exif);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // A copy of exactly the file's bytes, so that a read past the end is caught.
    const std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
    MemorySource source(Bytes(file), file.size());
    switch (data[0] % 7) {
        case 0:
            Jpeg(file);
            break;
        case 1:
            Exif(file);
            break;
        case 2:
            Xmp(file);
            break;
        case 3:
            Facts(ReadPngFacts(source));
            break;
        case 4:
            Facts(ReadWebpFacts(source));
            break;
        case 5:
            Facts(ReadTiffFacts(source));
            ExifFromTiff(source);
            break;
        default:
            HeifBoxesWhole(source);
            break;
    }
    return 0;
}
