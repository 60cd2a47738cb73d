// Thumbnails of one photo: fitted on grey, upright, sharp at 200%, from the
// EXIF thumbnail only when it serves, and none for files that are no photo.

#include "wizard/photos/ThumbnailMaker.h"

#include <gtest/gtest.h>

#include <QColor>
#include <filesystem>

#include "tests/fuzz/Mutator.h"
#include "tests/photos/LibjpegPhotos.h"
#include "tests/photos/TestPhotos.h"
#include "tests/support/TempDir.h"

namespace orlavo::wizard {
namespace {

using test::ColourAt;
using test::EncodeJpeg;
using test::Filled;
using test::Near;
using test::Quadrants;
using test::WithExif;

PhotoThumbnail Make(const std::string& bytes, qreal dpr = 1.0) {
    return MakeThumbnailFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  bytes.size(), dpr);
}

const QColor kGrey(0x80, 0x80, 0x80);

// The four corner colours of the picture inside a thumbnail of a photo shown W x H.
std::vector<QColor> Corners(const QImage& thumb, int w, int h) {
    const QSize fit = FitInto(QSize(w, h), kThumbnailSide);
    const double x0 = (kThumbnailSide - fit.width()) / 2.0,
                 y0 = (kThumbnailSide - fit.height()) / 2.0;
    const double qx = fit.width() / 4.0, qy = fit.height() / 4.0;
    return {ColourAt(thumb, x0 + qx, y0 + qy), ColourAt(thumb, x0 + 3 * qx, y0 + qy),
            ColourAt(thumb, x0 + qx, y0 + 3 * qy), ColourAt(thumb, x0 + 3 * qx, y0 + 3 * qy)};
}

void ExpectCorners(const QImage& thumb, int w, int h, std::vector<QColor> expected) {
    const std::vector<QColor> seen = Corners(thumb, w, h);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(seen[i], expected[i]))
            << "corner " << i << " is " << seen[i].name().toStdString() << ", expected "
            << expected[i].name().toStdString();
}

TEST(ThumbnailMaker, FitsThePictureInProportionOnGreyAtTheScreensRatio) {
    const std::string jpeg = EncodeJpeg(Quadrants(400, 300));
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const PhotoThumbnail t = Make(jpeg, dpr);
        ASSERT_TRUE(t.ok());
        EXPECT_EQ(t.image.size(), QSize(92, 92) * dpr);
        EXPECT_EQ(t.image.devicePixelRatio(), dpr);
        EXPECT_EQ(t.width, 400);
        EXPECT_EQ(t.height, 300);
        EXPECT_FALSE(t.fromExif);
        // 92 x 69 in the middle: grey bands above and below.
        EXPECT_EQ(ColourAt(t.image, 46, 5), kGrey);
        EXPECT_EQ(ColourAt(t.image, 46, 86), kGrey);
        ExpectCorners(t.image, 400, 300, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    }
}

