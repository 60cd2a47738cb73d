#include "wizard/transmission/OrderSend.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "platform/XmlDocument.h"
#include "tests/support/LabProcess.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/transmission/OrderSample.h"
#include "wizard/transmission/OrderResume.h"

namespace orlavo::transmission {
namespace {

namespace fs = std::filesystem;

// Counts Finished() and lets the test wait for it.
class EndWatch : public UploadReporter {
public:
    void OrderRange(int) override {}
    void OrderPosition(int) override {}
    void ImageRange(int) override {}
    void ImagePosition(int) override {}
    void Thumbnail(int) override {}
    void Estimate(const std::string&) override {}
    void Notice(const std::string&) override {}
    void Finished() override {
        {
            std::lock_guard lock(mutex_);
            ++finished_;
            thread_ = std::this_thread::get_id();
        }
        changed_.notify_all();
    }
    bool waitFinished() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return finished_ > 0; });
    }
    int finished() {
        std::lock_guard lock(mutex_);
        return finished_;
    }
    std::thread::id thread() {
        std::lock_guard lock(mutex_);
        return thread_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int finished_ = 0;
    std::thread::id thread_;
};

TEST(OrderSend, NothingToSendEndsAtOnceWithAMessage) {
    wizard::CXmlDocuments loaded;
    ASSERT_TRUE(samples::LoadSample(loaded));
    ASSERT_TRUE(SetCustomerDetails(loaded, samples::Customer(), std::nullopt));
    wizard::CXmlDocuments empty;  // no catalogue, so no manifest template
    const struct {
        const char* name;
        const wizard::CXmlDocuments& docs;
        int quantity;
        const char* message;
    } cases[] = {
        {"no manifest template", empty, 1, "Unspecified error"},
        {"no print in the order", loaded, 0, "You must select a picture"},
    };
    for (const auto& c : cases) {
        wizard::OrderModel order(4);
        order.AddPhoto("/nowhere/a.jpg", 0, 10, 1, 1);
        order.SetQuantity(0, 0, c.quantity);
        EndWatch watch;
        UploadSettings settings;
        settings.uploadUrl = "http://127.0.0.1:9/upload";
        OrderSend send(settings, watch);
        send.Start(c.docs, order);
        EXPECT_EQ(watch.finished(), 1) << c.name;
        EXPECT_EQ(watch.thread(), std::this_thread::get_id());
        SendOutcome outcome = send.Outcome();
        EXPECT_EQ(outcome.kind, SendOutcome::Kind::Failed) << c.name;
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_FALSE(send.Cancel());
    }
}

TEST(OrderSend, EachSendIsOneCompleteOrderUnderItsOwnIdAndALateCancelChangesNothing) {
    test::TempDir data;
    test::TempDir photos;
    ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(photos.path(), 2));
    test::LabProcess lab(data.path());
    ASSERT_TRUE(lab.running()) << lab.error();

    wizard::CXmlDocuments docs;
    wizard::ShopList shops;
    docs.setProgramVersion("2.0.44.3");
    ASSERT_EQ(docs.Load(lab.url("/catalogue.xml"), shops), "");
    ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
    wizard::OrderModel order(docs.GetProductCount());
    for (const char* name : {"sample_001.jpg", "sample_002.jpg"}) {
        fs::path p = photos.path() / name;
        order.SetQuantity(order.AddPhoto(p.string(), 0, fs::file_size(p), 0, 0), 0, 2);
    }

    UploadSettings settings;
    settings.uploadUrl = lab.url("/upload");
    std::string ids[2];
    for (std::string& id : ids) {
        EndWatch watch;
        OrderSend send(settings, watch);
        send.Start(docs, order);
        ASSERT_TRUE(watch.waitFinished());
        EXPECT_FALSE(send.Cancel());
        SendOutcome outcome = send.Outcome();
        EXPECT_EQ(outcome.kind, SendOutcome::Kind::Sent) << outcome.message;
        EXPECT_EQ(send.itemCount(), 2);
        EXPECT_EQ(watch.finished(), 1);
        id = send.orderId();
        for (const char* kept : {"photo-001.xml", "photo-002.xml"})
            EXPECT_TRUE(fs::exists(lab.ordersDir() / id / kept)) << id << " " << kept;
    }
    EXPECT_NE(ids[0], ids[1]);
}

