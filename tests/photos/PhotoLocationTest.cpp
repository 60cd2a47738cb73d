// Where a photo was taken, found and taken out: the GPS directory of an EXIF
// block (in place, every other byte kept), the location properties of an
// XMP packet, and both in a JPEG whose picture data stays byte for byte.

#include <gtest/gtest.h>

#include "tests/photos/TestPhotos.h"
#include "tests/support/PhotoSamples.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/JpegInfo.h"
#include "wizard/photos/JpegLocation.h"
#include "wizard/photos/XmpLocation.h"

namespace orlavo::wizard {
namespace {

using test::PhoneExif;
using test::PhoneXmp;

// The bytes from the first scan's start to the end: the picture itself.
std::string ScanData(const std::string& jpeg) {
    const JpegInfo info =
        ReadJpegInfo(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    return info.scanOffset > 0 ? jpeg.substr(info.scanOffset) : std::string();
}

TEST(ExifLocation, TheGpsDirectoryGoesAndEveryOtherValueKeepsItsBytesAndPlace) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        const std::string before = PhoneExif(big, 6, true, 4032, 3024);
        ASSERT_TRUE(ExifHasLocation(before));
        std::string after = before;
        ASSERT_EQ(RemoveExifLocation(after), ExifEdit::Changed);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_FALSE(ExifHasLocation(after));
        EXPECT_EQ(ExifOrientation(after), 6);
        // The camera and the date stand where they stood.
        for (const char* kept : {test::kSampleMake, test::kSampleModel, test::kSampleDate})
            EXPECT_EQ(after.find(kept), before.find(kept)) << kept;
        // Nothing of the position is left: not the reference, not the seconds.
        EXPECT_EQ(after.find("\0N\0", 0, 3), std::string::npos);
        const std::string seconds = big ? std::string("\0\0\x0F\xB4", 4)  // 40.20"
                                        : std::string("\xB4\x0F\0\0", 4);
        EXPECT_NE(before.find(seconds), std::string::npos);
        EXPECT_EQ(after.find(seconds), std::string::npos);
        // A second pass finds nothing more to do.
        EXPECT_EQ(RemoveExifLocation(after), ExifEdit::Unchanged);
    }
}

TEST(ExifLocation, ABlockWithoutALocationIsLeftAloneAndOneThatCannotBeReadIsDropped) {
    const std::string plain = PhoneExif(false, 1, false);
    EXPECT_FALSE(ExifHasLocation(plain));
    std::string copy = plain;
    EXPECT_EQ(RemoveExifLocation(copy), ExifEdit::Unchanged);
    EXPECT_EQ(copy, plain);
    for (std::string damaged :
         {std::string("garbage!"), std::string("II*\0\xFF\xFF\0\0", 8), plain.substr(0, 12)}) {
        EXPECT_TRUE(ExifHasLocation(damaged)) << "unknown counts as there";
        EXPECT_EQ(RemoveExifLocation(damaged), ExifEdit::Unreadable);
    }
}

TEST(ExifLocation, SetsTheBlockUprightWithTheNewPixelSize) {
    std::string exif = PhoneExif(true, 8, false, 4032, 3024);
    ASSERT_TRUE(SetExifUpright(exif, 3024, 4032));
    EXPECT_EQ(ExifOrientation(exif), 1);
    const std::string width("\0\0\x0B\xD0", 4);  // 3024, now the width
    const std::size_t x = exif.find(std::string("\xA0\x02\0\x04\0\0\0\x01", 8));
    ASSERT_NE(x, std::string::npos);
    EXPECT_EQ(exif.substr(x + 8, 4), width);
}

TEST(XmpLocation, TheLocationPropertiesGoTheRestStays) {
    const std::string before = PhoneXmp(true);
    ASSERT_TRUE(XmpHasLocation(before));
    const std::optional<std::string> after = RemoveXmpLocation(before);
    ASSERT_TRUE(after);
    for (const char* gone : {"Paris", "France", "Champ de Mars", "GPSLatitude", "GPSLongitude"})
        EXPECT_EQ(after->find(gone), std::string::npos) << gone;
    for (const char* kept : {"xmp:Rating=\"4\"", "DateTimeOriginal", "<?xpacket end=\"w\"?>"})
        EXPECT_NE(after->find(kept), std::string::npos) << kept;
    EXPECT_FALSE(XmpHasLocation(*after));

    const std::string none = PhoneXmp(false);
    EXPECT_FALSE(XmpHasLocation(none));
    EXPECT_EQ(RemoveXmpLocation(none), none) << "a packet without a location is not rewritten";
}

TEST(XmpLocation, PrefixesAreReadThroughTheirNamespaces) {
    // "exif" bound to some other vocabulary, "loc" to the EXIF one.
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "xmlns:exif=\"http://example.org/other/\" xmlns:loc=\"http://ns.adobe.com/exif/1.0/\" "
        "exif:GPSLatitude=\"kept\" loc:GPSAltitude=\"120\"/></rdf:RDF></x:xmpmeta>";
    const std::optional<std::string> after = RemoveXmpLocation(xmp);
    ASSERT_TRUE(after);
    EXPECT_NE(after->find("exif:GPSLatitude=\"kept\""), std::string::npos);
    EXPECT_EQ(after->find("GPSAltitude"), std::string::npos);
    EXPECT_FALSE(RemoveXmpLocation("<x:xmpmeta><unclosed"));
}

TEST(JpegLocation, OnlyTheMarkersChangeThePictureDataStaysByteForByte) {
    const QImage picture = test::Quadrants(320, 240);
    const std::string jpeg = test::JpegBytes(picture, PhoneExif(false, 6, true), PhoneXmp(true));
    ASSERT_TRUE(JpegHasLocation(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size()));
    const std::optional<std::string> without = RemoveJpegLocation(jpeg);
    ASSERT_TRUE(without);
    EXPECT_EQ(ScanData(*without), ScanData(jpeg));
    EXPECT_FALSE(
        JpegHasLocation(reinterpret_cast<const unsigned char*>(without->data()), without->size()));
    const JpegInfo info =
        ReadJpegInfo(reinterpret_cast<const unsigned char*>(without->data()), without->size());
    EXPECT_EQ(info.orientation, 6);
    EXPECT_TRUE(info.complete);
    EXPECT_NE(without->find(test::kSampleModel), std::string::npos);
    EXPECT_NE(without->find("xmp:Rating"), std::string::npos);
    EXPECT_EQ(without->find("Paris"), std::string::npos);
}

TEST(JpegLocation, APhotoThatSaysNothingOfWhereItWasTakenComesBackUnchanged) {
    const std::string jpeg =
        test::JpegBytes(test::Quadrants(64, 48), PhoneExif(true, 1, false), PhoneXmp(false));
    EXPECT_FALSE(JpegHasLocation(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size()));
    EXPECT_EQ(RemoveJpegLocation(jpeg), jpeg);
    EXPECT_EQ(RemoveJpegLocation("not a jpeg"), std::nullopt);
    // Markers that never reach a scan cannot be rewritten safely.
    EXPECT_EQ(RemoveJpegLocation(jpeg.substr(0, 40)), std::nullopt);
}

TEST(JpegLocation, AnExifBlockThatCannotBeReadGoesWhole) {
    const std::string jpeg = test::JpegBytes(test::Quadrants(64, 48), "MMjunk-and-more");
    const std::optional<std::string> without = RemoveJpegLocation(jpeg);
    ASSERT_TRUE(without);
    EXPECT_EQ(without->find("Exif"), std::string::npos);
    EXPECT_EQ(ScanData(*without), ScanData(jpeg));
}

}  // namespace
}  // namespace orlavo::wizard
