// The upload window: its progress, the cancel question, and that nothing
// else ends it while the worker runs.

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>

#include "tests/support/PhotoSamples.h"
#include "tests/transmission/ui/SendTestSupport.h"
#include "wizard/transmission/ui/UploadPlacement.h"

namespace orlavo::transmission::uitest {
namespace {

using Kind = SendOutcome::Kind;

class UploadDialogTest : public SendTest {
public:
    // The order (lines per photo) from a sound lab, then a lab that holds
    // every answer back for DELAY milliseconds, so the window can be watched.
    void slowLab(const std::vector<std::vector<std::pair<int, int>>>& lines, int delayMs) {
        start();
        startLab();
        prepareOrder(lines);
        startLab({"--delay-ms", std::to_string(delayMs)});
        showSummary();
        QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                         [this](const SendOutcome& o) { outcome = o; });
    }
    bool waitOutcome() {
        return QTest::qWaitFor([this] { return outcome.has_value(); }, 30000);
    }
    std::optional<SendOutcome> outcome;
};

TEST_F(UploadDialogTest, ShowsEachPhotoOnItsWayAndTheTimeLeftFromTheSecondPhotoOn) {
    // The middle photo has no line and is not sent.
    slowLab({{{0, 1}}, {}, {{1, 2}}}, 1100);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->windowTitle(), "Upload in Progress");
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->thumbnailIndex() == 1; }, 20000));
    EXPECT_TRUE(upload->isVisible());
    EXPECT_FALSE(upload->thumbnailFrame()->pixmap().isNull());
    // The lab holds its answer back: the first photo's bytes are out, so its
    // bar is full, while the order's bar shows its share and no more.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return upload->imageBar()->value() == upload->imageBar()->maximum(); }, 20000));
    EXPECT_EQ(upload->thumbnailIndex(), 1);
    const int firstShare = upload->orderBar()->value();
    EXPECT_GT(firstShare, 0);
    EXPECT_LT(firstShare, upload->orderBar()->maximum());
    EXPECT_EQ(upload->findChild<QLabel*>("photoOf")->text(), "Photo 1 of 2");
    EXPECT_FALSE(upload->remainsLabel()->isVisible());
    EXPECT_FALSE(upload->estimateLabel()->isVisible());

    // The third photo of the order is the second one sent.
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->thumbnailIndex() == 3; }, 20000));
    EXPECT_EQ(upload->findChild<QLabel*>("photoOf")->text(), "Photo 2 of 2");
    EXPECT_GE(upload->orderBar()->value(), firstShare);
    // The last photo is on its way: the order is not full yet.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return upload->imageBar()->value() == upload->imageBar()->maximum(); }, 20000));
    EXPECT_LT(upload->orderBar()->value(), upload->orderBar()->maximum());
    EXPECT_TRUE(upload->remainsLabel()->isVisible());
    EXPECT_EQ(upload->remainsLabel()->text(), "Remains (hh/mm/ss):");
    EXPECT_TRUE(upload->estimateLabel()->isVisible());
    EXPECT_TRUE(
        QRegularExpression("^\\d+:\\d+:\\d+$").match(upload->estimateLabel()->text()).hasMatch())
        << upload->estimateLabel()->text().toStdString();

    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    ASSERT_EQ(keptOrders().size(), 1u);
    std::vector<KeptPhoto> kept = keptPhotos(keptOrders().front());
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].count, 2);
    EXPECT_EQ(kept[1].number, 2);
    EXPECT_EQ(kept[1].products, (std::vector<std::pair<std::string, std::string>>{{"102", "2"}}));
}