TEST(ThumbnailMaker, StandsThePhotoUprightByItsExifOrientation) {
    const std::string jpeg = EncodeJpeg(Quadrants(400, 300));
    const QColor r = Qt::red, g = Qt::green, b = Qt::blue, y = Qt::yellow;
    struct Case {
        int orientation;
        std::vector<QColor> corners;  // top-left, top-right, bottom-left, bottom-right
    } cases[] = {
        {1, {r, g, b, y}}, {2, {g, r, y, b}}, {3, {y, b, g, r}}, {4, {b, y, r, g}},
        {5, {r, b, g, y}}, {6, {b, r, y, g}}, {7, {y, g, b, r}}, {8, {g, y, r, b}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const PhotoThumbnail t = Make(WithExif(jpeg, c.orientation));
        ASSERT_TRUE(t.ok());
        const bool side = c.orientation >= 5;
        EXPECT_EQ(t.width, side ? 300 : 400);
        EXPECT_EQ(t.height, side ? 400 : 300);
        ExpectCorners(t.image, t.width, t.height, c.corners);
        // A photo on its side has grey at the left and right instead.
        EXPECT_EQ(ColourAt(t.image, 5, 46) == kGrey, side);
    }
}

TEST(ThumbnailMaker, TakesTheExifThumbnailOnlyWhenLargeEnoughAndInProportion) {
    const std::string red = EncodeJpeg(Filled(800, 600, Qt::red));
    struct Case {
        const char* name;
        std::string thumbnail;
        qreal dpr;
        bool fromExif;
    } cases[] = {
        {"160 x 120 at 100%", EncodeJpeg(Filled(160, 120, Qt::blue)), 1.0, true},
        {"160 x 120 at 200%", EncodeJpeg(Filled(160, 120, Qt::blue)), 2.0, false},
        {"too small", EncodeJpeg(Filled(80, 60, Qt::blue)), 1.0, false},
        {"square, with bars", EncodeJpeg(Filled(160, 160, Qt::blue)), 1.0, false},
        {"damaged", std::string("\xFF\xD8\xFF\xC0\x00\x11garbage", 13), 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PhotoThumbnail t = Make(WithExif(red, 1, c.thumbnail), c.dpr);
        ASSERT_TRUE(t.ok());
        EXPECT_EQ(t.fromExif, c.fromExif);
        EXPECT_TRUE(
            Near(ColourAt(t.image, 46, 46), c.fromExif ? QColor(Qt::blue) : QColor(Qt::red)));
        EXPECT_EQ(t.width, 800);
    }
}

TEST(ThumbnailMaker, DecodesATwelveMegapixelPhotoAtAnEighthOfItsSize) {
    const PhotoThumbnail t = Make(EncodeJpeg(Quadrants(4000, 3000), 80));
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.width, 4000);
    EXPECT_EQ(t.height, 3000);
    EXPECT_EQ(t.decodedSize, QSize(500, 375));
    // At 200% it still needs no more than a quarter.
    EXPECT_LE(Make(EncodeJpeg(Quadrants(4000, 3000), 80), 2.0).decodedSize.width(), 1000);
}

// A view that shows thumbnails larger asks for them at that side: decoded
// large enough to stay sharp, yet at a DCT scale, not at full size.
TEST(ThumbnailMaker, MakesLargerThumbnailsAtTheSideAsked) {
    test::TempDir dir;
    const std::string path = dir.write("large.jpg", EncodeJpeg(Quadrants(4000, 3000), 80));
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const PhotoThumbnail t = MakeThumbnail(path, dpr, 200);
        ASSERT_TRUE(t.ok());
        EXPECT_EQ(t.image.size(), QSize(200, 200) * dpr);
        EXPECT_GE(t.decodedSize.width(), qRound(200 * dpr));
        EXPECT_LE(t.decodedSize.width(), 1000 * dpr);
    }
    EXPECT_EQ(MakeThumbnail(path).image.size(), QSize(92, 92));
}

TEST(ThumbnailMaker, FilesThatAreNoWholePhotoGetNoThumbnail) {
    test::TempDir dir;
    const std::string jpeg = EncodeJpeg(Quadrants(400, 300));
    const std::string good = dir.write("good.jpg", jpeg);
    const std::string bad[] = {
        dir.write("empty.jpg", ""),
        dir.write("cut.jpg", jpeg.substr(0, jpeg.size() / 2)),
        dir.write("png.jpg", "\x89PNG\r\n\x1A\n" + std::string(400, '\0')),
        dir.write("text.jpg", "not a photo"),
        dir.file("missing.jpg"),
        dir.path().string(),
    };
    for (const std::string& path : bad) {
        const PhotoThumbnail t = MakeThumbnail(path);
        EXPECT_FALSE(t.ok()) << path;
        EXPECT_EQ(t.fileSize, 0u) << path;
    }
    // A whole one reports its size on disk and when it was last written.
    const PhotoThumbnail t = MakeThumbnail(good);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.fileSize, jpeg.size());
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    EXPECT_NEAR(double(t.lastModified), double(now), 600000.0);
}

