// The JPEG header and EXIF reader over good, damaged and foreign bytes.

#include "wizard/photos/JpegInfo.h"

#include <gtest/gtest.h>

#include "tests/fuzz/Mutator.h"
#include "tests/photos/TestPhotos.h"

namespace orlavo::wizard {
namespace {

using test::EncodeJpeg;
using test::Quadrants;
using test::WithExif;

JpegInfo Read(const std::string& bytes) {
    return ReadJpegInfo(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// Where a 0x00-0xFF value sits in an EXIF block made by ExifSegment.
std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    bytes.replace(at, with.size(), with);
    return bytes;
}

TEST(JpegInfo, ReadsSizeOrientationAndThumbnailInEitherByteOrder) {
    const std::string thumb = EncodeJpeg(Quadrants(40, 30));
    const std::string plain = EncodeJpeg(Quadrants(64, 48));
    struct Case {
        const char* name;
        std::string bytes;
        int orientation;
        bool thumbnail;
    } cases[] = {
        {"no EXIF", plain, 1, false},
        {"little-endian", WithExif(plain, 6, thumb), 6, true},
        {"big-endian", WithExif(plain, 3, thumb, true), 3, true},
        {"orientation only", WithExif(plain, 8), 8, false},
        {"orientation out of range", WithExif(plain, 9, thumb), 1, true},
        {"progressive", EncodeJpeg(Quadrants(64, 48), 90, true), 1, false},
        {"data after the end marker", plain + std::string(5000, '\x17'), 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JpegInfo info = Read(c.bytes);
        EXPECT_TRUE(info.isJpeg);
        EXPECT_TRUE(info.complete);
        EXPECT_EQ(info.width, 64);
        EXPECT_EQ(info.height, 48);
        EXPECT_EQ(info.components, 3);
        EXPECT_EQ(info.orientation, c.orientation);
        ASSERT_EQ(info.thumbnailLength, c.thumbnail ? thumb.size() : 0u);
        if (c.thumbnail) {
            EXPECT_EQ(c.bytes.substr(info.thumbnailOffset, info.thumbnailLength), thumb);
        }
    }
    // Orientations 5 to 8 stand the photo on its side.
    const JpegInfo side = Read(WithExif(plain, 6));
    EXPECT_EQ(side.shownWidth(), 48);
    EXPECT_EQ(side.shownHeight(), 64);
}

TEST(JpegInfo, ACutFileIsIncompleteAndForeignBytesAreNoJpeg) {
    const std::string jpeg = EncodeJpeg(Quadrants(64, 48));
    const JpegInfo cut = Read(jpeg.substr(0, jpeg.size() - 40));
    EXPECT_TRUE(cut.isJpeg);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.width, 64);

    const std::string foreign[] = {
        "",
        "\xFF",
        "\xFF\xD8",
        jpeg.substr(0, 30),  // before the frame header
        "\x89PNG\r\n\x1A\n" + std::string(200, '\0'),
        std::string(300, '\xFF'),
    };
    for (const std::string& bytes : foreign)
        EXPECT_FALSE(Read(bytes).isJpeg) << bytes.size();
    EXPECT_FALSE(ReadJpegInfo(nullptr, 10).isJpeg);
}

TEST(JpegInfo, ADamagedExifBlockLosesOnlyWhatIsDamaged) {
    const std::string thumb = EncodeJpeg(Quadrants(40, 30));
    const std::string jpeg = EncodeJpeg(Quadrants(64, 48));
    const std::string good = WithExif(jpeg, 6, thumb);
    // Offsets inside the block: SOI(2) APP1 marker and length (4) "Exif\0\0" (6).
    const std::size_t tiff = 12;
    const std::size_t ifd0Count = tiff + 8;
    const std::size_t ifd1Link = ifd0Count + 2 + 12;
    const std::size_t ifd1 = tiff + 8 + 2 + 12 + 4;
    const std::size_t thumbLength = ifd1 + 2 + 12 + 8;
    struct Case {
        const char* name;
        std::string bytes;
        int orientation;
    } cases[] = {
        {"thumbnail longer than the block", Patched(good, thumbLength, "\xFF\xFF\xFF\x7F"), 6},
        {"thumbnail length wraps around", Patched(good, thumbLength, "\xFF\xFF\xFF\xFF"), 6},
        {"second directory outside", Patched(good, ifd1Link, "\xF0\xFF\x00\x00"), 6},
        {"second directory is the first", Patched(good, ifd1Link, "\x08\x00\x00\x00"), 6},
        // The entries that do lie inside are still read.
        {"entry count far too large", Patched(good, ifd0Count, "\xFF\xFF"), 6},
        {"byte order unknown", Patched(good, tiff, "XX"), 1},
        {"first directory outside", Patched(good, tiff + 4, "\xFF\xFF\xFF\xFF"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JpegInfo info = Read(c.bytes);
        EXPECT_TRUE(info.isJpeg);
        EXPECT_TRUE(info.complete);
        EXPECT_EQ(info.width, 64);
        EXPECT_EQ(info.orientation, c.orientation);
        EXPECT_LE(info.thumbnailOffset + info.thumbnailLength, c.bytes.size());
    }
}

TEST(JpegInfo, MutatedFilesNeverReachOutsideTheirBytes) {
    const std::string seed =
        WithExif(EncodeJpeg(Quadrants(64, 48)), 6, EncodeJpeg(Quadrants(40, 30)), true);
    fuzz::Mutator m(1010);
    m.addTokens({"\xFF\xD8", "\xFF\xD9", "\xFF\xDA", "\xFF\xC0", "\xFF\xE1", "Exif", "MM", "II"});
    for (int round = 0; round < fuzz::Rounds(4000); ++round) {
        // Each input in a buffer of its own size, so that a read past it is seen by ASan.
        const std::string bytes = m.mutate(seed);
        std::vector<unsigned char> exact(bytes.begin(), bytes.end());
        const JpegInfo info = ReadJpegInfo(exact.data(), exact.size());
        ASSERT_LE(info.thumbnailOffset, exact.size());
        ASSERT_LE(info.thumbnailLength, exact.size() - info.thumbnailOffset);
        ASSERT_LE(info.scanOffset, exact.size());
        ASSERT_GE(info.orientation, 1);
        ASSERT_LE(info.orientation, 8);
    }
}

}  // namespace
}  // namespace orlavo::wizard
