// The start window against a real laboratory server: its states, its status
// line and its buttons.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <atomic>
#include <filesystem>
#include <future>

#include "common/SettingsTable.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/LabProcess.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/CStartDialog.h"

namespace {

using orlavo::section::kDownloadInfo;

class StartDialogTest : public AppTest {
protected:
    // The window with a loader that counts its runs.
    std::unique_ptr<CStartDialog> makeDialog() {
        auto d = std::make_unique<CStartDialog>(*app_, [this](const std::string& address) {
            ++loads;
            return app_->LoadCatalogue(address);
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
    EXPECT_EQ(d->statusLine()->text(), version());
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

TEST_F(StartDialogTest, StaysResponsiveWithABusyCursorWhileLoading) {
    setAddresses("http://127.0.0.1:9/catalogue.xml", "http://127.0.0.1:9/upload");
    startApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    CStartDialog d(*app_, [released](const std::string&) {
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
    QTest::keyClick(&d, Qt::Key_Escape);  // nothing closes it while it loads
    EXPECT_TRUE(d.isVisible());
    release.set_value();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(d.beginButton()->isEnabled());
    EXPECT_EQ(d.beginButton()->text(), "Begin");
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
    const QString whole = d->statusLine()->toolTip();
    EXPECT_TRUE(whole.startsWith(prefix + "\r\n")) << whole.left(200).toStdString();
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
