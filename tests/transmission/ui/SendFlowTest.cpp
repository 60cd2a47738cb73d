// "Send Order" against a real lab: success, refusals and faults, each
// followed by what the user can do next.

#include <QLabel>
#include <QProgressBar>

#include "wizard/app/ResumeOffer.h"

#include "tests/transmission/ui/SendTestSupport.h"

namespace orlavo::transmission::uitest {
namespace {

using Kind = SendOutcome::Kind;

class SendFlowTest : public SendTest {
public:
    // The order of every test: three photos with lines of their own.
    void threePhotos(const wizard::CustomerDetails& customer = Customer()) {
        prepareOrder({{{0, 2}}, {{1, 1}, {3, 1}}, {{0, 1}}}, customer);
    }
    // The lab holds the three photos of the order ID, numbered 1 to 3 of 3.
    void expectCompleteOrder(const std::string& id) {
        std::vector<KeptPhoto> kept = keptPhotos(id);
        ASSERT_EQ(kept.size(), 3u) << id;
        const std::vector<std::pair<std::string, std::string>> products[] = {
            {{"101", "2"}}, {{"102", "1"}, {"104", "1"}}, {{"101", "1"}}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(kept[i].number, i + 1);
            EXPECT_EQ(kept[i].count, 3);
            EXPECT_EQ(kept[i].orderId, id);
            EXPECT_EQ(kept[i].firstName, "Ada");
            EXPECT_EQ(kept[i].products, products[i]) << "photo " << i + 1;
        }
    }
    // Still on step 4 with the whole order, ready to send again: the rest of
    // it when RESUMABLE, the whole of it otherwise.
    void expectOrderIntact(bool resumable) {
        EXPECT_TRUE(sheet().isVisible());
        EXPECT_EQ(sheet().activeIndex(), 3);
        EXPECT_EQ(sheet().nextButton()->text(), resumable ? "Resume Order" : "Send Order");
        EXPECT_EQ(page().resumeNote()->isVisible(), resumable);
        EXPECT_EQ(page().uploadDialog(), nullptr);
        ASSERT_EQ(app_->order.PhotoCount(), 3u);
        EXPECT_EQ(app_->order.PhotoAt(1).orderLines[3].quantity, 1);
        EXPECT_EQ(app_->selectedThumbnails.count(), 4u);
    }
    // The one order the lab holds.
    std::string onlyOrder() {
        std::vector<std::string> now = keptOrders();
        EXPECT_EQ(now.size(), 1u);
        return now.empty() ? std::string() : now.front();
    }
    std::string onlyNewOrder(const std::vector<std::string>& before) {
        std::vector<std::string> now = keptOrders();
        std::vector<std::string> added;
        for (const std::string& id : now)
            if (std::find(before.begin(), before.end(), id) == before.end())
                added.push_back(id);
        EXPECT_EQ(added.size(), 1u);
        return added.empty() ? std::string() : added.front();
    }
};

TEST_F(SendFlowTest, SentOrderReachesTheLabAndOrderMorePhotosStartsAnEmptyOrder) {
    start();
    startLab();
    threePhotos();
    showSummary();
    std::optional<SendOutcome> outcome = send();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    EXPECT_TRUE(effects.messages.empty());
    const std::vector<std::string> orders = keptOrders();
    ASSERT_EQ(orders.size(), 1u);
    expectCompleteOrder(orders.front());

    COrderSuccessfulPage* sent = successWindow();
    ASSERT_NE(sent, nullptr);
    EXPECT_TRUE(sent->isVisible());
    EXPECT_FALSE(sheet().isVisible());
    QTest::mouseClick(sent->orderMoreButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet().isVisible());
    EXPECT_EQ(sheet().activeIndex(), 0);
    EXPECT_EQ(sheet().nextButton()->text(), "Continue");
    EXPECT_EQ(app_->order.PhotoCount(), 0u);
    EXPECT_EQ(app_->selectedThumbnails.count(), 1u);
}

TEST_F(SendFlowTest, ExitOrlavoAfterASentOrderEndsTheWizard) {
    start();
    startLab();
    prepareOrder({{{0, 1}}});
    showSummary();
    std::optional<SendOutcome> outcome = send();
    ASSERT_TRUE(outcome);
    ASSERT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    ASSERT_NE(successWindow(), nullptr);
    QTest::mouseClick(successWindow()->exitButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_EQ(sheet().result(), COrderSuccessfulPage::kExit);
    EXPECT_TRUE(effects.messages.empty());  // no quit question
}

// After a send that failed, the page offers what fits: the rest of the order
// under its id when some photos reached the lab, else the whole order anew.
// Either way the order ends whole on the lab's side, once, and no journal is
// left.
TEST_F(SendFlowTest, RefusalsShowTheirSentenceAndTheOrderGoesOnFromWhereItStopped) {
    wizard::CustomerDetails badCard = Customer();
    badCard.ccnumber = "4111111111111112";  // fails the lab's card check
    const struct {
        const char* name;
        std::vector<std::string> labArgs;
        wizard::CustomerDetails customer;
        QString message;
        std::size_t keptBefore;  // photos of the refused order that the lab kept
    } cases[] = {
        {"second photo refused",
         {"--refuse-photo", "2"},
         Customer(),
         "We are unable to process your order at this time. Please try again later.",
         1},
        {"card refused", {}, badCard, "Your credit card was not accepted. Please try again", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        effects.messages.clear();
        start();
        startLab(c.labArgs);
        threePhotos(c.customer);
        showSummary();
        std::optional<SendOutcome> outcome = send();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->kind, Kind::Failed);
        EXPECT_TRUE(outcome->serverRefused);
        ASSERT_EQ(effects.messages.size(), 1u);
        EXPECT_EQ(effects.messages[0].text, c.message);
        EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
        EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);
        expectOrderIntact(c.keptBefore > 0);
        const std::vector<std::string> before = keptOrders();
        std::size_t kept = 0;
        for (const std::string& id : before)
            kept += keptPhotos(id).size();
        EXPECT_EQ(kept, c.keptBefore);
        EXPECT_EQ(journals().size(), 1u);

        // The lab's next photos are taken (the refusal was the second one
        // received); a card mended on step 3 goes through.
        ASSERT_TRUE(SetCustomerDetails(app_->xml, Customer(), std::nullopt));
        outcome = send();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
        expectCompleteOrder(c.keptBefore > 0 ? onlyOrder() : onlyNewOrder(before));
        EXPECT_TRUE(journals().empty());
        app_.reset();
        fs::remove_all(lab().ordersDir());
    }
}

TEST_F(SendFlowTest, FaultsEndWithAMessageOnStepFourAndTheOrderGoesOnceTheyAreCleared) {
    const struct {
        const char* name;
        std::vector<std::string> labArgs;
        // Spoils the send once the upload window is open; empty for none.
        std::function<void(SendFlowTest&)> during;
        std::function<void(SendFlowTest&)> before;
        std::function<void(SendFlowTest&)> clear;
        QString message;  // empty: any text
        bool resumable;   // some photos reached the lab before it stopped
    } cases[] = {
        {"photo deleted after it was ticked",
         {},
         {},
         [](SendFlowTest& t) { fs::remove(t.photoPath(1)); },
         [](SendFlowTest& t) {
             fs::copy_file(samples_->path() / "sample_002.jpg", t.photoPath(1));
         },
         {},
         true},
        {"connection dropped in the middle of every file",
         {"--drop-after-bytes", "4000"},
         {},
         {},
         [](SendFlowTest& t) { t.startLab(); },
         {},
         false},
        {"lab that stalls",
         {"--delay-ms", "8000"},
         {},
         [](SendFlowTest& t) { t.page().setTransferLimits(1, {}); },
         [](SendFlowTest& t) {
             t.lab().stop(SIGKILL);
             t.startLab();
         },
         "Timeout was reached",
         false},
        {"lab stopped in the middle of an order",
         {"--delay-ms", "300"},
         [](SendFlowTest& t) {
             // Once the first photo has arrived.
             ASSERT_TRUE(QTest::qWaitFor([&t] { return !t.keptOrders().empty(); }, 20000));
             t.lab().stop();
         },
         {},
         [](SendFlowTest& t) { t.startLab(); },
         {},
         true},
        {"lab's server in error",
         {"--status", "500"},
         {},
         {},
         [](SendFlowTest& t) { t.startLab(); },
         "The lab's server had an error (HTTP status 500).",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        effects.messages.clear();
        start();
        startLab();
        threePhotos();
        // The fault from here on: the catalogue came from a sound lab.
        startLab(c.labArgs);
        showSummary();
        if (c.before)
            c.before(*this);
        std::optional<SendOutcome> outcome;
        QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                         [&outcome](const SendOutcome& o) { outcome = o; });
        ASSERT_NE(pressSend(), nullptr);
        if (c.during)
            c.during(*this);
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 60000));
        EXPECT_EQ(outcome->kind, Kind::Failed);
        EXPECT_FALSE(outcome->serverRefused);
        ASSERT_EQ(effects.messages.size(), 1u);
        EXPECT_FALSE(effects.messages[0].text.isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_EQ(effects.messages[0].text, c.message);
        }
        EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);
        expectOrderIntact(c.resumable);