TEST(ThumbnailMaker, ALargeFileCutShortIsRefusedThoughItsExifThumbnailServes) {
    // Grain makes the file large: its head alone holds the EXIF thumbnail.
    QImage grain(1200, 900, QImage::Format_RGB32);
    std::uint32_t noise = 7;
    for (int y = 0; y < grain.height(); ++y)
        for (int x = 0; x < grain.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            grain.setPixel(x, y, noise >> 8);
        }
    const std::string jpeg =
        WithExif(EncodeJpeg(grain, 95), 1, EncodeJpeg(Filled(160, 120, Qt::blue)));
    ASSERT_GT(jpeg.size(), 1000000u);
    test::TempDir dir;
    const PhotoThumbnail whole = MakeThumbnail(dir.write("whole.jpg", jpeg));
    ASSERT_TRUE(whole.ok());
    EXPECT_TRUE(whole.fromExif);
    EXPECT_EQ(whole.fileSize, jpeg.size());
    EXPECT_FALSE(MakeThumbnail(dir.write("cut.jpg", jpeg.substr(0, jpeg.size() - 5000))).ok());
    // Data after the end (as some cameras add) still leaves a whole photo.
    const PhotoThumbnail trailer =
        MakeThumbnail(dir.write("trailer.jpg", jpeg + std::string(200000, '\x42')));
    EXPECT_TRUE(trailer.ok());
}

TEST(ThumbnailMaker, DamagedFilesGiveAWholeThumbnailOrNone) {
    const std::string seed =
        WithExif(EncodeJpeg(Quadrants(120, 90)), 6, EncodeJpeg(Quadrants(100, 75)), true);
    fuzz::Mutator m(2020);
    m.addTokens({"\xFF\xD9", "\xFF\xDA", "\xFF\xC0\x00\x11\x08\xFF\xFF\x00\x01", "\x00\x08"});
    for (int round = 0; round < fuzz::Rounds(400); ++round) {
        const std::string bytes = m.mutate(seed);
        const PhotoThumbnail t = Make(bytes, round % 2 ? 2.0 : 1.0);
        if (t.ok()) {
            ASSERT_EQ(t.image.deviceIndependentSize(), QSizeF(92, 92));
            ASSERT_GT(t.width, 0);
            ASSERT_GT(t.height, 0);
        }
        // A damaged file leaves nothing behind for the next photo of the thread.
        if (round % 10 == 0) {
            ASSERT_TRUE(Make(seed).ok()) << round;
        }
    }
}

