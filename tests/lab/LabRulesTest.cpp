// The lab's own rules, checked without a server.

#include <gtest/gtest.h>

#include "lab/CardCheck.h"
#include "lab/LabOptions.h"
#include "lab/Money.h"
#include "lab/SafePath.h"
#include "tests/lab/LabTestSupport.h"

namespace orlavo::lab {
namespace {

TEST(LabCardCheck, AcceptsNumbersPassingLuhnOnly) {
    EXPECT_TRUE(IsValidCardNumber("4111111111111111"));
    EXPECT_TRUE(IsValidCardNumber("5500 0000 0000 0004"));
    EXPECT_TRUE(IsValidCardNumber("340000000000009"));  // 15 digits
    EXPECT_FALSE(IsValidCardNumber("4111111111111112"));
    EXPECT_FALSE(IsValidCardNumber("411111111111111a"));
    EXPECT_FALSE(IsValidCardNumber("0000"));
    EXPECT_TRUE(IsValidCardNumber("4222222222222"));          // 13 digits
    EXPECT_TRUE(IsValidCardNumber("4111111111111111110"));    // 19 digits
    EXPECT_FALSE(IsValidCardNumber("411111111117"));          // 12 digits
    EXPECT_FALSE(IsValidCardNumber("41111111111111111115"));  // 20 digits
    EXPECT_FALSE(IsValidCardNumber(""));
}

TEST(LabCardCheck, OnlyTheDeclinedTestCardIsDeclined) {
    EXPECT_TRUE(IsValidCardNumber("4000000000000002"));
    EXPECT_TRUE(IsDeclinedTestCard("4000 0000 0000 0002"));
    EXPECT_FALSE(IsDeclinedTestCard("4111111111111111"));
    EXPECT_FALSE(IsDeclinedTestCard("40000000000000020"));
}

TEST(LabCardCheck, ExpiryIsCheckedToTheMonth) {
    EXPECT_FALSE(IsExpired("06", "2026", 2026, 6));
    EXPECT_TRUE(IsExpired("05", "2026", 2026, 6));
    EXPECT_TRUE(IsExpired("12", "2025", 2026, 1));
    EXPECT_FALSE(IsExpired("01", "27", 2026, 12));
    EXPECT_FALSE(IsExpired("", "", 2026, 12));
}

TEST(LabCardCheck, MaskKeepsOnlyTheLastFourDigits) {
    EXPECT_EQ(MaskCardNumber("4111111111111111"), "xxxxxxxxxxxx1111");
    EXPECT_EQ(MaskCardNumber("4111 1111 1111 1234"), "xxxxxxxxxxxx1234");
    EXPECT_EQ(MaskCardNumber(""), "");
}

TEST(LabMoney, ReadsAndWritesAmountsInHundredths) {
    EXPECT_EQ(ParseAmount("0.25"), 25);
    EXPECT_EQ(ParseAmount(".35"), 35);
    EXPECT_EQ(ParseAmount("12"), 1200);
    EXPECT_EQ(ParseAmount("1.5"), 150);
    EXPECT_EQ(ParseAmount("0.125"), 13);
    EXPECT_FALSE(ParseAmount(""));
    EXPECT_FALSE(ParseAmount("-1"));
    EXPECT_FALSE(ParseAmount("1,50"));
    EXPECT_EQ(FormatAmount(1250), "12.50");
    EXPECT_EQ(FormatAmount(5), "0.05");
}

TEST(LabSafePath, FileNamesLoseTheirFoldersAndOddCharacters) {
    EXPECT_EQ(SafeFileName("C:\\Pictures\\Holiday\\img_01.jpg"), "img_01.jpg");
    EXPECT_EQ(SafeFileName("../x"), "x");
    EXPECT_EQ(SafeFileName(".."), "photo.jpg");
    EXPECT_EQ(SafeFileName("..hidden.jpg"), "hidden.jpg");
    EXPECT_EQ(SafeFileName("my photo<1>.jpg"), "my_photo_1_.jpg");
    EXPECT_EQ(SafeFileName(""), "photo.jpg");
    EXPECT_LE(SafeFileName(std::string(500, 'a')).size(), 120u);
}

TEST(LabSafePath, OrderIdsAreLettersDigitsAndDashes) {
    EXPECT_TRUE(IsSafeOrderId("K3Jd9QpLm2Xz7Ab"));
    EXPECT_FALSE(IsSafeOrderId(""));
    EXPECT_FALSE(IsSafeOrderId(".."));
    EXPECT_FALSE(IsSafeOrderId("a/b"));
    EXPECT_FALSE(IsSafeOrderId(std::string(65, 'a')));
}

TEST(LabSafePath, RelativePathsStayBelowTheirRoot) {
    labtest::Sandbox box;
    EXPECT_EQ(ResolveUnder(box.path(), "a/b.txt"), box.path() / "a" / "b.txt");
    EXPECT_FALSE(ResolveUnder(box.path(), "../b.txt"));
    EXPECT_FALSE(ResolveUnder(box.path(), "a/../../b.txt"));
    EXPECT_FALSE(ResolveUnder(box.path(), "/etc/passwd"));
    EXPECT_FALSE(ResolveUnder(box.path(), "a//b"));
    EXPECT_FALSE(ResolveUnder(box.path(), "a\\..\\b"));
    EXPECT_FALSE(ResolveUnder(box.path(), ""));
}

TEST(LabOptionsParse, ReadsEverySwitch) {
    std::string error;
    auto o = LabOptions::Parse({"--data",
                                "/d",
                                "--host",
                                "0.0.0.0",
                                "--port",
                                "0",
                                "--max-body-mb",
                                "2",
                                "--refuse-photo",
                                "3",
                                "--drop-after-bytes",
                                "100",
                                "--delay-ms",
                                "5",
                                "--status",
                                "500",
                                "--no-content-length",
                                "--truncate-body",
                                "--html-catalogue",
                                "--drop-upload",
                                "4",
                                "--max-connections-per-address",
                                "0"},
                               error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->maxConnectionsPerAddress, 0u);
    EXPECT_EQ(LabOptions::Parse({"--data", "/d"}, error)->maxConnectionsPerAddress, 8u);
    EXPECT_EQ(o->dataDir, "/d");
    EXPECT_EQ(o->host, "0.0.0.0");
    EXPECT_EQ(o->port, 0);
    EXPECT_EQ(o->maxBodyBytes, 2u << 20);
    EXPECT_EQ(o->faults.refusePhoto, 3);
    EXPECT_EQ(o->faults.dropUpload, 4);
    EXPECT_EQ(o->faults.dropAfterBytes, 100u);
    EXPECT_EQ(o->faults.delayMs, 5);
    EXPECT_EQ(o->faults.status, 500);
    EXPECT_TRUE(o->faults.noContentLength && o->faults.truncateBody && o->faults.htmlCatalogue);

    EXPECT_FALSE(LabOptions::Parse({"--data"}, error));
    EXPECT_FALSE(LabOptions::Parse({"--data", "/d", "--status", "42"}, error));
    EXPECT_FALSE(LabOptions::Parse({"--data", "/d", "--max-body-mb", "0"}, error));
    auto photos = LabOptions::Parse({"--make-sample-photos", "/p", "4"}, error);
    ASSERT_TRUE(photos);
    EXPECT_EQ(photos->mode, LabOptions::Mode::MakePhotos);
    EXPECT_EQ(photos->photoCount, 4);
}

}  // namespace
}  // namespace orlavo::lab
