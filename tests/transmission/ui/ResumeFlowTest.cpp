// An order whose program was killed in the middle of sending it, taken up
// again by the wizard: the start window offers it, step 3 shows its details
// with the card to be typed again, step 4 sends the rest, and the lab holds
// one whole order with every photo once.

#include <QComboBox>
#include <QLineEdit>
#include <csignal>
#include <thread>

#include "tests/transmission/ui/SendTestSupport.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/app/StepPages.h"
#include "wizard/transmission/JournalFolder.h"

namespace orlavo::transmission::uitest {
namespace {

constexpr const char* kDetails =
    "firstname=Ada\nlastname=Byron\naddress1=1 Mill Lane\ncity=Bath\nzip=BA1 1AA\n"
    "country=United Kingdom\nemail=ada@example.com\nsameasbilling=yes\npayment=1\n"
    "nameoncard=A BYRON\nccexpiremonth=12\nccexpireyear=2099\n";

class ResumeFlowTest : public SendTest {
public:
    // Starts orlavo-order on the order of three photos and kills it once the
    // lab has accepted the first; the journal it leaves.
    OrderJournal killMidOrder() {
        std::vector<std::string> args = {
            "--profile", "UiTest",      "--details", photos_.write("details.txt", kDetails),
            "--yes",     "--print-all", "0:2"};
        for (int i = 0; i < 3; ++i) {
            fs::copy_file(samples_->path() / photoPath(i).filename(), photoPath(i));
            args.push_back(photoPath(i).string());
        }
        const fs::path out = photos_.path() / "out", err = photos_.path() / "err";
        const pid_t child = test::StartProgram(std::string(ORLAVO_BIN_DIR) + "/orlavo-order", args,
                                               {{"ORLAVO_CCNUMBER", "4111111111111111"}}, out, err);
        EXPECT_GT(child, 0);
        // The journal is read as it is: a scan would skip it while the program holds it.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (const std::string& name : journals()) {
                    JournalReading r = ParseJournal(test::ReadFile(stateFolder() + name));
                    if (r.status == JournalReading::Status::Ok && r.journal.acceptedCount() >= 1)
                        return true;
                }
                return false;
            },
            30000));
        ::kill(child, SIGKILL);
        test::FinishProgram(child, out, err);
        JournalReading r = ParseJournal(test::ReadFile(stateFolder() + journals().at(0)));
        return r.journal;
    }
};

TEST_F(ResumeFlowTest, OrderKilledMidwayIsResumedFromTheStartWindowAndEndsWholeAtTheLab) {
    startLab({"--delay-ms", "500"});
    reg().setText(section::kDownloadInfo, "DownloadURL", lab().url("/catalogue.xml"));
    reg().setText(section::kDownloadInfo, "UploadURL", lab().url("/upload"));
    reg().setText(section::kDownloadInfo, "PriceRequestURL", lab().url("/price"));
    const OrderJournal killed = killMidOrder();
    const int sent = killed.acceptedCount();
    ASSERT_GE(sent, 1);
    ASSERT_LT(sent, 3);

    app_ = std::make_unique<CWizardApp>(std::vector<std::string>{"OrlavoW", "UiTest"}, effects,
                                        std::string(), MakeStepPage);
    ASSERT_TRUE(app_->StartUp());
    QString offered;
    OnModal<CStartDialog> startWindow([&](CStartDialog* d) {
        ASSERT_TRUE(QTest::qWaitFor([d] { return d->resumeOffer()->isVisible(); }, 30000));
        offered = d->resumeOffer()->text();
        QTest::mouseClick(d->resumeButton(), Qt::LeftButton);
    });
    ASSERT_TRUE(app_->RunStartDialog());
    EXPECT_TRUE(offered.startsWith("An order of 3 photos from ")) << offered.toStdString();
    EXPECT_TRUE(
        offered.endsWith(QString(" was interrupted: %1 sent, %2 left").arg(sent).arg(3 - sent)))
        << offered.toStdString();
    ASSERT_EQ(app_->order.PhotoCount(), 3u);
    EXPECT_EQ(app_->order.PhotoAt(2).orderLines[0].quantity, 2);
    EXPECT_EQ(app_->selectedThumbnails.count(), 4u);

    std::optional<SendOutcome> outcome;
    OnModal<CMyProperySheet> wizard([&](CMyProperySheet* sheet) {
        // Step 3 with the order's details; the card is typed again.
        ASSERT_EQ(sheet->activeIndex(), 2);
        QWidget* step3 = sheet->page(2);
        EXPECT_EQ(step3->findChild<QLineEdit*>("firstName")->text(), "Ada");
        EXPECT_EQ(step3->findChild<QLineEdit*>("city")->text(), "Bath");
        QLineEdit* card = step3->findChild<QLineEdit*>("cardNumber");
        EXPECT_EQ(card->text(), "");
        card->setText("4111111111111111");
        step3->findChild<QLineEdit*>("nameOnCard")->setText("A BYRON");
        step3->findChild<QComboBox*>("expiryYear")->setCurrentIndex(3);
        QTest::mouseClick(sheet->nextButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet->activeIndex() == 3; }, 30000))
            << (effects.messages.empty() ? "" : effects.messages.back().text.toStdString());

        // Step 4 sends the rest of the order under its id.
        auto* step4 = static_cast<COrderSummaryPage*>(sheet->page(3));
        EXPECT_EQ(sheet->nextButton()->text(), "Resume Order");
        EXPECT_TRUE(step4->resumeNote()->isVisible());
        EXPECT_TRUE(step4->resumeNote()->text().contains(
            QString("%1 of 3 photos reached the lab under order %2. Left to send: %3.")
                .arg(sent)
                .arg(QString::fromStdString(killed.orderId))
                .arg(3 - sent)))
            << step4->resumeNote()->text().toStdString();
        QObject::connect(step4, &COrderSummaryPage::sendHandled,
                         [&outcome](const SendOutcome& o) { outcome = o; });
        QTest::mouseClick(sheet->nextButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30000));
        ASSERT_TRUE(
            QTest::qWaitFor([sheet] { return sheet->findChild<COrderSuccessfulPage*>(); }, 10000));
        QTest::mouseClick(sheet->findChild<COrderSuccessfulPage*>()->exitButton(), Qt::LeftButton);
    });
    app_->RunWizard();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, SendOutcome::Kind::Sent) << outcome->message;

    // One order at the lab, each photo once, numbered as first sent.
    ASSERT_EQ(keptOrders(), std::vector<std::string>{killed.orderId});
    const std::vector<KeptPhoto> kept = keptPhotos(killed.orderId);
    ASSERT_EQ(kept.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kept[i].number, i + 1);
        EXPECT_EQ(kept[i].count, 3);
        EXPECT_EQ(kept[i].firstName, "Ada");
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(lab().ordersDir() / killed.orderId))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 6u);
    EXPECT_TRUE(journals().empty());
    // The card typed again went to the lab, and nowhere on this computer.
    for (const auto& entry : fs::recursive_directory_iterator(stateFolder())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(test::ReadFile(entry.path()).find("4111111111111111"), std::string::npos)
                << entry.path();
        }
    }
}

}  // namespace
}  // namespace orlavo::transmission::uitest