TEST(ThumbnailMaker, PicturesWhoseDecodeWouldPassTheMemoryBudgetAreRefusedUnread) {
    test::LibjpegLayout greyProgressive;
    greyProgressive.stored = JCS_GRAYSCALE;
    greyProgressive.progressive = true;
    test::LibjpegLayout scanPerComponent;
    scanPerComponent.scanPerComponent = true;
    const QImage small = Quadrants(64, 64);
    struct Case {
        const char* name;
        std::string bytes;
        int side;
    } cases[] = {
        {"progressive, full colour", test::ProgressiveBomb(16384), 16384},
        {"progressive, grey",
         test::WithFrameSize(test::EncodeWithLibjpeg(small, greyProgressive), 32768, 32768), 32768},
        {"a scan per component",
         test::WithFrameSize(test::EncodeWithLibjpeg(small, scanPerComponent), 16384, 16384),
         16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.bytes.size(), 20000u);
        const PhotoThumbnail t = Make(c.bytes);
        EXPECT_FALSE(t.ok());
        EXPECT_EQ(t.refusal, PhotoRefusal::TooLarge);
        EXPECT_EQ(t.width, c.side);
        EXPECT_EQ(t.height, c.side);
    }
    // The same pictures stored small are no trouble, nor is a progressive
    // 12-megapixel photo at full colour resolution (72 MB of coefficients).
    EXPECT_TRUE(Make(test::EncodeWithLibjpeg(small, greyProgressive)).ok());
    EXPECT_TRUE(Make(test::EncodeWithLibjpeg(small, scanPerComponent)).ok());
    const PhotoThumbnail large = Make(EncodeJpeg(Quadrants(4000, 3000), 80, true, TJSAMP_444));
    ASSERT_TRUE(large.ok());
    ExpectCorners(large.image, 4000, 3000, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
}

TEST(ThumbnailMaker, AnExifThumbnailBeyondTheBudgetGivesWayToThePhotosOwnPixels) {
    const std::string photo =
        WithExif(EncodeJpeg(Filled(800, 800, Qt::red)), 1, test::ProgressiveBomb(16384));
    const PhotoThumbnail t = Make(photo);
    ASSERT_TRUE(t.ok());
    EXPECT_FALSE(t.fromExif);
    EXPECT_EQ(t.width, 800);
    EXPECT_TRUE(Near(ColourAt(t.image, 46, 46), Qt::red));
}

TEST(ThumbnailMaker, HalfAPhotoWithAnEndMarkerAfterItIsNoPhoto) {
    test::TempDir dir;
    QImage grain(640, 480, QImage::Format_RGB32);
    std::uint32_t noise = 11;
    for (int y = 0; y < grain.height(); ++y)
        for (int x = 0; x < grain.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            grain.setPixel(x, y, noise >> 8);
        }
    const std::string baseline = EncodeJpeg(grain, 90);
    const std::string progressive = EncodeJpeg(grain, 90, true);
    for (const std::string* whole : {&baseline, &progressive}) {
        const std::string cut = dir.write("cut.jpg", test::CutWithEndMarker(*whole));
        EXPECT_EQ(MakeThumbnail(cut).refusal, PhotoRefusal::Damaged);
        EXPECT_EQ(Make(test::CutWithEndMarker(*whole)).refusal, PhotoRefusal::Damaged);
        EXPECT_TRUE(MakePreviewPicture(cut, 840).isNull());
        EXPECT_TRUE(MakeThumbnail(dir.write("whole.jpg", *whole)).ok());
    }
}

TEST(ThumbnailMaker, HalfAGigabyteOfZerosBetweenHeadAndEndMarkerIsNoPhoto) {
    test::TempDir dir;
    const std::string jpeg = EncodeJpeg(Quadrants(640, 480));
    const std::string path = test::WriteSparseJpeg(dir.file("zeros.jpg"), jpeg, 500ULL << 20);
    const PhotoThumbnail t = MakeThumbnail(path);
    EXPECT_FALSE(t.ok());
    EXPECT_EQ(t.refusal, PhotoRefusal::Damaged);
    EXPECT_TRUE(MakePreviewPicture(path, 840).isNull());
    // Stopped before it starts, a photo is given up at once.
    const std::atomic<bool> stop{true};
    const std::string good = dir.write("good.jpg", jpeg);
    EXPECT_EQ(MakeThumbnail(good, 1.0, kThumbnailSide, &stop).refusal, PhotoRefusal::Stopped);
    EXPECT_EQ(MakeThumbnail(good).refusal, PhotoRefusal::None);
}

TEST(ThumbnailMaker, CmykAndYcckPhotosShowTheirInks) {
    const QColor cyan(0, 255, 255), magenta(255, 0, 255), yellow(255, 255, 0), black(0, 0, 0);
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobeMarker;
        bool inverted;
    } cases[] = {
        {"CMYK, Adobe's inverted samples", JCS_CMYK, true, true},
        {"YCCK, Adobe's inverted samples", JCS_YCCK, true, true},
        {"CMYK without Adobe's marker", JCS_CMYK, false, false},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string jpeg = test::CmykQuadrants(400, 300, c.stored, c.adobeMarker, c.inverted);
        const PhotoThumbnail t = MakeThumbnail(dir.write("cmyk.jpg", jpeg));
        ASSERT_TRUE(t.ok());
        EXPECT_EQ(t.width, 400);
        ExpectCorners(t.image, 400, 300, {cyan, magenta, yellow, black});
        const QImage preview = MakePreviewPicture(dir.file("cmyk.jpg"), 840);
        ASSERT_EQ(preview.size(), QSize(400, 300));
        EXPECT_TRUE(Near(preview.pixelColor(100, 75), cyan));
        EXPECT_TRUE(Near(preview.pixelColor(300, 225), black));
    }
}

