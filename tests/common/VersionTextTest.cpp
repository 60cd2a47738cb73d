#include <gtest/gtest.h>

#include "common/VersionText.h"

using namespace orlavo;

TEST(ProgramVersionText, RemovesBlanksAndTurnsCommasIntoPoints) {
    EXPECT_EQ(ProgramVersionText("2, 0, 44, 3"), "2.0.44.3");
    EXPECT_EQ(ProgramVersionText(""), "");
}

TEST(ResourceVersionText, KeepsBlanks) {
    EXPECT_EQ(ResourceVersionText("2, 1, 44, 0"), "2. 1. 44. 0");
}

TEST(ParseVersion, ReadsFourNumbers) {
    auto v = ParseVersion("2.0.44.3");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->n, (std::array<std::int32_t, 4>{2, 0, 44, 3}));
    auto spaced = ParseVersion("2. 1. 44. 0");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->n, (std::array<std::int32_t, 4>{2, 1, 44, 0}));
}

TEST(ParseVersion, FewerThanThreePointsDoesNotParse) {
    EXPECT_FALSE(ParseVersion("2.0.44"));
    EXPECT_FALSE(ParseVersion(""));
    EXPECT_FALSE(ParseVersion("4520"));
}

TEST(ParseVersion, PiecesAreLeadingDecimalValues) {
    auto v = ParseVersion("2.0x.abc.7 beta");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->n, (std::array<std::int32_t, 4>{2, 0, 0, 7}));
    auto huge = ParseVersion("99999999999.1.2.3");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->n[0], 2147483647);
}

TEST(ParseVersion, ComparesAsNumbersNotText) {
    EXPECT_LT(*ParseVersion("2.0.0.9"), *ParseVersion("2.0.0.10"));
    EXPECT_GT(*ParseVersion("2.1.0.0"), *ParseVersion("2.0.5.5"));
    EXPECT_EQ(*ParseVersion("2.0.0.16"), *ParseVersion(ResourceVersionText("2,0,0,16")));
}

TEST(BundleVersionAccepted, OnlyTheThirdNumberCounts) {
    const std::string program = ProgramVersionText("2, 0, 44, 3");
    EXPECT_TRUE(BundleVersionAccepted(program, ResourceVersionText("2, 1, 44, 0")));
    EXPECT_FALSE(BundleVersionAccepted(program, ResourceVersionText("2, 0, 45, 3")));
    EXPECT_FALSE(BundleVersionAccepted(program, "2.0.44"));
    EXPECT_FALSE(BundleVersionAccepted("2.0.44", "2.0.44.3"));
}