        const std::vector<std::string> before = keptOrders();
        c.clear(*this);
        outcome = send();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
        expectCompleteOrder(c.resumable ? onlyOrder() : onlyNewOrder(before));
        EXPECT_TRUE(journals().empty());
        app_.reset();
        lab_.reset();
        fs::remove_all(labData_.path() / "orders");
    }
}

TEST_F(SendFlowTest, StartAgainSendsTheWholeOrderAnewAndGivesUpTheOneThatStopped) {
    start();
    startLab({"--refuse-photo", "3"});
    threePhotos();
    showSummary();
    std::optional<SendOutcome> outcome = send();
    ASSERT_TRUE(outcome);
    ASSERT_EQ(outcome->kind, Kind::Failed);
    ASSERT_TRUE(page().resuming());
    const std::string stopped = onlyOrder();
    EXPECT_EQ(page().resumeNote()->text().toStdString(),
              "This order stopped before every photo reached the lab.\n2 of 3 photos reached the "
              "lab under order " +
                  stopped + ". Left to send: 1.");

    outcome.reset();
    QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                     [&outcome](const SendOutcome& o) { outcome = o; });
    QTest::mouseClick(page().startAgainButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30000));
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    expectCompleteOrder(onlyNewOrder({stopped}));
    EXPECT_EQ(keptPhotos(stopped).size(), 2u);  // left with the lab, as it was
    EXPECT_TRUE(journals().empty());
}

}  // namespace
}  // namespace orlavo::transmission::uitest
