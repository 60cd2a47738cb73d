// Phone photos made into the JPEG the lab receives: quality 95 at full
// colour resolution, upright, with their EXIF (less the location when asked)
// and their colour profile, 16 bits dithered to 8, transparency on white, the
// user's turn and crop, and the same bytes every time.

#include "wizard/transmission/JpegConversion.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QColorSpace>
#include <QPainter>

#include "tests/photos/TestPhotos.h"
#include "tests/support/PhotoSamples.h"
#include "tests/support/TempDir.h"
#include "wizard/photos/ExifBlock.h"
#include "wizard/photos/JpegInfo.h"

namespace orlavo::transmission {
namespace {

using test::Near;
using test::PhoneExif;
using test::Quadrants;

struct Made {
    int width = 0, height = 0, subsampling = -1;
    QImage pixels;
};

Made Decode(const std::string& jpeg) {
    Made m;
    tjhandle h = tjInitDecompress();
    int colorspace = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    if (tjDecompressHeader3(h, data, jpeg.size(), &m.width, &m.height, &m.subsampling,
                            &colorspace) == 0) {
        m.pixels = QImage(m.width, m.height, QImage::Format_RGB888);
        tjDecompress2(h, data, jpeg.size(), m.pixels.bits(), m.width, int(m.pixels.bytesPerLine()),
                      m.height, TJPF_RGB, 0);
    }
    tjDestroy(h);
    return m;
}

// The payload of the first APP segment MARKER whose payload starts with ID.
std::string Segment(const std::string& jpeg, unsigned marker, std::string_view id) {
    for (std::size_t at = 2; at + 4 < jpeg.size();) {
        const unsigned m = std::uint8_t(jpeg[at + 1]);
        const std::size_t len =
            std::size_t(std::uint8_t(jpeg[at + 2])) << 8 | std::uint8_t(jpeg[at + 3]);
        if (m == 0xDA)
            break;
        const std::string payload = jpeg.substr(at + 4, len - 2);
        if (m == marker && payload.compare(0, id.size(), id) == 0)
            return payload.substr(id.size());
        at += 2 + len;
    }
    return {};
}

// The first value of the first quantisation table: 2 at quality 95 (16 x 10%).
int FirstQuantiser(const std::string& jpeg) {
    const std::size_t at = jpeg.find("\xFF\xDB");
    return at == std::string::npos ? -1 : std::uint8_t(jpeg[at + 5]);
}

PhotoWork Convert(bool removeLocation = true) {
    PhotoWork w;
    w.convert = true;
    w.removeLocation = removeLocation;
    return w;
}

TEST(JpegConversion, AHeicGoesUprightAtQuality95InFullColourWithItsExifAndProfile) {
    test::TempDir dir;
    const QByteArray p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const std::string path =
        dir.write("IMG_0001.HEIC",
                  test::HeicBytes(Quadrants(400, 300), 6, PhoneExif(false, 6, true, 400, 300),
                                  test::PhoneXmp(true), 120, p3));
    const TransformedJpeg made = ConvertToJpeg(path, Convert());
    ASSERT_TRUE(made.ok()) << made.problem;
    const Made m = Decode(made.bytes);
    EXPECT_EQ(m.width, 300);
    EXPECT_EQ(m.height, 400);
    EXPECT_EQ(m.subsampling, TJSAMP_444);
    EXPECT_EQ(FirstQuantiser(made.bytes), 2);
    // Turned by irot: blue at the top left, red at the top right.
    EXPECT_TRUE(Near(m.pixels.pixelColor(40, 40), Qt::blue, 50));
    EXPECT_TRUE(Near(m.pixels.pixelColor(260, 40), Qt::red, 50));

    const std::string exif = Segment(made.bytes, 0xE1, std::string_view("Exif\0\0", 6));
    ASSERT_FALSE(exif.empty());
    EXPECT_EQ(wizard::ExifOrientation(exif), 1);
    EXPECT_FALSE(wizard::ExifHasLocation(exif));
    EXPECT_NE(exif.find(test::kSampleModel), std::string::npos);
    EXPECT_NE(exif.find(test::kSampleDate), std::string::npos);
    const std::string icc =
        Segment(made.bytes, 0xE2, std::string_view("ICC_PROFILE\0\x01\x01", 14));
    EXPECT_EQ(QByteArray::fromStdString(icc), p3);
    EXPECT_EQ(made.bytes.find("Paris"), std::string::npos) << "no XMP goes";
}

TEST(JpegConversion, TheLocationStaysWhenAskedAndColoursGoToSrgbWhenTheLabWantsIt) {
    test::TempDir dir;
    QImage orange(64, 48, QImage::Format_RGB32);
    orange.fill(QColor(200, 100, 50));
    const std::string path =
        dir.write("plain.png", test::PngBytes(orange, PhoneExif(true, 1, true)));
    // A PNG tagged Display P3 by its own profile.
    QImage tagged = orange;
    tagged.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const std::string p3png =
        dir.write("tagged.png", test::PngBytes(tagged, PhoneExif(true, 1, true)));

    const TransformedJpeg kept = ConvertToJpeg(path, Convert(false));
    ASSERT_TRUE(kept.ok()) << kept.problem;
    EXPECT_TRUE(
        wizard::ExifHasLocation(Segment(kept.bytes, 0xE1, std::string_view("Exif\0\0", 6))));

    const TransformedJpeg embedded = ConvertToJpeg(p3png, Convert());
    ASSERT_TRUE(embedded.ok()) << embedded.problem;
    EXPECT_FALSE(Segment(embedded.bytes, 0xE2, std::string_view("ICC_PROFILE\0", 12)).empty());
    EXPECT_TRUE(Near(Decode(embedded.bytes).pixels.pixelColor(10, 10), QColor(200, 100, 50), 4));

    PhotoWork srgb = Convert();
    srgb.toSrgb = true;
    const TransformedJpeg converted = ConvertToJpeg(p3png, srgb);
    ASSERT_TRUE(converted.ok()) << converted.problem;
    EXPECT_TRUE(Segment(converted.bytes, 0xE2, std::string_view("ICC_PROFILE\0", 12)).empty());
    // P3's orange is redder in sRGB's terms.
    EXPECT_GE(Decode(converted.bytes).pixels.pixelColor(10, 10).red(), 210);
}

TEST(JpegConversion, SixteenBitsAreDitheredSoATilesMeanKeepsTheValue) {
    // A level a quarter of the way from 48 to 49.
    QImage deep(64, 64, QImage::Format_RGBA64);
    deep.fill(QColor::fromRgba64(48 * 257 + 64, 48 * 257 + 64, 48 * 257 + 64));
    const QImage eight = DitherTo8Bits(deep);
    int sum = 0, highs = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int v = qRed(eight.pixel(x, y));
            ASSERT_TRUE(v == 48 || v == 49) << v;
            sum += v;
            highs += v == 49;
        }
    EXPECT_EQ(highs, 16) << "a quarter of the tile rounds up";
    EXPECT_NEAR(sum / 64.0, 48.25, 0.02);
    // The extremes stay where they are.
    deep.fill(QColor::fromRgba64(65535, 0, 65535));
    EXPECT_EQ(DitherTo8Bits(deep).pixel(3, 5), qRgb(255, 0, 255));

