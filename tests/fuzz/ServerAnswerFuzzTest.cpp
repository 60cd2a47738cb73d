// What the lab's server answers to a price request and to an upload, damaged:
// the wizard must read it without crashing and keep its promises about what
// it fills in.

#include <gtest/gtest.h>

#include "resources/WizardResources.h"
#include "tests/fuzz/Mutator.h"
#include "wizard/transmission/PriceQuote.h"
#include "wizard/transmission/UploadAnswer.h"

namespace orlavo::transmission {
namespace {

const std::string kQuote =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceQuote><totals><subprice>2.50</subprice>"
    "<totalprice>4.45</totalprice><discount>0.00</discount><shipping>1.95</shipping>"
    "<numfreeprints>0</numfreeprints></totals><text><msg>Postage to Europe: 1.95 \xA3.</msg></text>"
    "</PriceQuote>";
const std::string kError =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?><PriceRequest><error msg=\"Unknown product "
    "9\"/>"
    "</PriceRequest>";

PriceQuoteInfo Marked() {
    return {"s", "t", "d", "h", "n", "m"};
}

bool Same(const PriceQuoteInfo& a, const PriceQuoteInfo& b) {
    return a.subprice == b.subprice && a.totalprice == b.totalprice && a.discount == b.discount &&
           a.shipping == b.shipping && a.numfreeprints == b.numfreeprints && a.msg == b.msg;
}

TEST(ServerAnswerFuzz, DamagedPriceQuotesAreReadOrRefusedAndAlwaysDumpedWhole) {
    fuzz::Mutator m(5);
    m.addTokens({"<msg>", "</msg>", "<totals>", "</totals>", "<error msg=\"x\"/>", "PriceRequest",
                 "PriceQuote", "encoding=\"UTF-8\""});
    int read = 0, wrong = 0, refused = 0;
    for (int i = 0; i < fuzz::Rounds(3000); ++i) {
        const std::string answer = m.mutate(i % 3 == 0 ? kError : kQuote);
        int dumps = 0;
        const DiagnosticSink dump = [&](std::string_view file, std::string_view bytes) {
            ++dumps;
            EXPECT_EQ(file, "!QRT2_request.txt");
            EXPECT_EQ(bytes, answer);
            return true;
        };
        PriceQuoteInfo info = Marked();
        const std::string result = ParsePriceQuote(answer, info, dump);
        EXPECT_EQ(dumps, 1);
        if (result == wizard::Str(3418)) {
            ++wrong;
            EXPECT_TRUE(Same(info, Marked()));
        } else if (!result.empty()) {
            ++refused;
            // A refusal never touches the last quote.
            EXPECT_TRUE(Same(info, Marked()));
            EXPECT_LE(result.size(), answer.size() * 2);
        } else {
            ++read;
            for (const std::string* f : {&info.subprice, &info.totalprice, &info.discount,
                                         &info.shipping, &info.numfreeprints, &info.msg})
                EXPECT_LE(f->size(), answer.size() * 2);
        }
    }
    // A conforming parser refuses most mutations as not well-formed; each
    // outcome still occurs often.
    EXPECT_GT(read, 20);
    EXPECT_GT(wrong, 300);
    EXPECT_GT(refused, 10);
}

TEST(ServerAnswerFuzz, RandomBytesAsAQuoteAreAWrongResponse) {
    fuzz::Mutator m(6);
    for (int i = 0; i < fuzz::Rounds(1000); ++i) {
        const std::string answer = "\x01" + m.randomBytes(m.below(200));
        PriceQuoteInfo info = Marked();
        EXPECT_EQ(ParsePriceQuote(answer, info), wizard::Str(3418));
        EXPECT_TRUE(Same(info, Marked()));
    }
}

// The title, when there is one, is a piece of the answer between two tags.
void CheckTitle(std::string_view answer) {
    const std::optional<std::string> title = PageTitle(answer);
    const std::size_t first = answer.find("TITLE>");
    if (first == std::string_view::npos) {
        EXPECT_FALSE(title);
        return;
    }
    if (!title)
        return;
    ASSERT_LE(title->size(), answer.size());
    if (!title->empty()) {
        EXPECT_EQ(answer.substr(first + 6, title->size()), *title);
    }
}

TEST(ServerAnswerFuzz, UploadAnswersOfAnyShapeAreJudgedWithinTheLimit) {
    fuzz::Mutator m(8191);
    m.addTokens({"TITLE>", "<title>", "</title>", "<TITLE>", "</TITLE>", "DONE", "done",
                 "INVALID_CREDIT_CARD", "T", ">"});
    const std::string seeds[] = {
        "<html><head><title>DONE</title></head><body>ok</body></html>",
        "<HTML><TITLE>INVALID_CREDIT_CARD</TITLE></HTML>",
        "TITLE>TITLE>",
        "<title></title>",
    };
    int accepted = 0, refused = 0;
    for (int i = 0; i < fuzz::Rounds(5000); ++i) {
        std::string answer = m.mutate(seeds[static_cast<std::size_t>(i) % std::size(seeds)]);
        if (i % 50 == 0)
            answer += std::string(kAnswerLimit, 'x') + "<title>DONE</title>";
        CheckTitle(answer);
        CheckTitle(FoldToUpper(answer));

        const std::string folded = FoldToUpper(answer);
        ASSERT_EQ(folded.size(), answer.size());
        EXPECT_EQ(FoldToUpper(folded), folded);
        EXPECT_EQ(folded.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos);

        const UploadVerdict verdict = JudgeUploadAnswer(answer);
        if (verdict.accepted) {
            ++accepted;
            EXPECT_TRUE(verdict.message.empty());
            EXPECT_NE(folded.substr(0, kAnswerLimit).find("DONE"), std::string::npos);
        } else {
            ++refused;
            EXPECT_LE(verdict.message.size(), kAnswerLimit + 100);
        }
        // Nothing past the limit plays a part.
        const UploadVerdict cut =
            JudgeUploadAnswer(std::string_view(answer).substr(0, kAnswerLimit));
        EXPECT_EQ(cut.accepted, verdict.accepted);
        EXPECT_EQ(cut.message, verdict.message);
    }
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace orlavo::transmission
