#include "wizard/transmission/OrderJournal.h"

#include <gtest/gtest.h>

#include "platform/PrivateFiles.h"
#include "tests/transmission/OrderSample.h"
#include "tests/transmission/TempFiles.h"
#include "wizard/transmission/TransferManifest.h"

namespace orlavo::transmission {
namespace {

// A journal whose texts hold every byte the format must carry.
OrderJournal Awkward() {
    OrderJournal j;
    j.orderId = "AbC123xyz456QwE";
    j.profile = "Kiosk\t2";
    j.uploadUrl = "https://lab.example/upload?a=1&b=\\2";
    j.startedAt = 1733569200;
    j.details = WithoutCardData(samples::Customer());
    j.details.address2 = "Flat 2\\B\r\n";
    j.details.city = "Zürich";
    j.dealerNumber = "";
    JournalPhoto a;
    a.number = 1;
    a.path = "/home/ada/Bilder/Ferien\t1\n\x01\x7F.jpg";
    a.size = 5000000000;
    a.modifiedNs = -12;
    a.width = 4000;
    a.height = 3000;
    a.lines = {{"P6x4", 2, 0}, {"P 10\\x8", 1, 2}};
    a.accepted = true;
    JournalPhoto b;
    b.number = 2;
    b.path = "/tmp/b.jpg";
    b.contentTypeIndex = 3;
    b.lines = {{"P7x5", 999, 1}};
    j.photos = {a, b};
    return j;
}

TEST(OrderJournal, TextCarriesEveryValueBackUnchanged) {
    const OrderJournal j = Awkward();
    const std::string text = FormatJournal(j);
    const JournalReading r = ParseJournal(text);
    ASSERT_EQ(r.status, JournalReading::Status::Ok) << r.problem << "\n" << text;
    EXPECT_EQ(r.version, kJournalVersion);
    const OrderJournal& k = r.journal;
    EXPECT_EQ(k.orderId, j.orderId);
    EXPECT_EQ(k.profile, j.profile);
    EXPECT_EQ(k.uploadUrl, j.uploadUrl);
    EXPECT_EQ(k.startedAt, j.startedAt);
    EXPECT_EQ(k.dealerNumber, std::optional<std::string>(""));
    for (const wizard::CustomerField& f : wizard::CustomerFields())
        EXPECT_EQ(k.details.*f.member, j.details.*f.member) << f.attribute;
    ASSERT_EQ(k.photoCount(), 2);
    EXPECT_EQ(k.photos[0].path, j.photos[0].path);
    EXPECT_EQ(k.photos[0].size, 5000000000u);
    EXPECT_EQ(k.photos[0].modifiedNs, -12);
    EXPECT_EQ(k.photos[0].lines, j.photos[0].lines);
    EXPECT_TRUE(k.photos[0].accepted);
    EXPECT_FALSE(k.photos[1].accepted);
    EXPECT_EQ(k.photos[1].contentTypeIndex, 3);
    EXPECT_EQ(k.acceptedCount(), 1);
    EXPECT_EQ(FormatJournal(k), text);
    // One record a line, whatever the texts hold.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 36);
}

TEST(OrderJournal, NewJournalTakesThePhotosWithLinesAndNoCardData) {
    test::TempDir folder;
    wizard::CXmlDocuments docs;
    ASSERT_TRUE(samples::LoadSample(docs));
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::string("D-77")));
    wizard::OrderModel order(docs.GetProductCount());
    for (int i = 0; i < 3; ++i) {
        const std::string path =
            folder.write("p" + std::to_string(i) + ".jpg", test::PatternBytes(100 + i));
        order.AddPhoto(path, 0, 1, 640, 480);
    }
    order.SetQuantity(0, 3, 2);
    order.SetZoomTrim(0, 3, 1);
    order.SetQuantity(2, 0, 1);  // the middle photo has no line and is not sent

