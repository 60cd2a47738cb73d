#include "wizard/transmission/UploadAnswer.h"

#include <gtest/gtest.h>

namespace orlavo::transmission {
namespace {

TEST(PageTitle, CutsTheClosingTagOff) {
    EXPECT_EQ(PageTitle("<HTML><HEAD><TITLE>DONE</TITLE></HEAD></HTML>"), "DONE");
    EXPECT_EQ(PageTitle("<TITLE></TITLE>"), "");
    EXPECT_EQ(PageTitle("<TITLE> DONE </TITLE>"), " DONE ");
}

TEST(PageTitle, NeedsTwoTags) {
    EXPECT_EQ(PageTitle("<HTML><BODY>DONE</BODY></HTML>"), std::nullopt);
    EXPECT_EQ(PageTitle("<TITLE>DONE"), std::nullopt);
    EXPECT_EQ(PageTitle(""), std::nullopt);
}

TEST(PageTitle, IsCaseSensitiveSoCallersFoldFirst) {
    EXPECT_EQ(PageTitle("<title>Done</title>"), std::nullopt);
    EXPECT_EQ(PageTitle(FoldToUpper("<title>Done</title>")), "DONE");
}

TEST(PageTitle, TagsTooCloseGiveAnEmptyTitleNotACrash) {
    EXPECT_EQ(PageTitle("<TITLE>XTITLE>"), "");
}

TEST(FoldToUpper, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(FoldToUpper("aZ09_\xE9-done"), "AZ09_\xE9-DONE");
}

TEST(JudgeUploadAnswer, AcceptsDoneInAnyCase) {
    for (const char* page : {"<html><head><title>Done</title></head></html>", "<TITLE>done</TITLE>",
                             "<Title>DoNe</tItLe>"}) {
        UploadVerdict v = JudgeUploadAnswer(page);
        EXPECT_TRUE(v.accepted) << page;
        EXPECT_EQ(v.message, "");
    }
}

TEST(JudgeUploadAnswer, DoneWithBlanksIsARefusal) {
    UploadVerdict v = JudgeUploadAnswer("<title> done</title>");
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.message, " DONE");
}

TEST(JudgeUploadAnswer, OtherTitlesAreRefusalsInUpperCase) {
    UploadVerdict v = JudgeUploadAnswer("<title>UNABLE_SEND_ORDER</title>");
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.message, "UNABLE_SEND_ORDER");
    EXPECT_EQ(JudgeUploadAnswer("<title>Invalid_Credit_Card</title>").message,
              "INVALID_CREDIT_CARD");
}

TEST(JudgeUploadAnswer, EmptyTitleLeavesTheMessageEmpty) {
    UploadVerdict v = JudgeUploadAnswer("<title></title>");
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.message, "");
}

TEST(JudgeUploadAnswer, PageWithoutTitleIsUnrecognized) {
    UploadVerdict v = JudgeUploadAnswer("<html><body>DONE</body></html>");
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.message, "Unrecognized responce from the server\n(Page title missing)");
}

TEST(JudgeUploadAnswer, EmptyAnswerIsRefused) {
    UploadVerdict v = JudgeUploadAnswer("");
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.message, "Empty response from the server");
}

TEST(JudgeUploadAnswer, OnlyTheFirst8191BytesCount) {
    std::string page(8191 - 7, ' ');
    page += "<title>done</title>";  // the opening tag ends past the limit
    EXPECT_EQ(JudgeUploadAnswer(page).message,
              "Unrecognized responce from the server\n(Page title missing)");
    std::string fits(8191 - 19, ' ');
    fits += "<title>done</title>";
    EXPECT_TRUE(JudgeUploadAnswer(fits).accepted);
}

}  // namespace
}  // namespace orlavo::transmission
