#include "wizard/transmission/JournalFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/PrivateFiles.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"

namespace orlavo::transmission {
namespace {

namespace fs = std::filesystem;

OrderJournal Journal(const std::string& id, const std::string& profile, std::int64_t started) {
    OrderJournal j;
    j.orderId = id;
    j.profile = profile;
    j.uploadUrl = "http://127.0.0.1/upload";
    j.startedAt = started;
    j.details.firstname = "Ada";
    for (int n = 1; n <= 3; ++n) {
        JournalPhoto p;
        p.number = n;
        p.path = "/photos/" + std::to_string(n) + ".jpg";
        p.lines = {{"P1", 1, 0}};
        j.photos.push_back(p);
    }
    return j;
}

class JournalFolderTest : public ::testing::Test {
protected:
    // Writes TEXT as the journal file NAME, private as the program writes them.
    void put(const std::string& name, const std::string& text) {
        ASSERT_EQ(EnsurePrivateFolder(dir.path().string()), "");
        ASSERT_EQ(ReplaceFileAtomically((dir.path() / name).string(), text), "");
    }
    void put(const OrderJournal& j) { put("order-" + j.orderId + ".journal", FormatJournal(j)); }
    bool exists(const std::string& name) const {
        std::error_code ec;
        return fs::symlink_status(dir.path() / name, ec).type() != fs::file_type::not_found;
    }

    test::TempDir dir;
    JournalFolder folder{dir.path().string()};
};

TEST_F(JournalFolderTest, NewOrdersJournalIsPrivateFollowsTheLabAndGoesWhenOver) {
    const fs::path state = dir.path() / "state" / "Vennara" / "OrlavoW";
    JournalFolder deep(state.string());
    std::string error;
    std::unique_ptr<JournalClaim> claim = deep.ClaimNew(Journal("AAAAAAAAAAAAAAA", "", 1), error);
    ASSERT_TRUE(claim) << error;
    struct stat st {};
    ASSERT_EQ(::stat(state.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(claim->file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_EQ(claim->MarkAccepted(2), "");
    JournalReading onDisk = ParseJournal(test::ReadFile(claim->file()));
    ASSERT_EQ(onDisk.status, JournalReading::Status::Ok) << onDisk.problem;
    EXPECT_TRUE(onDisk.journal.photos[1].accepted);
    EXPECT_EQ(onDisk.journal.acceptedCount(), 1);

    claim->Remove();
    claim.reset();
    EXPECT_TRUE(fs::is_empty(state));
}

TEST_F(JournalFolderTest, ScanOffersTheProfilesOrdersNewestFirstAndSetsAsideWhatItCannotUse) {
    put(Journal("AAAAAAAAAAAAAAA", "Kiosk", 100));
    put(Journal("BBBBBBBBBBBBBBB", "Kiosk", 200));
    put(Journal("CCCCCCCCCCCCCCC", "Home", 300));
    put("order-DDDDDDDDDDDDDDD.journal", "garbage\n");
    put("order-EEEEEEEEEEEEEEE.journal", FormatJournal(Journal("XXXXXXXXXXXXXXX", "Kiosk", 1)));
    std::string older = FormatJournal(Journal("FFFFFFFFFFFFFFF", "Kiosk", 1));
    older.replace(older.find('\t') + 1, 1, "0");
    put("order-FFFFFFFFFFFFFFF.journal", older);
    put("order-GGGGGGGGGGGGGGG.journal", "Orlavo order journal\t9\nnew things\n");
    put("order-not-an-id.journal", FormatJournal(Journal("HHHHHHHHHHHHHHH", "Kiosk", 1)));
    fs::create_symlink(dir.path() / "order-AAAAAAAAAAAAAAA.journal",
                       dir.path() / "order-IIIIIIIIIIIIIII.journal");
    put("notes.txt", "not ours");
    // What another program left set aside before stays as it is.
    put("order-JJJJJJJJJJJJJJJ.journal.set-aside", "old");

    const JournalScan scan = folder.Scan("Kiosk");
    ASSERT_EQ(scan.orders.size(), 2u);
    EXPECT_EQ(scan.orders[0].orderId, "BBBBBBBBBBBBBBB");
    EXPECT_EQ(scan.orders[1].orderId, "AAAAAAAAAAAAAAA");
    EXPECT_EQ(scan.notices.size(), 6u);
    for (const char* kept : {"order-CCCCCCCCCCCCCCC.journal", "order-GGGGGGGGGGGGGGG.journal",
                             "notes.txt", "order-JJJJJJJJJJJJJJJ.journal.set-aside"})
        EXPECT_TRUE(exists(kept)) << kept;
    for (const char* id : {"DDDDDDDDDDDDDDD", "EEEEEEEEEEEEEEE", "FFFFFFFFFFFFFFF", "not-an-id",
                           "IIIIIIIIIIIIIII"}) {
        const std::string name = "order-" + std::string(id) + ".journal";
        EXPECT_FALSE(exists(name)) << id;
        EXPECT_TRUE(exists(name + ".set-aside")) << id;
    }
    const auto notice = [&scan](const std::string& start) {
        for (const std::string& n : scan.notices)
            if (n.rfind(start, 0) == 0)
                return n;
        return std::string();
    };
    EXPECT_EQ(notice("The interrupted order in order-DDDDDDDDDDDDDDD.journal"),
              "The interrupted order in order-DDDDDDDDDDDDDDD.journal could not be used and was "
              "set aside as order-DDDDDDDDDDDDDDD.journal.set-aside: not an order journal of this "
              "program.");
    EXPECT_NE(notice("The interrupted order in order-FFFFFFFFFFFFFFF.journal")
                  .find("older version of Orlavo (journal version 0)"),
              std::string::npos);
    EXPECT_EQ(notice("The interrupted order in order-GGGGGGGGGGGGGGG.journal"),
              "The interrupted order in order-GGGGGGGGGGGGGGG.journal cannot be resumed: written "
              "by a newer version of Orlavo (journal version 9).");
    EXPECT_NE(
        notice("The interrupted order in order-IIIIIIIIIIIIIII.journal").find("not yours alone"),
        std::string::npos);

    // Set aside once, gone for good: the next start says nothing of them.
    EXPECT_EQ(folder.Scan("Kiosk").notices.size(), 1u);  // the newer one only
}

TEST_F(JournalFolderTest, OrderInAnotherProgramsHandsIsNeitherOfferedNorClaimed) {
    put(Journal("AAAAAAAAAAAAAAA", "", 1));
    std::string error;
    std::unique_ptr<JournalClaim> first = folder.ClaimInterrupted("AAAAAAAAAAAAAAA", error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->journal().photoCount(), 3);
    EXPECT_TRUE(folder.Scan("").orders.empty());
    EXPECT_FALSE(folder.ClaimInterrupted("AAAAAAAAAAAAAAA", error));
    EXPECT_EQ(error, "This order is being sent or resumed in another Orlavo window.");

    first.reset();  // the first program ended without finishing it
    EXPECT_EQ(folder.Scan("").orders.size(), 1u);
    std::unique_ptr<JournalClaim> second = folder.ClaimInterrupted("AAAAAAAAAAAAAAA", error);
    ASSERT_TRUE(second) << error;
    second->Remove();
    second.reset();
    EXPECT_FALSE(folder.ClaimInterrupted("AAAAAAAAAAAAAAA", error));
    EXPECT_EQ(error,
              "This order is no longer interrupted: it was completed or discarded in another "
              "Orlavo window.");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace orlavo::transmission