TEST_F(UploadDialogTest, CancelAnsweredNoGoesOnWhereItStood) {
    slowLab({{{0, 1}}, {{0, 1}}, {{0, 1}}}, 300);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->thumbnailIndex() >= 1; }, 20000));
    effects.answers = {QMessageBox::No};
    QTest::mouseClick(upload->cancelButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this order?");
    EXPECT_EQ(effects.messages[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Question);
    EXPECT_EQ(effects.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(upload->isVisible());

    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    EXPECT_EQ(effects.messages.size(), 1u);
    ASSERT_EQ(keptOrders().size(), 1u);
    EXPECT_EQ(keptPhotos(keptOrders().front()).size(), 3u);
    EXPECT_NE(successWindow(), nullptr);
}

TEST_F(UploadDialogTest, CancelAnsweredYesClosesAtOnceAndTheOrderCanBeSentAgain) {
    slowLab({{{0, 1}}, {{0, 1}}, {{0, 1}}}, 300);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->thumbnailIndex() >= 1; }, 20000));
    effects.answers = {QMessageBox::Yes};
    QTest::mouseClick(upload->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(upload->isVisible());

    // The worker stops at its next safe point; then the page is as it was.
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Cancelled);
    EXPECT_EQ(effects.messages.size(), 1u);  // the question only
    EXPECT_EQ(successWindow(), nullptr);
    EXPECT_TRUE(sheet().isVisible());
    EXPECT_EQ(sheet().activeIndex(), 3);
    EXPECT_EQ(app_->order.PhotoCount(), 3u);
    const std::vector<std::string> before = keptOrders();
    for (const std::string& id : before)
        EXPECT_LT(keptPhotos(id).size(), 3u);

    outcome.reset();
    ASSERT_NE(pressSend(), nullptr);
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    std::size_t complete = 0;
    for (const std::string& id : keptOrders())
        complete += keptPhotos(id).size() == 3 ? 1 : 0;
    EXPECT_EQ(complete, 1u);
}

TEST_F(UploadDialogTest, YesAfterTheLastPhotoWasAcceptedLeavesTheOrderSent) {
    slowLab({{{0, 1}}}, 1000);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->thumbnailIndex() == 1; }, 20000));
    // The question stays open until the worker has reported its end: the
    // only photo was already on its way and needed no safe point to finish.
    bool reported = false;
    QObject context;
    QObject::connect(
        upload->findChild<UploadSignals*>(), &UploadSignals::finished, &context,
        [&reported] { reported = true; }, Qt::QueuedConnection);
    bool visibleWhileAsked = false;
    effects.whileOpen = [&] {
        EXPECT_TRUE(QTest::qWaitFor([&reported] { return reported; }, 20000));
        visibleWhileAsked = upload->isVisible();
    };
    effects.answers = {QMessageBox::Yes};
    QTest::mouseClick(upload->cancelButton(), Qt::LeftButton);
    effects.whileOpen = nullptr;
    EXPECT_TRUE(visibleWhileAsked);
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    EXPECT_NE(successWindow(), nullptr);
    ASSERT_EQ(keptOrders().size(), 1u);
    EXPECT_EQ(keptPhotos(keptOrders().front()).size(), 1u);
}

TEST_F(UploadDialogTest, NothingButTheCancelQuestionEndsTheWindowWhileItSends) {
    slowLab({{{0, 1}}}, 1500);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(upload->isVisible());
    EXPECT_FALSE(upload->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(upload->windowModality(), Qt::ApplicationModal);

    EXPECT_FALSE(upload->close());
    QTest::keyClick(upload, Qt::Key_Return);
    QTest::keyClick(upload, Qt::Key_Enter);
    EXPECT_TRUE(upload->isVisible());
    EXPECT_TRUE(effects.messages.empty());
    effects.answers = {QMessageBox::No};
    QTest::keyClick(upload, Qt::Key_Escape);
    EXPECT_EQ(effects.messages.size(), 1u);
    EXPECT_TRUE(upload->isVisible());
    // A second press while the page's send is running starts nothing.
    sheet().onNext();
    EXPECT_EQ(page().uploadDialog(), upload);

    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    EXPECT_EQ(keptOrders().size(), 1u);
}

TEST_F(UploadDialogTest, SaysTheConnectionWasLostWhileAPhotoWaitsToGoAgain) {
    using namespace std::chrono_literals;
    start();
    startLab();
    prepareOrder({{{0, 1}}, {{0, 1}}, {{0, 1}}});
    startLab({"--drop-upload", "2"});
    page().setRetryPauses({1500ms});
    showSummary();
    QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                     [this](const SendOutcome& o) { outcome = o; });
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->retryLabel()->isVisible(); }, 20000));
    EXPECT_TRUE(QRegularExpression("^Connection lost, trying again in [12] s$")
                    .match(upload->retryLabel()->text())
                    .hasMatch())
        << upload->retryLabel()->text().toStdString();
    EXPECT_EQ(upload->thumbnailIndex(), 2);
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    ASSERT_EQ(keptOrders().size(), 1u);
    EXPECT_EQ(keptPhotos(keptOrders().front()).size(), 3u);
}