    const OrderJournal j = NewJournal("ABCDEFGHIJKLMNO", "P", "http://lab/upload", 9, docs, order);
    ASSERT_EQ(j.photoCount(), 2);
    EXPECT_EQ(j.photos[1].number, 2);
    EXPECT_EQ(j.photos[1].path, order.photos()[2].path);
    EXPECT_EQ(j.photos[0].lines, (std::vector<JournalLine>{{"P10x8", 2, 1}}));
    // The file as it is, not the size recorded when it was chosen.
    EXPECT_EQ(j.photos[1].size, 102u);
    EXPECT_EQ(j.photos[1].modifiedNs, StampOf(j.photos[1].path)->modifiedNs);
    EXPECT_EQ(j.details.country, "United Kingdom");
    EXPECT_EQ(j.details.shippingCountry, "France");
    EXPECT_EQ(j.details.vouchercode, "SPRING ");
    EXPECT_EQ(j.dealerNumber, std::optional<std::string>("D-77"));

    const std::string text = FormatJournal(j);
    for (const char* secret : {"4111111111111111", "A BYRON", "ccnumber", "securitycode",
                               "nameoncard", "ccexpire", "ccstart", "issueno"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    EXPECT_NE(text.find("payment.cctype\t1"), std::string::npos);
}

TEST(OrderJournal, TextThatIsNotAWholeJournalIsRefusedAsDamaged) {
    const std::string good = FormatJournal(Awkward());
    // Cut anywhere, it is never taken for a journal.
    for (std::size_t n = 0; n < good.size(); ++n)
        ASSERT_EQ(ParseJournal(good.substr(0, n)).status, JournalReading::Status::Damaged) << n;

    const auto replaced = [&good](std::string_view from, std::string_view to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const struct {
        const char* name;
        std::string text;
        std::string problem;
    } cases[] = {
        {"a web page", "<html><title>DONE</title></html>\n",
         "not an order journal of this program"},
        {"another format", replaced("Orlavo order journal", "Orlavo order Journal"),
         "not an order journal of this program"},
        {"unknown record", replaced("started\t", "begun\t"), "damaged at line 5"},
        {"bad escape", replaced("\\\\2", "\\q2"), "damaged at line 4"},
        {"order id of another alphabet", replaced("AbC123xyz456QwE", "AbC123xyz456Qw!"),
         "damaged at line 2"},
        {"order twice", replaced("profile\t", "order\tAbC123xyz456QwE\nprofile\t"),
         "damaged at line 3"},
        {"photo out of turn", replaced("photo\t2\t", "photo\t3\t"), "damaged at line 33"},
        {"line of another photo", replaced("line\t2\t", "line\t1\t"), "damaged at line 34"},
        {"zoom and trim 3", replaced("\t999\t1\t", "\t999\t3\t"), "damaged at line 34"},
        {"no quantity", replaced("\t999\t1\t", "\t0\t1\t"), "damaged at line 34"},
        {"accepted photo that is not there", replaced("accepted\t1", "accepted\t9"),
         "damaged at line 35"},
        {"photo count at the end", replaced("end\t2", "end\t3"), "damaged at line 36"},
        {"more after the end", good + "accepted\t2\n", "damaged at line 37"},
        {"card number", replaced("detail\tpayment.cctype", "detail\tpayment.ccnumber"),
         "it holds card data, which Orlavo never keeps on disk"},
        {"security code", replaced("detail\tpayment.cctype", "detail\tpayment.securitycode"),
         "it holds card data, which Orlavo never keeps on disk"},
    };
    for (const auto& c : cases) {
        const JournalReading r = ParseJournal(c.text);
        EXPECT_EQ(r.status, JournalReading::Status::Damaged) << c.name;
        EXPECT_EQ(r.problem, c.problem) << c.name;
    }
}

TEST(OrderJournal, VersionsOtherThanThisOneAreToldApart) {
    std::string text = FormatJournal(Awkward());
    const auto withVersion = [&text](const std::string& v) {
        std::string t = text;
        t.replace(t.find('\t') + 1, 1, v);
        return t;
    };
    const JournalReading older = ParseJournal(withVersion("0"));
    EXPECT_EQ(older.status, JournalReading::Status::Older);
    EXPECT_EQ(older.problem,
              "written by an older version of Orlavo (journal version 0), which this version "
              "cannot read");
    const JournalReading newer = ParseJournal(withVersion("4"));
    EXPECT_EQ(newer.status, JournalReading::Status::Newer);
    EXPECT_EQ(newer.problem, "written by a newer version of Orlavo (journal version 4)");
    // A newer journal is refused before its records are read: they may be anything.
    EXPECT_EQ(ParseJournal("Orlavo order journal\t7\nwhatever comes\n").status,
              JournalReading::Status::Newer);
    EXPECT_EQ(ParseJournal(withVersion("x")).status, JournalReading::Status::Damaged);
}

TEST(OrderJournal, TurnsAndCropsComeBackAndAJournalOfTheFirstVersionIsStillRead) {
    OrderJournal j = Awkward();
    j.photos[0].turn = 270;
    j.photos[1].lines[0].crop = {16, 0, 1200, 800};
    const JournalReading back = ParseJournal(FormatJournal(j));
    ASSERT_EQ(back.status, JournalReading::Status::Ok) << back.problem;
    EXPECT_EQ(back.journal.photos[0].turn, 270);
    EXPECT_EQ(back.journal.photos[1].turn, 0);
    EXPECT_EQ(back.journal.photos[1].lines[0].crop, (wizard::CropBox{16, 0, 1200, 800}));
    EXPECT_TRUE(back.journal.photos[0].lines[0].crop.empty());

    // Written by the first version: no turn, no crop, read as such.
    std::string first = FormatJournal(Awkward());
    first.replace(first.find('\t') + 1, 1, "1");
    const JournalReading old = ParseJournal(first);
    ASSERT_EQ(old.status, JournalReading::Status::Ok) << old.problem;
    EXPECT_EQ(old.journal.photos[0].turn, 0);
    EXPECT_EQ(old.journal.photos.size(), Awkward().photos.size());

    // Records that do not fit where they stand.
    const std::string good = FormatJournal(j);
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const std::string oldWithTurn = [&] {
        std::string t = good;
        t.replace(t.find('\t') + 1, 1, "1");
        return t;
    }();
    for (const std::string& bad :
         {replaced("turn\t1\t270", "turn\t1\t45"), replaced("turn\t1\t270", "turn\t2\t270"),
          replaced("crop\t2\t16\t0\t1200\t800", "crop\t2\t16\t0\t0\t800"),
          replaced("crop\t2\t16\t0\t1200\t800", "crop\t2\t-1\t0\t1200\t800"),
          replaced("crop\t2\t16\t0\t1200\t800", "crop\t2\t16\t0\t1200"), oldWithTurn})
        EXPECT_EQ(ParseJournal(bad).status, JournalReading::Status::Damaged) << bad;
}

TEST(OrderJournal, AResumeSendsTheRestWithOrWithoutTheLocationAsTheFirstPartWent) {
    OrderJournal j = Awkward();
    EXPECT_EQ(FormatJournal(j).find("location"), std::string::npos) << "kept: no record";
    j.removeLocation = true;
    const std::string text = FormatJournal(j);
    ASSERT_NE(text.find("location\tremove\n"), std::string::npos);
    const JournalReading back = ParseJournal(text);
    ASSERT_EQ(back.status, JournalReading::Status::Ok) << back.problem;
    EXPECT_TRUE(back.journal.removeLocation);
    EXPECT_FALSE(ParseJournal(FormatJournal(Awkward())).journal.removeLocation);
    // A journal from before the choice existed: its photos went as they were.
    std::string second = FormatJournal(Awkward());
    second.replace(second.find('\t') + 1, 1, "2");
    const JournalReading old = ParseJournal(second);
    ASSERT_EQ(old.status, JournalReading::Status::Ok) << old.problem;
    EXPECT_FALSE(old.journal.removeLocation);
    std::string twice = text;
    twice.insert(twice.find("location\tremove\n"), "location\tremove\n");
    std::string unknown = text;
    unknown.replace(unknown.find("location\tremove"), 15, "location\tmaybe");
    std::string inSecond = text;
    inSecond.replace(inSecond.find('\t') + 1, 1, "2");
    for (const std::string& bad : {twice, unknown, inSecond})
        EXPECT_EQ(ParseJournal(bad).status, JournalReading::Status::Damaged) << bad;
}

}  // namespace
}  // namespace orlavo::transmission
