#include "wizard/transmission/UrlParts.h"

#include <gtest/gtest.h>

namespace orlavo::transmission {
namespace {

TEST(SplitUrl, HttpsKeepsPathAndQueryWithoutLeadingSlash) {
    auto parts = SplitUrl("https://lab.example.com/cgi/upload?x=1");
    ASSERT_TRUE(parts);
    EXPECT_TRUE(parts->secure());
    EXPECT_EQ(parts->host, "lab.example.com");
    EXPECT_EQ(parts->port, 443);
    EXPECT_EQ(parts->target, "cgi/upload?x=1");
    EXPECT_EQ(parts->requestUrl(), "https://lab.example.com:443/cgi/upload?x=1");
}

TEST(SplitUrl, HttpUsesTheWrittenPortOrItsDefault) {
    auto plain = SplitUrl("http://127.0.0.1/price");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->secure());
    EXPECT_EQ(plain->port, 80);
    EXPECT_EQ(plain->target, "price");
    auto ported = SplitUrl("http://127.0.0.1:8123/a/b");
    ASSERT_TRUE(ported);
    EXPECT_EQ(ported->port, 8123);
    EXPECT_EQ(ported->target, "a/b");
}

TEST(SplitUrl, RootPathGivesAnEmptyTarget) {
    auto parts = SplitUrl("http://lab.example.com");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->target, "");
}

TEST(SplitUrl, KeepsThePathAsWrittenDotSegmentsIncluded) {
    auto parts = SplitUrl("http://lab.example.com/cgi/./old/../upload.cgi?x=1&y=/../z");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->target, "cgi/./old/../upload.cgi?x=1&y=/../z");
}

TEST(SplitUrl, RefusesOtherSchemesAndGarbage) {
    EXPECT_FALSE(SplitUrl("ftp://lab.example.com/upload"));
    EXPECT_FALSE(SplitUrl("file:///etc/passwd"));
    EXPECT_FALSE(SplitUrl(""));
    EXPECT_FALSE(SplitUrl("not a url"));
}

}  // namespace
}  // namespace orlavo::transmission