TEST_F(UploadDialogTest, CancelWhileAPhotoWaitsToGoAgainEndsTheWaitAtOnce) {
    using namespace std::chrono_literals;
    start();
    startLab();
    prepareOrder({{{0, 1}}, {{0, 1}}});
    startLab({"--drop-upload", "1"});
    page().setRetryPauses({10min});
    showSummary();
    QObject::connect(&page(), &COrderSummaryPage::sendHandled,
                     [this](const SendOutcome& o) { outcome = o; });
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->retryLabel()->isVisible(); }, 20000));
    effects.answers = {QMessageBox::Yes};
    QTest::mouseClick(upload->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(upload->isVisible());
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Cancelled);
    // Nothing reached the lab: the whole order goes when sent again.
    EXPECT_TRUE(keptOrders().empty());
    EXPECT_EQ(sheet().nextButton()->text(), "Send Order");
}

TEST_F(UploadDialogTest, CurrentImageSaysPreparingWhileAPhotoIsMadeIntoAJpeg) {
    slowLab({{{0, 1}}}, 10);
    // A grainy 12-megapixel PNG takes a moment to convert.
    QImage grain(4000, 3000, QImage::Format_RGB32);
    std::uint32_t noise = 5;
    for (int y = 0; y < grain.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grain.scanLine(y));
        for (int x = 0; x < grain.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x] = noise >> 8;
        }
    }
    const fs::path png = photos_.path() / "Screenshot.png";
    test::WriteFile(png, test::PngBytes(grain));
    app_->selectedThumbnails.append(grain.scaled(92, 92, Qt::KeepAspectRatio));
    const std::size_t index =
        app_->order.AddPhoto(png.string(), 0, fs::file_size(png), grain.width(), grain.height());
    app_->order.SetQuantity(index, 0, 1);
    CUploadDialog* upload = pressSend();
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->imageLabel()->text(), "Current Image");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return upload->imageLabel()->text() == "Preparing"; }, 20000));
    EXPECT_EQ(upload->thumbnailIndex(), 2) << "the photo being prepared is shown";
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return upload->imageLabel()->text() == "Current Image"; }, 20000));
    ASSERT_TRUE(waitOutcome());
    EXPECT_EQ(outcome->kind, Kind::Sent) << outcome->message;
    const std::vector<std::string> orders = keptOrders();
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_TRUE(fs::exists(lab().ordersDir() / orders[0] / "photo-002-Screenshot.jpg"));
}

TEST(UploadPlacement, KeepsTheOrdersFiguresInSight) {
    const QSize window(450, 200);
    const struct {
        const char* name;
        QRect sheet, keep, screen;
        QPoint at;
    } cases[] = {
        // Room under the figures inside the sheet: at the sheet's foot, centred.
        {"below", QRect(100, 100, 800, 700), QRect(110, 150, 780, 300), QRect(0, 0, 1600, 1000),
         QPoint(274, 600)},
        // No room under them: beside the sheet, on the wider side.
        {"right", QRect(100, 220, 840, 560), QRect(110, 270, 820, 330), QRect(0, 0, 1920, 1080),
         QPoint(940, 399)},
        {"left", QRect(1000, 220, 840, 560), QRect(1010, 270, 820, 330), QRect(0, 0, 1920, 1080),
         QPoint(550, 399)},
        // The sheet in the middle of 1600 x 1000 leaves neither side room
        // enough: under the sheet, at the screen's foot.
        {"foot", QRect(380, 220, 840, 560), QRect(390, 270, 820, 330), QRect(0, 0, 1600, 1000),
         QPoint(574, 800)},
        // A screen no larger than the sheet: inside the screen all the same.
        {"small", QRect(0, 0, 840, 600), QRect(10, 50, 820, 330), QRect(0, 0, 800, 600),
         QPoint(194, 400)},
    };
    for (const auto& c : cases) {
        const QPoint at = UploadPlacement(window, c.sheet, c.keep, c.screen);
        EXPECT_EQ(at, c.at) << c.name;
        EXPECT_TRUE(c.screen.contains(QRect(at, window))) << c.name;
        EXPECT_FALSE(QRect(at, window).intersects(c.keep)) << c.name;
    }
}

}  // namespace
}  // namespace orlavo::transmission::uitest