// An order of sample photos sent to a real lab, its journal in a folder of its own.
class LabOrder : public ::testing::Test {
protected:
    void startLab(std::vector<std::string> args, int photoCount) {
        ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(photos.path(), photoCount));
        lab = std::make_unique<test::LabProcess>(data.path(), std::move(args));
        ASSERT_TRUE(lab->running()) << lab->error();
        wizard::ShopList shops;
        docs.setProgramVersion("2.0.44.3");
        ASSERT_EQ(docs.Load(lab->url("/catalogue.xml"), shops), "");
        ASSERT_TRUE(SetCustomerDetails(docs, samples::Customer(), std::nullopt));
        order.setProductCount(docs.GetProductCount());
        for (int i = 1; i <= photoCount; ++i) {
            const fs::path p = photos.path() / ("sample_00" + std::to_string(i) + ".jpg");
            order.SetQuantity(order.AddPhoto(p.string(), 0, fs::file_size(p), 0, 0), 0, i);
        }
    }
    UploadSettings settings() const {
        using namespace std::chrono_literals;
        UploadSettings s;
        s.uploadUrl = lab->url("/upload");
        s.retryPauses = {10ms, 10ms, 10ms};
        return s;
    }
    // Runs one send to its outcome: a new order, or the rest of CLAIM's.
    SendOutcome send(std::unique_ptr<JournalClaim> claim = nullptr) {
        EndWatch watch;
        OrderSend send(settings(), watch);
        send.KeepJournal(JournalFolder(journals.path().string()), "Kiosk");
        if (claim)
            send.StartResume(docs, order, std::move(claim));
        else
            send.Start(docs, order);
        EXPECT_TRUE(watch.waitFinished());
        SendOutcome outcome = send.Outcome();
        unfinished = send.TakeUnfinished();
        return outcome;
    }
    // Photo number -> the photo's bytes, of the one order the lab holds.
    std::map<int, std::string> keptPhotos(std::string& orderId, int& count) const {
        std::map<int, std::string> kept;
        std::vector<fs::path> orders;
        for (const auto& entry : fs::directory_iterator(lab->ordersDir()))
            orders.push_back(entry.path());
        EXPECT_EQ(orders.size(), 1u);
        if (orders.size() != 1)
            return kept;
        orderId = orders[0].filename().string();
        for (const auto& entry : fs::directory_iterator(orders[0])) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() != ".xml")
                continue;
            xml::Document m;
            EXPECT_TRUE(m.loadBytes(test::ReadFile(entry.path())));
            const int number = std::atoi(
                m.selectSingle("transfermanifest/file").attribute("currentnumphoto").c_str());
            count =
                std::atoi(m.selectSingle("transfermanifest/extra").attribute("numphotos").c_str());
            EXPECT_EQ(m.selectSingle("transfermanifest/extra").attribute("uniqueid"), orderId);
            for (const auto& photo : fs::directory_iterator(orders[0])) {
                const std::string p = photo.path().filename().string();
                if (p.rfind(name.substr(0, name.size() - 4) + "-", 0) == 0)
                    kept[number] = test::ReadFile(photo.path());
            }
        }
        return kept;
    }
    std::string photoBytes(int i) const {
        return test::ReadFile(photos.path() / ("sample_00" + std::to_string(i) + ".jpg"));
    }

    test::TempDir data{"orlavo-lab-data"};
    test::TempDir photos{"orlavo-photos"};
    test::TempDir journals{"orlavo-state"};
    std::unique_ptr<test::LabProcess> lab;
    wizard::CXmlDocuments docs;
    wizard::OrderModel order;
    std::unique_ptr<JournalClaim> unfinished;
};

TEST_F(LabOrder, ConnectionDroppedAtTheThirdOfSixPhotosIsRetriedIntoOneWholeOrder) {
    startLab({"--drop-upload", "3"}, 6);
    const SendOutcome outcome = send();
    EXPECT_EQ(outcome.kind, SendOutcome::Kind::Sent) << outcome.message;
    std::string id;
    int count = 0;
    const std::map<int, std::string> kept = keptPhotos(id, count);
    ASSERT_EQ(kept.size(), 6u);
    EXPECT_EQ(count, 6);
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(kept.at(i), photoBytes(i)) << i;
    // A whole order leaves no journal behind.
    EXPECT_EQ(unfinished, nullptr);
    EXPECT_TRUE(fs::is_empty(journals.path()));
}

TEST_F(LabOrder, RefusalIsNotRetriedAndTheRestGoesLaterUnderTheSameIdWithTheChangedPhotoAgain) {
    startLab({"--refuse-photo", "2"}, 3);
    const SendOutcome refused = send();
    EXPECT_EQ(refused.kind, SendOutcome::Kind::Failed);
    EXPECT_EQ(refused.message, "UNABLE_SEND_ORDER");
    // Tried again, the refused photo would have been the third received, and taken.
    std::string id;
    int count = 0;
    EXPECT_EQ(keptPhotos(id, count).size(), 1u);
    ASSERT_NE(unfinished, nullptr);
    EXPECT_EQ(unfinished->journal().orderId, id);
    EXPECT_EQ(unfinished->journal().acceptedCount(), 1);
    // Nothing of the card in the journal.
    const std::string journal = test::ReadFile(unfinished->file());
    for (const char* secret : {"4111111111111111", "A BYRON", "\t737\n"})
        EXPECT_EQ(journal.find(secret), std::string::npos) << secret;

    // The program ends; the photo that reached the lab is edited meanwhile.
    unfinished.reset();
    fs::copy_file(photos.path() / "sample_002.jpg", photos.path() / "sample_001.jpg",
                  fs::copy_options::overwrite_existing);
    { std::ofstream(photos.path() / "sample_001.jpg", std::ios::app) << std::string(7, 'x'); }
    const std::string nowFirst = photoBytes(1);

    JournalFolder folder(journals.path().string());
    const JournalScan scan = folder.Scan("Kiosk");
    ASSERT_EQ(scan.orders.size(), 1u);
    std::string error;
    std::unique_ptr<JournalClaim> claim = folder.ClaimInterrupted(id, error);
    ASSERT_NE(claim, nullptr) << error;
    const ResumePlan plan = PlanResumeNow(claim->journal(), docs);
    EXPECT_EQ(plan.numbers, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(plan.changed, (std::vector<int>{1}));
    // The order as it was: its file sizes as they are now.
    order = wizard::OrderModel();
    ASSERT_EQ(RestoreOrder(claim->journal(), docs, order), "");

    const SendOutcome resumed = send(std::move(claim));
    EXPECT_EQ(resumed.kind, SendOutcome::Kind::Sent) << resumed.message;
    std::string sameId;
    const std::map<int, std::string> kept = keptPhotos(sameId, count);
    EXPECT_EQ(sameId, id);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.at(1), nowFirst);
    EXPECT_EQ(kept.at(3), photoBytes(3));
    EXPECT_EQ(unfinished, nullptr);
    EXPECT_TRUE(folder.Scan("Kiosk").orders.empty());
}

}  // namespace
}  // namespace orlavo::transmission
