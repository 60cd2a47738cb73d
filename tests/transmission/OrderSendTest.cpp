#include "wizard/transmission/OrderSend.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "tests/support/LabProcess.h"
#include "tests/support/TempDir.h"
#include "tests/transmission/OrderSample.h"

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

}  // namespace
}  // namespace orlavo::transmission
