// Phone photos on step 1: HEIC, PNG, TIFF and WebP told by their content,
// their headers read without decoding, thumbnails upright by irot/imir or
// EXIF, a HEIC's own thumbnail used as a JPEG's EXIF one, and cut, hostile
// or oversized files refused without a crash.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <filesystem>

#include "tests/photos/TestPhotos.h"
#include "tests/support/PhotoSamples.h"
#include "tests/support/TempDir.h"
#include "wizard/photos/ByteSource.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/PhotoContainer.h"
#include "wizard/photos/PhotoFile.h"
#include "wizard/photos/PhotoFolder.h"
#include "wizard/photos/PhotoFormat.h"
#include "wizard/photos/PhotoLocation.h"
#include "wizard/photos/ThumbnailMaker.h"

namespace orlavo::wizard {
namespace {

using test::ColourAt;
using test::Near;
using test::PhoneExif;
using test::Quadrants;

PhotoFormat Sniff(const std::string& bytes) {
    return SniffPhotoFormat(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

PhotoThumbnail Thumb(const std::string& bytes) {
    return MakeThumbnailFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  bytes.size());
}

// The colours of the four quarters of the picture in a thumbnail of a photo
// seen W x H: top-left, top-right, bottom-left, bottom-right.
std::vector<QColor> Corners(const QImage& thumb, int w, int h) {
    const QSize fit = FitInto(QSize(w, h), kThumbnailSide);
    const double x0 = (kThumbnailSide - fit.width()) / 2.0,
                 y0 = (kThumbnailSide - fit.height()) / 2.0;
    const double qx = fit.width() / 4.0, qy = fit.height() / 4.0;
    return {ColourAt(thumb, x0 + qx, y0 + qy), ColourAt(thumb, x0 + 3 * qx, y0 + qy),
            ColourAt(thumb, x0 + qx, y0 + 3 * qy), ColourAt(thumb, x0 + 3 * qx, y0 + 3 * qy)};
}

void ExpectUpright(const PhotoThumbnail& t, std::vector<QColor> expected) {
    ASSERT_TRUE(t.ok());
    const std::vector<QColor> seen = Corners(t.image, t.width, t.height);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(seen[i], expected[i], 60))
            << "corner " << i << " is " << seen[i].name().toStdString();
}

const QColor R = Qt::red, G = Qt::green, B = Qt::blue, Y = Qt::yellow;

TEST(PhotoFormats, FilesAreToldByTheirContent) {
    const std::string ftyp = std::string("\0\0\0\x18", 4) + "ftyp";
    struct Case {
        std::string bytes;
        PhotoFormat format;
    } cases[] = {
        {test::JpegBytes(Quadrants(16, 16)), PhotoFormat::Jpeg},
        {std::string("\x89PNG\r\n\x1A\n", 8) + std::string(8, '\0'), PhotoFormat::Png},
        {std::string("II*\0\x08\0\0\0", 8), PhotoFormat::Tiff},
        {std::string("MM\0*\0\0\0\x08", 8), PhotoFormat::Tiff},
        {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), PhotoFormat::WebP},
        {ftyp + "heic" + std::string(4, '\0') + "mif1heic", PhotoFormat::Heif},
        {ftyp + "MiHE" + std::string(4, '\0') + "MiHBmif1", PhotoFormat::Heif},
        {ftyp + "isom" + std::string(4, '\0') + "isomiso2", PhotoFormat::Unknown},  // a video
        {std::string("RIFF\x10\0\0\0WAVEfmt ", 16), PhotoFormat::Unknown},
        {"GIF89a", PhotoFormat::Unknown},
        {"", PhotoFormat::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sniff(c.bytes), c.format) << c.bytes.substr(0, 12);
}

TEST(PhotoFormats, ContainersTellTheirSizeMetadataAndWholenessUnread) {
    const std::string exif = PhoneExif(true, 6, true);
    const std::string xmp = test::PhoneXmp(true);
    const std::string png = test::PngBytes(Quadrants(40, 30), exif, xmp);
    const std::string webp = test::WebpBytes(Quadrants(40, 30), exif);
    const std::string tiff = test::TiffBytes(Quadrants(40, 30), 6, false, true);
    struct Case {
        const char* name;
        std::string bytes;
        ContainerFacts (*read)(ByteSource&);
        bool hasXmp;
    } cases[] = {
        {"png", png, &ReadPngFacts, true},
        {"webp", webp, &ReadWebpFacts, false},
        {"tiff", tiff, &ReadTiffFacts, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource whole(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
        const ContainerFacts facts = c.read(whole);
        EXPECT_TRUE(facts.readable);
        EXPECT_TRUE(facts.whole);
        EXPECT_EQ(facts.width, 40);
        EXPECT_EQ(facts.height, 30);
        EXPECT_EQ(facts.orientation, 6);
        EXPECT_TRUE(ExifHasLocation(facts.exif));
        EXPECT_NE(facts.exif.find(test::kSampleDate), std::string::npos);
        EXPECT_EQ(!facts.xmp.empty(), c.hasXmp);
        MemorySource cut(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                         c.bytes.size() * 3 / 4);
        EXPECT_FALSE(c.read(cut).whole) << "cut short";
    }
    // A TIFF's own directory gives an EXIF block fit for a JPEG's APP1.
    MemorySource source(reinterpret_cast<const unsigned char*>(tiff.data()), tiff.size());
    const std::string block = ExifFromTiff(source);
    EXPECT_EQ(ExifOrientation(block), 6);
    EXPECT_NE(block.find(test::kSampleModel), std::string::npos);
    EXPECT_LT(block.size(), 1000u) << "the pixels stay out of it";
}

TEST(PhotoFormats, ThumbnailsStandUprightByIrotImirOrByExif) {
    const QImage picture = Quadrants(400, 300);
    // Stored as it is, seen turned a quarter clockwise.
    const std::vector<QColor> turned = {B, R, Y, G};
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"heic irot", test::HeicBytes(picture, 6)},
        // The EXIF orientation of a HEIC is not applied on top of irot.
        {"heic irot and exif", test::HeicBytes(picture, 6, PhoneExif(false, 6, false))},
        {"png", test::PngBytes(picture, PhoneExif(true, 6, false))},
        {"webp", test::WebpBytes(picture, PhoneExif(false, 6, false))},
        {"tiff", test::TiffBytes(picture, 6, false, false)},
        {"tiff 16-bit", test::TiffBytes(picture, 6, true, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PhotoThumbnail t = Thumb(c.bytes);
        EXPECT_EQ(t.width, 300);
        EXPECT_EQ(t.height, 400);
        ExpectUpright(t, turned);
    }
    // Mirrored (imir) too.
    ExpectUpright(Thumb(test::HeicBytes(picture, 2)), {G, R, Y, B});
}

TEST(PhotoFormats, AHeicsOwnThumbnailServesWhenLargeEnough) {
    // The main picture red, its thumbnail drawn blue: which one was used shows.
    const std::string red = test::HeicBytes(test::Filled(640, 480, Qt::red), 1, {}, {}, 160);
    const PhotoThumbnail own = Thumb(red);
    ASSERT_TRUE(own.ok());
    EXPECT_TRUE(own.fromExif);
    EXPECT_EQ(own.width, 640);
    EXPECT_EQ(own.decodedSize.width(), 160);
    // Too small for a thumbnail at 200%: the picture is decoded.
    const PhotoThumbnail sharp = MakeThumbnailFromBytes(
        reinterpret_cast<const unsigned char*>(red.data()), red.size(), 2.0, 200);
    ASSERT_TRUE(sharp.ok());
    EXPECT_FALSE(sharp.fromExif);
    EXPECT_EQ(sharp.decodedSize, QSize(640, 480));
}

TEST(PhotoFormats, TransparencyIsShownOnWhiteAndSixteenBitsAreRead) {
    QImage clear(120, 90, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QPainter(&clear).fillRect(0, 0, 60, 90, Qt::blue);
    const PhotoThumbnail t = Thumb(test::PngBytes(clear));
    ASSERT_TRUE(t.ok());
    EXPECT_TRUE(Near(ColourAt(t.image, 30, 46), Qt::blue));
    EXPECT_EQ(ColourAt(t.image, 70, 46), QColor(Qt::white));
    const PhotoThumbnail deep = Thumb(test::PngBytes(test::DeepRamp(200, 100, 0, 65535)));
    ASSERT_TRUE(deep.ok());
    EXPECT_LT(ColourAt(deep.image, 10, 46).red(), 40);
    EXPECT_GT(ColourAt(deep.image, 82, 46).red(), 215);
}

TEST(PhotoFormats, CutDamagedAndOversizedFilesAreRefusedWithTheirReason) {
    const QImage picture = Quadrants(200, 150);
    const std::string heic = test::HeicBytes(picture);
    const std::string png = test::PngBytes(picture);
    const std::string webp = test::WebpBytes(picture);
    const std::string tiff = test::TiffBytes(picture, 1, false, false);
    for (const std::string* whole : {&heic, &png, &webp, &tiff}) {
        SCOPED_TRACE(whole->substr(0, 12));
        ASSERT_TRUE(Thumb(*whole).ok());
        const PhotoThumbnail cut = Thumb(whole->substr(0, whole->size() * 2 / 3));
        EXPECT_FALSE(cut.ok());
        EXPECT_NE(cut.refusal, PhotoRefusal::None);
    }
    // A PNG that declares 30000 x 30000 pixels is refused before anything is decoded.
    std::string huge = png;
    huge.replace(16, 8, std::string("\0\0\x75\x30\0\0\x75\x30", 8));
    const PhotoThumbnail refused = Thumb(huge);
    EXPECT_EQ(refused.refusal, PhotoRefusal::TooLarge);
    EXPECT_EQ(refused.width, 30000);
}

TEST(PhotoFormats, TheFolderListsPhonePhotosByNameOrContentButNoVideoOrRawFile) {
    test::TempDir dir;
    const std::string heic = test::HeicBytes(Quadrants(64, 48));
    const std::string png = test::PngBytes(Quadrants(64, 48));
    const std::string tiff = test::TiffBytes(Quadrants(64, 48), 1, false, false);
    dir.write("IMG_0001.HEIC", heic);
    dir.write("shared", png);         // no extension: told by content
    dir.write("saved-as.jpg", heic);  // HEIC under a JPEG name
    dir.write("scan.TIFF", tiff);
    dir.write("web.webp", test::WebpBytes(Quadrants(64, 48)));
    dir.write("IMG_0002.CR2", tiff);  // a camera's raw file looks like TIFF
    dir.write("clip.mp4", png);       // a video is never opened
    dir.write("notes", "just some text");
    std::vector<std::string> names;
    for (const PhotoEntry& p : ListPhotos(dir.path().string()))
        names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.HEIC", "saved-as.jpg", "scan.TIFF",
                                               "shared", "web.webp"}));
    EXPECT_TRUE(TakesPhotoFile(dir.file("saved-as.jpg")));
    EXPECT_FALSE(TakesPhotoFile(dir.file("notes")));
    EXPECT_FALSE(TakesPhotoFile(dir.file("IMG_0002.CR2")));
    // The thumbnail of the HEIC named .jpg comes from its content.
    EXPECT_TRUE(MakeThumbnail(dir.file("saved-as.jpg")).ok());
}

TEST(PhotoFormats, SizeLocationAndPreviewOfEveryFormat) {
    test::TempDir dir;
    const QImage picture = Quadrants(400, 300);
    const std::string exif = PhoneExif(false, 6, true);
    const std::string files[] = {
        dir.write("a.heic", test::HeicBytes(picture, 6, exif)),
        dir.write("b.png", test::PngBytes(picture, exif)),
        dir.write("c.webp", test::WebpBytes(picture, exif)),
        dir.write("d.tif", test::TiffBytes(picture, 6, false, true)),
        dir.write("e.jpg", test::JpegBytes(picture, exif)),
    };
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ShownPhotoSize(path), QSize(300, 400));
        EXPECT_TRUE(PhotoHasLocation(path));
        const QImage preview = MakePreviewPicture(path, 200);
        ASSERT_FALSE(preview.isNull());
        EXPECT_EQ(preview.size(), QSize(150, 200));
        EXPECT_TRUE(Near(preview.pixelColor(30, 40), B, 60));  // upright: blue at top left
    }
    EXPECT_FALSE(PhotoHasLocation(dir.write("f.png", test::PngBytes(picture))));
    EXPECT_FALSE(PhotoHasLocation(
        dir.write("g.heic", test::HeicBytes(picture, 1, PhoneExif(true, 1, false)))));
}

}  // namespace
}  // namespace orlavo::wizard