    test::TempDir dir;
    const std::string tiff =
        dir.write("scan.tif", test::TiffBytes(test::DeepRamp(256, 32, 0, 65535), 1, true, false));
    const TransformedJpeg made = ConvertToJpeg(tiff, Convert());
    ASSERT_TRUE(made.ok()) << made.problem;
    const Made m = Decode(made.bytes);
    EXPECT_LT(m.pixels.pixelColor(2, 16).red(), 8);
    EXPECT_GT(m.pixels.pixelColor(253, 16).red(), 247);
}

TEST(JpegConversion, TransparencyLiesOnWhite) {
    test::TempDir dir;
    QImage half(80, 60, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(0, 0, 40, 60, Qt::blue);
    QImage deep = half.convertToFormat(QImage::Format_RGBA64);
    for (const QImage& picture : {half, deep}) {
        const TransformedJpeg made =
            ConvertToJpeg(dir.write("clear.png", test::PngBytes(picture)), Convert());
        ASSERT_TRUE(made.ok()) << made.problem;
        const Made m = Decode(made.bytes);
        EXPECT_TRUE(Near(m.pixels.pixelColor(10, 30), Qt::blue, 30));
        EXPECT_TRUE(Near(m.pixels.pixelColor(70, 30), Qt::white, 3));
    }
}

TEST(JpegConversion, TurnsAndCropsApplyAndTheSameFileGivesTheSameBytes) {
    test::TempDir dir;
    const std::string path =
        dir.write("a.webp", test::WebpBytes(Quadrants(400, 300), PhoneExif(false, 1, true)));
    PhotoWork work = Convert();
    work.turn = 90;
    work.crop = {0, 0, 150, 200};  // the top left quarter of the photo as seen, turned
    const TransformedJpeg made = ConvertToJpeg(path, work);
    ASSERT_TRUE(made.ok()) << made.problem;
    EXPECT_EQ(made.width, 150);
    EXPECT_EQ(made.height, 200);
    EXPECT_EQ(made.covers, (wizard::CropBox{0, 0, 150, 200}));
    const Made m = Decode(made.bytes);
    EXPECT_TRUE(Near(m.pixels.pixelColor(20, 20), Qt::blue, 40));
    EXPECT_TRUE(Near(m.pixels.pixelColor(130, 180), Qt::blue, 40));
    EXPECT_EQ(ConvertToJpeg(path, work).bytes, made.bytes) << "a resume sends the same pixels";
    work.crop = {500, 500, 10, 10};
    EXPECT_EQ(ConvertToJpeg(path, work).problem, "the chosen part lies outside the photo");
}

TEST(JpegConversion, WhatCannotBeConvertedIsSaidWhy) {
    test::TempDir dir;
    const std::string heic = test::HeicBytes(Quadrants(200, 150));
    struct Case {
        std::string path;
        std::int64_t maxPixels;
        const char* problem;
    } cases[] = {
        {dir.write("text.png", "not a photo at all"), kMaxConvertPixels,
         "it is not a photo Orlavo can read"},
        {dir.write("cut.heic", heic.substr(0, heic.size() / 2)), kMaxConvertPixels,
         "it is cut short"},
        {dir.write("whole.heic", heic), 200 * 150 - 1,
         "it has more pixels than Orlavo can make into a JPEG"},
        {dir.file("gone.png"), kMaxConvertPixels, "it is not a photo Orlavo can read"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertToJpeg(c.path, Convert(), c.maxPixels).problem, c.problem) << c.path;
    EXPECT_TRUE(ConvertToJpeg(dir.file("whole.heic"), Convert()).ok());
}

TEST(JpegConversion, AConvertedPhotoKeepsItsStemWithJpg) {
    EXPECT_EQ(JpegNameFor("/home/ada/IMG_0001.HEIC"), "/home/ada/IMG_0001.jpg");
    EXPECT_EQ(JpegNameFor("/home/ada/holiday.tar.png"), "/home/ada/holiday.tar.jpg");
    EXPECT_EQ(JpegNameFor("/home/ada.b/shared"), "/home/ada.b/shared.jpg");
    EXPECT_EQ(JpegNameFor("scan.tiff"), "scan.jpg");
}

}  // namespace
}  // namespace orlavo::transmission
