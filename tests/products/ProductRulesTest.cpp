#include <gtest/gtest.h>

#include <clocale>

#include "wizard/products/PriceFormat.h"
#include "wizard/products/QualityRating.h"
#include "wizard/products/SelectionLabels.h"

using namespace orlavo::wizard;

TEST(MoneyFormat, TwoDecimalsWithLeadingZero) {
    const struct {
        std::int64_t hundredths;
        const char* text;
    } cases[] = {{1250, "12.50"},
                 {50, "0.50"},
                 {5, "0.05"},
                 {0, "0.00"},
                 {123456789, "1234567.89"},
                 {-250, "-2.50"},
                 {-5, "-0.05"},
                 {INT64_MAX, "92233720368547758.07"},
                 {INT64_MIN, "-92233720368547758.08"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatHundredths(c.hundredths), c.text) << c.hundredths;
}

TEST(MoneyFormat, IgnoresTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string text = FormatHundredths(150);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text, "1.50") << (old ? "" : "(no German locale here)");
}

TEST(UnitPrice, LeadingPointGetsAZero) {
    EXPECT_EQ(UnitPriceText(".25"), "0.25");
    EXPECT_EQ(UnitPriceText("0.25"), "0.25");
    EXPECT_EQ(UnitPriceText("1.5"), "1.5");
    EXPECT_EQ(UnitPriceText(""), "");
    EXPECT_EQ(PriceWithCurrency(".25", "GBP"), "0.25 GBP");
    EXPECT_EQ(PriceWithCurrency("3", ""), "3 ");
}

TEST(Quality, ExamplesOnA152MillimetrePrint) {
    EXPECT_EQ(QualityResolution(1600, 1200, 152), 267);
    EXPECT_EQ(RateQuality(1600, 1200, 152), Quality::Fine);
    EXPECT_EQ(QualityText(RateQuality(1600, 1200, 152)), "Fine");
    EXPECT_EQ(QualityResolution(3000, 2000, 152), 501);
    EXPECT_EQ(QualityText(RateQuality(3000, 2000, 152)), "Excellent");
    EXPECT_EQ(QualityResolution(640, 480, 152), 107);
    EXPECT_EQ(QualityText(RateQuality(640, 480, 152)), "Medium");
    EXPECT_EQ(QualityResolution(400, 300, 152), 67);
    EXPECT_EQ(QualityText(RateQuality(400, 300, 152)), "Poor");
}

TEST(Quality, LongSideCountsWhateverTheOrientation) {
    EXPECT_EQ(RateQuality(1200, 1600, 152), Quality::Fine);
}

TEST(Quality, UndefinedWhenSizeOrDimensionIsZero) {
    EXPECT_EQ(RateQuality(0, 0, 152), Quality::Undefined);
    EXPECT_EQ(QualityText(RateQuality(0, 0, 152)), "Undefined");
    EXPECT_EQ(RateQuality(1600, 1200, 0), Quality::Undefined);
    // Large values do not overflow into a false zero.
    EXPECT_EQ(RateQuality(65536, 1, 65536), Quality::Poor);
}

TEST(Quality, Boundaries) {
    // x_dim 254: R = L / 10.
    EXPECT_EQ(RateQuality(3010, 1, 254), Quality::Excellent);  // 301
    EXPECT_EQ(RateQuality(3004, 1, 254), Quality::Fine);       // 300.4 -> 300
    EXPECT_EQ(RateQuality(3005, 1, 254), Quality::Excellent);  // 300.5 -> 301
    EXPECT_EQ(RateQuality(1510, 1, 254), Quality::Fine);       // 151
    EXPECT_EQ(RateQuality(1500, 1, 254), Quality::Medium);     // 150
    EXPECT_EQ(RateQuality(1010, 1, 254), Quality::Medium);     // 101
    EXPECT_EQ(RateQuality(1000, 1, 254), Quality::Poor);       // 100
    EXPECT_EQ(RateQuality(1600, 1200, -152), Quality::Poor);
}

TEST(SelectionLabels, SizeSwitchesToMegabytesAbove1024000Bytes) {
    EXPECT_EQ(SizeLabelText(1'024'000), " 1000 KB");
    EXPECT_EQ(SizeLabelText(1'024'001), " 0.98 MB");
    EXPECT_EQ(SizeLabelText(0), " 0 KB");
    EXPECT_EQ(SizeLabelText(511), " 0 KB");
    EXPECT_EQ(SizeLabelText(512), " 1 KB");
    EXPECT_EQ(SizeLabelText(5'000'000'000ull), " 4768.37 MB");
}

TEST(SelectionLabels, CountSaysPhotoOrPhotos) {
    EXPECT_EQ(CountLabelText(2, 1), " 2 Photos Selected (1 in the current directory)");
    EXPECT_EQ(CountLabelText(1, 0), " 1 Photo Selected (0 in the current directory)");
    EXPECT_EQ(CountLabelText(0, 0), " 0 Photos Selected (0 in the current directory)");
}
