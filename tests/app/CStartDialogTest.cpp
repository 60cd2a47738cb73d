// The start window against a real laboratory server: its states, its status
// line and its buttons.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <atomic>
#include <filesystem>
#include <future>

#include <ctime>
#include "common/SettingsTable.h"
#include "platform/PrivateFiles.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/LabProcess.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/OrderResume.h"

namespace {

using orlavo::section::kDownloadInfo;

class StartDialogTest : public AppTest {
protected:
    // The window with a loader that counts its runs.
    std::unique_ptr<CStartDialog> makeDialog() {
        auto d = std::make_unique<CStartDialog>(
            *app_, [this](const std::string& address, const std::atomic<bool>& cancel) {
                ++loads;
                return app_->LoadCatalogue(address, &cancel);
            });
        return d;
    }
    // Shows the window and waits for the load it starts.
    void showAndWaitForLoad(CStartDialog& d) {
        QSignalSpy finished(&d, &CStartDialog::loadFinished);
        d.show();
        ASSERT_TRUE(finished.wait(60000));
    }
    void setAddresses(const std::string& download, const std::string& upload) {
        reg().setText(kDownloadInfo, "DownloadURL", download);
        reg().setText(kDownloadInfo, "UploadURL", upload);
    }
    std::filesystem::path labData() const {
        QDir().mkpath(tempPath("lab"));
        return tempPath("lab").toStdString();
    }
    QString version() const { return QString::fromStdString(app_->programVersion()); }

    std::atomic<int> loads{0};
};

}  // namespace