TEST(PreviewPicture, FillsTheViewsSideUprightAndNeverBlowsASmallPhotoUp) {
    test::TempDir dir;
    const std::string big = EncodeJpeg(Quadrants(4000, 3000), 80);
    // At 200% the view of 420 points wants 840 pixels: that sharp, not less.
    const QImage landscape = MakePreviewPicture(dir.write("big.jpg", big), 840);
    EXPECT_EQ(landscape.size(), QSize(840, 630));
    // Turned a quarter clockwise by its EXIF: the photo's bottom-left is now top-left.
    const QImage turned = MakePreviewPicture(dir.write("turned.jpg", WithExif(big, 6)), 840);
    ASSERT_EQ(turned.size(), QSize(630, 840));
    const std::vector<QColor> corners = {turned.pixelColor(150, 200), turned.pixelColor(480, 200),
                                         turned.pixelColor(150, 640), turned.pixelColor(480, 640)};
    const std::vector<QColor> expected = {Qt::blue, Qt::red, Qt::yellow, Qt::green};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(corners[i], expected[i])) << i;
    const QImage small =
        MakePreviewPicture(dir.write("small.jpg", EncodeJpeg(Quadrants(300, 200))), 840);
    EXPECT_EQ(small.size(), QSize(300, 200));
    // A file cut short, or none at all, gives nothing to show.
    EXPECT_TRUE(
        MakePreviewPicture(dir.write("cut.jpg", big.substr(0, big.size() / 2)), 840).isNull());
    EXPECT_TRUE(MakePreviewPicture(dir.file("missing.jpg"), 840).isNull());
    EXPECT_TRUE(MakePreviewPicture(dir.write("text.jpg", "not a photo"), 840).isNull());
}

TEST(ThumbnailMaker, FitIntoKeepsProportionsWithinTheSquare) {
    struct Case {
        QSize in, out;
    } cases[] = {
        {{4000, 3000}, {92, 69}}, {{3000, 4000}, {69, 92}}, {{100, 100}, {92, 92}},
        {{50, 10}, {92, 18}},     {{10000, 1}, {92, 1}},    {{0, 10}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitInto(c.in, 92), c.out) << c.in.width() << "x" << c.in.height();
}

TEST(ThumbnailMaker, APackedThumbnailComesBackAtItsSizeAndRatio) {
    for (qreal dpr : {1.0, 2.0}) {
        const QImage image = Make(EncodeJpeg(Quadrants(400, 300)), dpr).image;
        const QByteArray packed = PackThumbnail(image);
        EXPECT_LT(packed.size(), image.sizeInBytes() / 4);
        const QImage back = UnpackThumbnail(packed, dpr);
        EXPECT_EQ(back.size(), image.size());
        EXPECT_EQ(back.devicePixelRatio(), dpr);
        ExpectCorners(back, 400, 300, {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    }
    EXPECT_TRUE(PackThumbnail(QImage()).isEmpty());
    EXPECT_TRUE(UnpackThumbnail("not a picture", 1.0).isNull());
}

TEST(RotateThumbnail, QuarterTurnsAreExactAndFourGiveTheFirstPictureBack) {
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage first = Make(EncodeJpeg(Quadrants(300, 300)), dpr).image;
        ASSERT_FALSE(first.isNull());
        const QImage once = RotateThumbnail(first, 9000);
        EXPECT_EQ(once.size(), first.size());
        EXPECT_EQ(once.devicePixelRatio(), dpr);
        // Clockwise: what was at the top-left is now at the top-right.
        EXPECT_EQ(ColourAt(once, 69, 23), ColourAt(first, 23, 23));
        EXPECT_EQ(ColourAt(once, 23, 23), ColourAt(first, 23, 69));
        EXPECT_EQ(RotateThumbnail(once, -9000), first);
        QImage turned = first;
        for (int i = 0; i < 4; ++i)
            turned = RotateThumbnail(turned, 9000);
        EXPECT_EQ(turned, first);
        for (int i = 0; i < 4; ++i)
            turned = RotateThumbnail(turned, -9000);
        EXPECT_EQ(turned, first);
    }
}

}  // namespace
}  // namespace orlavo::wizard
