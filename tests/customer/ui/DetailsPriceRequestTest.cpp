// Leaving the details page asks a real lab server for the price.

#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "tests/customer/ui/DetailsPageFixture.h"
#include "tests/support/LabProcess.h"

namespace {

// The page must first see the lab's catalogue, so it is opened after the load.
class LabDetailsPageTest : public DetailsPageTest {
protected:
    void openOnLab(std::vector<std::string> labArgs = {}) {
        QDir().mkpath(tempPath("lab"));
        lab = std::make_unique<orlavo::test::LabProcess>(tempPath("lab").toStdString(),
                                                         std::move(labArgs));
        ASSERT_TRUE(lab->running()) << lab->error();
        catalogue = Download(lab->url("/catalogue.xml"));
        ASSERT_FALSE(catalogue.empty());
        open(catalogue.c_str());
        app_->order.AddPhoto("/photos/a.jpg", 0, 1000, 1800, 1200);
        app_->order.SetQuantity(0, 0, 4);
        app_->priceRequestURL = lab->url("/price");
    }

    static std::string Download(const std::string& url) {
        orlavo::wizard::CXmlDocuments docs;
        orlavo::wizard::ShopList shops;
        if (!docs.Load(url, shops).empty())
            return {};
        return docs.catalogue().xml();
    }

    std::unique_ptr<orlavo::test::LabProcess> lab;
    std::string catalogue;
};

TEST_F(LabDetailsPageTest, TheLabsQuoteMovesTheWizardOnToTheSummary) {
    openOnLab();
    fillValid();
    type("lastName", QString::fromUtf8("Łovelace"));
    ASSERT_TRUE(next());
    EXPECT_TRUE(passed) << lastMessage().toStdString();
    EXPECT_EQ(priceMessages, 0u);
    EXPECT_EQ(sheet->activeIndex(), 3);
    EXPECT_EQ(app_->priceQuote.subprice, "1.00");
    EXPECT_EQ(app_->priceQuote.shipping, "1.95");
    EXPECT_EQ(app_->priceQuote.totalprice, "2.95");
    // The answer went to the diagnostic dump; the buttons are back.
    EXPECT_NE(dumped.find("<PriceQuote"), std::string::npos);
    EXPECT_TRUE(sheet->backButton()->isEnabled());
    EXPECT_TRUE(sheet->nextButton()->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(LabDetailsPageTest, TheLabsRefusalIsShownAndThePageStays) {
    openOnLab();
    fillValid();
    app_->priceQuote.totalprice = "earlier";
    type("voucherCode", "NOSUCH");
    ASSERT_TRUE(next());
    EXPECT_FALSE(passed);
    // The lab was reached and said why: its reason alone.
    EXPECT_EQ(lastMessage(), "Unknown voucher code NOSUCH");
    EXPECT_EQ(effects.messages.back().icon, QMessageBox::Critical);
    EXPECT_EQ(sheet->activeIndex(), 2);
    EXPECT_EQ(app_->priceQuote.totalprice, "earlier");
    EXPECT_TRUE(sheet->nextButton()->isEnabled());
    EXPECT_TRUE(edit("voucherCode")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Put right, the next try goes through.
    type("voucherCode", "welcome10");
    ASSERT_TRUE(next());
    EXPECT_TRUE(passed);
    EXPECT_EQ(app_->priceQuote.discount, "0.10");
}

TEST_F(LabDetailsPageTest, NothingLeavesOrClosesTheSheetWhileTheLabIsAsked) {
    openOnLab({"--delay-ms", "1500"});
    fillValid();
    QSignalSpy finished(page, &CUserDetailsPage::priceRequestFinished);
    QTest::mouseClick(sheet->nextButton(), Qt::LeftButton);
    ASSERT_TRUE(page->isRequestingPrice());
    EXPECT_FALSE(sheet->nextButton()->isEnabled());
    EXPECT_FALSE(sheet->backButton()->isEnabled());
    EXPECT_FALSE(sheet->cancelButton()->isEnabled());
    EXPECT_FALSE(edit("firstName")->isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(page->findChild<QLabel*>("priceStatus")->isVisible());

    // Escape, the close box and a second Continue change nothing.
    QTest::keyClick(sheet, Qt::Key_Escape);
    sheet->close();
    EXPECT_FALSE(page->onWizardNext());
    EXPECT_FALSE(page->onWizardBack());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(effects.messages.empty());

    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_EQ(sheet->activeIndex(), 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(LabDetailsPageTest, CancelStopsTheRequestAtOnceAndLeavesThePageAsItWas) {
    // The lab would hold its answer for eight seconds.
    openOnLab({"--delay-ms", "8000"});
    fillValid();
    QSignalSpy finished(page, &CUserDetailsPage::priceRequestFinished);
    QTest::mouseClick(sheet->nextButton(), Qt::LeftButton);
    ASSERT_TRUE(page->isRequestingPrice());
    auto* cancel = page->findChild<QPushButton*>("cancelPrice");
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(cancel->text(), "Cancel");
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(cancel, Qt::LeftButton);
    // The transfer really stops: the worker is back long before the lab answers.
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_FALSE(page->isRequestingPrice());
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(sheet->activeIndex(), 2);
    EXPECT_TRUE(sheet->nextButton()->isEnabled());
    EXPECT_TRUE(edit("firstName")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DetailsPageTest, AnUnreachableLabIsReportedAndThePageStays) {
    open();
    fillValid();
    ASSERT_TRUE(next());
    EXPECT_FALSE(passed);
    EXPECT_EQ(priceMessages, 1u);
    EXPECT_TRUE(lastMessage().endsWith(". Unable to access server information."));
    EXPECT_GT(lastMessage().size(), QString(". Unable to access server information.").size());
    EXPECT_EQ(sheet->activeIndex(), 2);
}

}  // namespace
