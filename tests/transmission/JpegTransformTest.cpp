#include "wizard/transmission/JpegTransform.h"

#include <gtest/gtest.h>

#include "resources/WizardResources.h"
#include "tests/transmission/JpegSamples.h"
#include "wizard/photos/JpegInfo.h"

namespace orlavo::transmission {
namespace {

using test::Pixels;

// How each EXIF orientation shows the stored picture: mirrored first, then
// turned clockwise.
struct Shown {
    bool flip;
    int quarters;
};
Shown ShownBy(int orientation) {
    static const Shown kTable[9] = {{false, 0}, {false, 0}, {true, 0}, {false, 2}, {true, 2},
                                    {true, 3},  {false, 1}, {true, 1}, {false, 3}};
    return kTable[orientation];
}

wizard::JpegInfo Info(const std::string& jpeg) {
    return wizard::ReadJpegInfo(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
}

TEST(JpegTransform, TheResultIsThePhotoAsSeenTurnedAndCroppedWithinABlock) {
    const struct {
        const char* name;
        int width, height, channels, subsamp;
        bool progressive;
        int orientation, turn;
        wizard::CropBox crop;
    } cases[] = {
        {"4:2:0, sides not a block multiple, a quarter turn",
         1000,
         750,
         3,
         TJSAMP_420,
         false,
         1,
         90,
         {}},
        {"4:2:0, half a turn and a crop",
         1000,
         750,
         3,
         TJSAMP_420,
         false,
         1,
         180,
         {101, 57, 600, 400}},
        {"EXIF turned upright, then a quarter turn more",
         630,
         470,
         3,
         TJSAMP_420,
         false,
         6,
         90,
         {}},
        {"EXIF transposed, a crop alone", 500, 300, 3, TJSAMP_420, false, 5, 0, {33, 45, 150, 200}},
        {"EXIF mirrored, a quarter turn", 400, 300, 3, TJSAMP_444, false, 2, 90, {}},
        {"greyscale, three quarters", 333, 221, 1, TJSAMP_GRAY, false, 1, 270, {}},
        {"CMYK, a quarter turn and a crop",
         300,
         200,
         4,
         TJSAMP_444,
         false,
         1,
         90,
         {10, 10, 100, 150}},
        {"progressive, a quarter turn and a crop",
         800,
         600,
         3,
         TJSAMP_420,
         true,
         1,
         90,
         {100, 200, 300, 400}},
        {"4:2:2, a quarter turn and a crop",
         500,
         370,
         3,
         TJSAMP_422,
         false,
         1,
         90,
         {35, 70, 200, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Pixels source = test::Pattern(c.width, c.height, c.channels);
        std::string jpeg = test::Encode(source, c.subsamp, c.progressive);
        ASSERT_FALSE(jpeg.empty());
        if (c.orientation != 1)
            jpeg = test::WithBlock(jpeg, test::ExifBlock(c.orientation, c.width, c.height, false));

        const TransformedJpeg made = TransformJpeg(jpeg, {c.turn, c.crop});
        ASSERT_TRUE(made.ok()) << made.problem;

        // The whole photo as the user sees it, and the part asked for.
        const Shown shown = ShownBy(c.orientation);
        const Pixels decoded = test::Decode(jpeg, c.channels);
        const Pixels seen = test::Turned(decoded, shown.flip, shown.quarters + c.turn / 90);
        const wizard::CropBox want =
            c.crop.empty() ? wizard::CropBox{0, 0, seen.width, seen.height} : c.crop;
        const wizard::CropBox& got = made.covers;
        // Never more than a block away from the frame asked for, and never short of it
        // but where a partial edge block had to go.
        EXPECT_LE(got.x, want.x + 15);
        EXPECT_GT(got.x, want.x - 16);
        EXPECT_LE(got.y, want.y + 15);
        EXPECT_GT(got.y, want.y - 16);
        EXPECT_NEAR(got.x + got.width, want.x + want.width, 15);
        EXPECT_NEAR(got.y + got.height, want.y + want.height, 15);

        const Pixels sent = test::Decode(made.bytes, c.channels);
        ASSERT_EQ(sent.width, made.width);
        ASSERT_EQ(sent.height, made.height);
        EXPECT_EQ(Info(made.bytes).orientation, 1);
        const Pixels expected = test::Cropped(seen, got.x, got.y, got.width, got.height);
        EXPECT_LT(test::MeanDifference(sent, expected), 2.0);
    }
}

TEST(JpegTransform, DamagedOrForeignInputGetsAReasonNeverACrash) {
    const std::string good = test::Encode(test::Pattern(320, 240), TJSAMP_420);
    const struct {
        const char* name;
        std::string bytes;
        wizard::CropBox crop;
        int message;
    } cases[] = {
        {"not a JPEG", "GIF89a this is no photo", {}, 3600},
        {"empty", "", {}, 3600},
        {"cut short", good.substr(0, good.size() / 2), {}, 3601},
        {"header only", good.substr(0, 700), {}, 3601},
        {"crop outside the photo", good, {5000, 5000, 10, 10}, 3604},
    };
    for (const auto& c : cases) {
        const TransformedJpeg made = TransformJpeg(c.bytes, {90, c.crop});
        EXPECT_FALSE(made.ok()) << c.name;
        EXPECT_EQ(made.problem, wizard::Str(c.message)) << c.name;
    }
    EXPECT_EQ(TransformJpeg(good, {90, {}}, 320 * 240 - 1).problem, wizard::Str(3602));
}

TEST(JpegTransform, TheExifBlockIsKeptUprightWithTheNewSizeAndTheOtherMarkersStay) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        test::ExifLayout layout{};
        const std::string exif = test::ExifBlock(6, 321, 241, big, &layout);
        const std::string comment = std::string("\xFF\xFE\x00\x06", 4) + "kept";
        const std::string jpeg = test::WithBlock(
            test::WithBlock(test::Encode(test::Pattern(321, 241), TJSAMP_420), comment), exif);

        const TransformedJpeg made = TransformJpeg(jpeg, {90, {}});
        ASSERT_TRUE(made.ok()) << made.problem;
        const std::size_t at = made.bytes.find(std::string("\xFF\xE1", 2));
        ASSERT_NE(at, std::string::npos);
        const auto byte = [&](std::size_t offset) {
            return unsigned(static_cast<unsigned char>(made.bytes[at + offset]));
        };
        const auto u16 = [&](std::size_t offset) {
            return big ? byte(offset) << 8 | byte(offset + 1)
                       : byte(offset + 1) << 8 | byte(offset);
        };
        const auto u32 = [&](std::size_t offset) {
            return big ? u16(offset) << 16 | u16(offset + 2) : u16(offset + 2) << 16 | u16(offset);
        };
        EXPECT_EQ(u16(layout.orientationValue), 1u);
        EXPECT_EQ(u32(layout.widthValue), unsigned(made.width));
        // The transform may widen a SHORT pixel size to a LONG in place.
        const bool isLong = u16(layout.heightValue - 6) == 4;
        EXPECT_EQ(isLong ? u32(layout.heightValue) : u16(layout.heightValue),
                  unsigned(made.height));
        // EXIF 6 and a quarter turn more: half a turn of the stored 321 x 241.
        EXPECT_EQ(made.width, 321 - 321 % 16);
        EXPECT_EQ(made.height, 241 - 241 % 16);
        EXPECT_NE(made.bytes.find("0232"), std::string::npos);
        EXPECT_NE(made.bytes.find(comment), std::string::npos);
    }
    std::string bare = test::Encode(test::Pattern(64, 64), TJSAMP_420);
    const std::string before = bare;
    EXPECT_FALSE(MakeExifUpright(bare, 64, 64));
    EXPECT_EQ(bare, before);
}

}  // namespace
}  // namespace orlavo::transmission