TEST_F(StartDialogTest, EmptyDownloadAddressOffersOnlyClose) {
    setAddresses("", "http://127.0.0.1:9/upload");
    startApp();
    auto d = makeDialog();
    d->show();
    QApplication::processEvents();
    EXPECT_EQ(d->statusLine()->text(), "Download URL not found");
    EXPECT_EQ(d->beginButton()->text(), "Close");
    EXPECT_TRUE(d->preferencesButton()->isEnabled());
    EXPECT_EQ(d->windowTitle(), "Zadozu Orlavo");
    QTest::mouseClick(d->beginButton(), Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(loads, 0);
}

TEST_F(StartDialogTest, EmptyUploadAddressOffersOnlyClose) {
    setAddresses("http://127.0.0.1:9/catalogue.xml", "");
    startApp();
    auto d = makeDialog();
    d->show();
    QApplication::processEvents();
    EXPECT_EQ(d->statusLine()->text(), "Upload URL not found");
    EXPECT_EQ(d->beginButton()->text(), "Close");
    EXPECT_EQ(loads, 0);
}

TEST_F(StartDialogTest, LoadsOnlyOnceShownAndIsReadyWithTheLab) {
    orlavo::test::LabProcess lab(labData());
    ASSERT_TRUE(lab.running()) << lab.error();
    setAddresses(lab.url("/catalogue.xml"), lab.url("/upload"));
    startApp();
    auto d = makeDialog();
    QApplication::processEvents();
    EXPECT_EQ(loads, 0);  // not before the window shows
    EXPECT_EQ(d->statusLine()->text(), version());
    showAndWaitForLoad(*d);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(d->beginButton()->text(), "Begin");
    EXPECT_EQ(d->cancelButton()->text(), "Cancel");
    EXPECT_TRUE(d->preferencesButton()->isEnabled());
    EXPECT_EQ(d->statusLine()->text(), version());
    EXPECT_GT(app_->xml.GetProductCount(), 0);
    EXPECT_FALSE(app_->shops.empty());
    QTest::mouseClick(d->beginButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(StartDialogTest, UnreachableServerOffersTryAgainAndRecoversWhenItIsBack) {
    // A port that was free a moment ago: nothing listens there now.
    int port = 0;
    {
        orlavo::test::LabProcess probe(labData());
        ASSERT_TRUE(probe.running()) << probe.error();
        port = probe.port();
    }
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/catalogue.xml";
    setAddresses(address, "http://127.0.0.1:" + std::to_string(port) + "/upload");
    startApp();
    auto d = makeDialog();
    showAndWaitForLoad(*d);

    const QString status = d->statusLine()->text();
    const QString prefix = QString::fromStdString(address) + ": ";
    EXPECT_TRUE(status.startsWith(prefix)) << status.toStdString();
    EXPECT_GT(status.size(), prefix.size());  // the transport's own message follows
    EXPECT_EQ(d->cancelButton()->text(), "Exit");
    EXPECT_EQ(d->beginButton()->text(), "Try Again");
    EXPECT_FALSE(d->preferencesButton()->isEnabled());

    orlavo::test::LabProcess lab(labData(), {"--port", std::to_string(port)});
    ASSERT_TRUE(lab.running()) << lab.error();
    QSignalSpy finished(d.get(), &CStartDialog::loadFinished);
    QTest::mouseClick(d->beginButton(), Qt::LeftButton);
    // It says that it loads; the version is back once the catalogue is in.
    EXPECT_EQ(d->statusLine()->text(), QString::fromUtf8("Loading the lab's catalogue…"));
    EXPECT_EQ(d->beginButton()->text(), "Begin");
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(d->statusLine()->text(), version());
    EXPECT_EQ(d->cancelButton()->text(), "Cancel");
    EXPECT_EQ(d->beginButton()->text(), "Begin");
    EXPECT_TRUE(d->preferencesButton()->isEnabled());
    EXPECT_TRUE(d->isVisible());
}

TEST_F(StartDialogTest, ExitAfterAFailureEndsTheProgram) {
    setAddresses("http://127.0.0.1:1/catalogue.xml", "http://127.0.0.1:1/upload");
    startApp();
    auto d = makeDialog();
    showAndWaitForLoad(*d);
    ASSERT_EQ(d->cancelButton()->text(), "Exit");
    QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(StartDialogTest, StaysResponsiveWithABusyCursorAndSaysItIsLoading) {
    setAddresses("http://127.0.0.1:9/catalogue.xml", "http://127.0.0.1:9/upload");
    startApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    CStartDialog d(*app_, [released](const std::string&, const std::atomic<bool>&) {
        released.wait();
        return std::string();
    });
    QSignalSpy finished(&d, &CStartDialog::loadFinished);
    d.show();
    QApplication::processEvents();
    ASSERT_TRUE(d.isLoading());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(d.beginButton()->isEnabled());
    EXPECT_FALSE(d.preferencesButton()->isEnabled());
    EXPECT_TRUE(d.cancelButton()->isEnabled());
    EXPECT_EQ(d.statusLine()->text(), QString::fromUtf8("Loading the lab's catalogue…"));
    release.set_value();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(d.beginButton()->isEnabled());
    EXPECT_EQ(d.beginButton()->text(), "Begin");
    EXPECT_EQ(d.statusLine()->text(), version());
}

TEST_F(StartDialogTest, CancelWhileLoadingStopsTheDownloadAndEndsTheWindow) {
    // A lab that holds every answer for eight seconds.
    orlavo::test::LabProcess lab(labData(), {"--delay-ms", "8000"});
    ASSERT_TRUE(lab.running()) << lab.error();
    setAddresses(lab.url("/catalogue.xml"), lab.url("/upload"));
    startApp();
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        auto d = makeDialog();
        QSignalSpy finished(d.get(), &QDialog::finished);
        d->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return d->isLoading(); }, 5000));
        QElapsedTimer clock;
        clock.start();
        if (escape)
            QTest::keyClick(d.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        EXPECT_FALSE(d->cancelButton()->isEnabled());
        // The transfer stops: the window is gone long before the lab answers.
        ASSERT_TRUE(finished.wait(5000));
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_EQ(d->result(), QDialog::Rejected);
        EXPECT_FALSE(d->isLoading());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(app_->xml.GetProductCount(), 0);
    }
}

TEST_F(StartDialogTest, PreferencesCanBeOpenedWhenAnAddressIsMissing) {
    setAddresses("", "");
    startApp();
    auto d = makeDialog();
    d->show();
    OnModal<CPreferencesDialog> prefs(
        [](CPreferencesDialog* p) { QTest::mouseClick(p->cancelButton(), Qt::LeftButton); });
    QTest::mouseClick(d->preferencesButton(), Qt::LeftButton);
    EXPECT_TRUE(prefs.seen());
    EXPECT_EQ(d->statusLine()->text(), "Download URL not found");
    EXPECT_EQ(d->beginButton()->text(), "Close");
}

// Polls through the event loop; a plain function, so that no pending timer
// keeps a closure alive that owns itself.
static void PressBeginOnceLoaded(CStartDialog* d) {
    if (d->isLoading() || !d->preferencesButton()->isEnabled())
        return QTimer::singleShot(5, d, [d] { PressBeginOnceLoaded(d); });
    QTest::mouseClick(d->beginButton(), Qt::LeftButton);
}

TEST_F(StartDialogTest, RunsFromTheStartWindowIntoTheWizardAndQuitsOnYes) {
    orlavo::test::LabProcess lab(labData());
    ASSERT_TRUE(lab.running()) << lab.error();
    setAddresses(lab.url("/catalogue.xml"), lab.url("/upload"));
    app_ = std::make_unique<CWizardApp>(std::vector<std::string>{"app_tests", "UiTest"}, effects);
    bool wizardShown = false;
    OnModal<CStartDialog> start([&](CStartDialog* d) {
        // Begin once the load has finished.
        QTimer::singleShot(0, d, [d] { PressBeginOnceLoaded(d); });
    });
    OnModal<CMyProperySheet> wizard([&](CMyProperySheet* s) {
        wizardShown = s->windowTitle() == "Zadozu Orlavo (Step 1 of 4)";
        effects.answers.push_back(QMessageBox::Yes);
        QTest::mouseClick(s->cancelButton(), Qt::LeftButton);
    });
    app_->InitInstance();
    EXPECT_TRUE(start.seen());
    EXPECT_TRUE(wizardShown);
    EXPECT_EQ(app_->sheet(), nullptr);  // destroyed at the end
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this program?");
}

TEST_F(StartDialogTest, AWebPageInPlaceOfTheCatalogueIsShownAsTextWithoutStretchingTheWindow) {
    orlavo::test::LabProcess good(labData());
    ASSERT_TRUE(good.running()) << good.error();
    setAddresses(good.url("/catalogue.xml"), good.url("/upload"));
    startApp();
    auto ready = makeDialog();
    showAndWaitForLoad(*ready);
    const int readyHeight = ready->height();

    orlavo::test::LabProcess lab(labData(), {"--html-catalogue"});
    ASSERT_TRUE(lab.running()) << lab.error();
    setAddresses(lab.url("/catalogue.xml"), lab.url("/upload"));
    startApp();
    auto d = makeDialog();
    showAndWaitForLoad(*d);
    // Two lines at most, the second cut with an ellipsis; the whole text in the tooltip.
    const QString status = d->statusLine()->text();
    const QString prefix =
        QString::fromStdString(lab.url("/catalogue.xml")) + ": Param.xmp has errors!";
    EXPECT_TRUE(status.startsWith(prefix)) << status.left(200).toStdString();
    EXPECT_TRUE(status.endsWith(QChar(0x2026))) << status.toStdString();
    EXPECT_LE(status.count(QChar::LineSeparator) + status.count('\n'), 1);
    // The tooltip shows the page as text: its tags are seen, not rendered.
    QTextDocument tip;
    tip.setHtml(d->statusLine()->toolTip());
    const QString whole = tip.toPlainText();
    EXPECT_TRUE(whole.startsWith(prefix)) << whole.left(200).toStdString();
    EXPECT_TRUE(whole.contains("</html>")) << "the page follows as it came";
    EXPECT_EQ(d->statusLine()->textFormat(), Qt::PlainText);
    EXPECT_LE(d->height(), readyHeight + d->statusLine()->fontMetrics().lineSpacing() * 2);
    // Nothing of a third line shows: the text fits the height the label may take.
    QTextDocument doc;
    doc.setDefaultFont(d->statusLine()->font());
    doc.setDocumentMargin(0);
    doc.setPlainText(status);
    doc.setTextWidth(d->statusLine()->width());
    EXPECT_LE(doc.documentLayout()->documentSize().height(), d->statusLine()->maximumHeight());
    EXPECT_EQ(d->beginButton()->text(), "Try Again");
}

TEST_F(StartDialogTest, EnterPressesTheFocusedButtonAndEscapeCloses) {
    setAddresses("", "");
    startApp();
    auto d = makeDialog();
    d->show();
    OnModal<CPreferencesDialog> prefs(
        [](CPreferencesDialog* p) { QTest::keyClick(p, Qt::Key_Escape); });
    d->preferencesButton()->setFocus();
    QTest::keyClick(d->preferencesButton(), Qt::Key_Return);
    EXPECT_TRUE(prefs.seen());
    EXPECT_TRUE(d->isVisible());
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

TEST_F(StartDialogTest, TabGoesCancelPreferencesBegin) {
    setAddresses("", "");
    startApp();
    auto d = makeDialog();
    d->show();
    QWidget* w = d->cancelButton();
    QList<QWidget*> order;
    for (int i = 0; i < 3; ++i) {
        order << w;
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible());
    }
    EXPECT_EQ(order,
              (QList<QWidget*>{d->cancelButton(), d->preferencesButton(), d->beginButton()}));
    EXPECT_EQ(w, d->cancelButton());
}

TEST_F(StartDialogTest, OpensWithBeginFocused) {
    setAddresses("", "");
    startApp();
    auto d = makeDialog();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    EXPECT_EQ(QApplication::focusWidget(), d->beginButton());
}

// Interrupted orders: what the start window offers once the catalogue is in.
namespace {

using orlavo::transmission::JournalClaim;
using orlavo::transmission::JournalFolder;
using orlavo::transmission::OrderJournal;

class ResumeOfferTest : public StartDialogTest {
protected:
    void SetUp() override {
        StartDialogTest::SetUp();
        lab_ = std::make_unique<orlavo::test::LabProcess>(labData());
        ASSERT_TRUE(lab_->running()) << lab_->error();
        setAddresses(lab_->url("/catalogue.xml"), lab_->url("/upload"));
        startApp();
    }
    // An order of PHOTOS photos, SENT of them accepted, as a wizard left it.
    OrderJournal journal(const std::string& id, int photos, int sent, std::int64_t started = 0) {
        OrderJournal j;
        j.orderId = id;
        j.profile = "UiTest";
        j.uploadUrl = lab_->url("/upload");
        j.startedAt = started ? started : static_cast<std::int64_t>(std::time(nullptr));
        j.details.firstname = "Ada";
        j.details.cctype = "1";
        for (int n = 1; n <= photos; ++n) {
            orlavo::transmission::JournalPhoto p;
            p.number = n;
            p.path = "/photos/" + std::to_string(n) + ".jpg";
            p.lines = {{"101", 1, 0}};
            p.accepted = n <= sent;
            j.photos.push_back(p);
        }
        return j;
    }
    void leave(const OrderJournal& j) {
        std::string error;
        EXPECT_TRUE(folder().ClaimNew(j, error)) << error;
    }
    JournalFolder folder() const { return JournalFolder(stateFolder()); }
    std::unique_ptr<CStartDialog> loaded() {
        auto d = makeDialog();
        showAndWaitForLoad(*d);
        return d;
    }

    std::unique_ptr<orlavo::test::LabProcess> lab_;
};

}  // namespace

TEST_F(ResumeOfferTest, InterruptedOrderIsOfferedOnceTheCatalogueIsInAndResumeTakesIt) {
    const OrderJournal j = journal("AAAAAAAAAAAAAAA", 37, 21);
    leave(j);
    auto d = makeDialog();
    EXPECT_FALSE(d->resumeOffer()->isVisible());
    showAndWaitForLoad(*d);
    ASSERT_TRUE(d->resumeOffer()->isVisible());
    const QString text = d->resumeOffer()->text();
    EXPECT_EQ(text.toStdString(), orlavo::transmission::InterruptedOrderText(j, j.startedAt));
    EXPECT_TRUE(text.startsWith("An order of 37 photos from ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(" was interrupted: 21 sent, 16 left")) << text.toStdString();
    EXPECT_TRUE(d->resumeButton()->hasFocus());
    EXPECT_TRUE(effects.messages.empty());

    QTest::mouseClick(d->resumeButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    ASSERT_NE(app_->unfinishedOrder, nullptr);
    EXPECT_EQ(app_->unfinishedOrder->journal().acceptedCount(), 21);
    // This wizard holds it now: no other one can take it.
    std::string error;
    EXPECT_FALSE(folder().ClaimInterrupted("AAAAAAAAAAAAAAA", error));
}

TEST_F(ResumeOfferTest, DamagedJournalIsSetAsideWithAMessageAndTheStartGoesOn) {
    ASSERT_EQ(orlavo::EnsurePrivateFolder(stateFolder()), "");
    ASSERT_EQ(orlavo::ReplaceFileAtomically(stateFolder() + "order-BBBBBBBBBBBBBBB.journal",
                                            "Orlavo order journal\t1\norder\tBBBBBBBBBBBBBBB\n"),
              "");
    auto d = loaded();
    EXPECT_FALSE(d->resumeOffer()->isVisible());
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "The interrupted order in order-BBBBBBBBBBBBBBB.journal could not be used and was "
              "set aside as order-BBBBBBBBBBBBBBB.journal.set-aside: cut short.");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(std::filesystem::exists(stateFolder() + "order-BBBBBBBBBBBBBBB.journal.set-aside"));
    QTest::mouseClick(d->beginButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(app_->unfinishedOrder, nullptr);
}

TEST_F(ResumeOfferTest, OrderInAnotherWizardsHandsIsNeitherOfferedNorResumedTwice) {
    leave(journal("AAAAAAAAAAAAAAA", 3, 1));
    std::string error;
    std::unique_ptr<JournalClaim> other = folder().ClaimInterrupted("AAAAAAAAAAAAAAA", error);
    ASSERT_NE(other, nullptr) << error;
    EXPECT_FALSE(loaded()->resumeOffer()->isVisible());

    // Both start windows offered it; the other wizard took it first.
    other.reset();
    auto d = loaded();
    ASSERT_TRUE(d->resumeOffer()->isVisible());
    other = folder().ClaimInterrupted("AAAAAAAAAAAAAAA", error);
    ASSERT_NE(other, nullptr) << error;
    QTest::mouseClick(d->resumeButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "This order cannot be resumed: This order is being sent or resumed in another "
              "Orlavo window.");
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->resumeOffer()->isVisible());
    EXPECT_EQ(app_->unfinishedOrder, nullptr);
}

TEST_F(ResumeOfferTest, DiscardAsksFirstThenForgetsTheOrderAndOffersTheNext) {
    leave(journal("AAAAAAAAAAAAAAA", 3, 1, 1000));
    leave(journal("BBBBBBBBBBBBBBB", 5, 2, 2000));
    auto d = loaded();
    ASSERT_TRUE(d->resumeOffer()->isVisible());
    EXPECT_TRUE(d->resumeOffer()->text().startsWith("An order of 5 photos from "));

    effects.answers = {QMessageBox::No};
    QTest::mouseClick(d->discardButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "Discard the interrupted order? The photos it sent stay with the lab as an "
              "incomplete order.");
    EXPECT_EQ(folder().Scan("UiTest").orders.size(), 2u);

    effects.answers = {QMessageBox::Yes};
    QTest::mouseClick(d->discardButton(), Qt::LeftButton);
    ASSERT_EQ(folder().Scan("UiTest").orders.size(), 1u);
    EXPECT_TRUE(d->resumeOffer()->text().startsWith("An order of 3 photos from "));
    effects.answers = {QMessageBox::Yes};
    QTest::mouseClick(d->discardButton(), Qt::LeftButton);
    EXPECT_TRUE(folder().Scan("UiTest").orders.empty());
    EXPECT_FALSE(d->resumeOffer()->isVisible());
    EXPECT_TRUE(d->beginButton()->hasFocus());
}

TEST_F(ResumeOfferTest, OrderSentToAnotherAddressIsNotResumedButCanBeDiscarded) {
    OrderJournal j = journal("AAAAAAAAAAAAAAA", 3, 1);
    j.uploadUrl = "https://old-lab.example/upload";
    leave(j);
    auto d = loaded();
    QTest::mouseClick(d->resumeButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "This order cannot be resumed: The order was being sent to "
              "https://old-lab.example/upload; the lab's address has changed since.");
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(d->resumeOffer()->isVisible());
    EXPECT_EQ(app_->unfinishedOrder, nullptr);
}
