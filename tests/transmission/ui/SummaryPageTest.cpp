// The order summary page: what it shows, read again at each activation.

#include <QGroupBox>
#include <QLabel>

#include "tests/transmission/ui/SendTestSupport.h"
#include "wizard/app/CStaticLink.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/transmission/JournalFolder.h"

namespace orlavo::transmission::uitest {
namespace {

class SummaryPageTest : public SendTest {
protected:
    QString text(const char* name) {
        QLabel* label = page().findChild<QLabel*>(name);
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }
    QStringList rows() {
        QStringList out;
        for (int i = 1; i <= 4; ++i)
            out << text(qPrintable(QString("detailLabel%1").arg(i))) + "|" +
                       text(qPrintable(QString("detailValue%1").arg(i)));
        return out;
    }
    QGroupBox* freePrints() { return page().findChild<QGroupBox*>("freePrintsGroup"); }
};

TEST_F(SummaryPageTest, ShowsTheOrderAndReadsItAgainAtEachActivation) {
    start();
    startLab();
    wizard::CustomerDetails customer = Customer();
    customer.vouchercode = "WELCOME10";
    prepareOrder({{{0, 1}}}, customer);
    app_->priceQuote = {"12.50", "14.45", "0.00", "1.95", "3", "Three prints on us."};
    showSummary();

    EXPECT_EQ(sheet().nextButton()->text(), "Send Order");
    EXPECT_EQ(text("paymentMethod"), "Visa");
    EXPECT_EQ(rows(), (QStringList{"Name on Card:|A BYRON", "Card Number:|xxxxxxxxxxx11111",
                                   "Voucher Code:|WELCOME10", "Promo Code:|none"}));
    EXPECT_EQ(text("billingName"), "Ada Byron");
    EXPECT_EQ(text("billingCountry"), "United Kingdom");
    EXPECT_EQ(text("shippingCity"), "Paris");
    EXPECT_EQ(text("shippingCountry"), "France");
    EXPECT_EQ(text("subtotal"), "12.50 GBP");
    EXPECT_EQ(text("postage"), "1.95 GBP");
    EXPECT_EQ(text("discount"), "0.00 GBP");
    EXPECT_EQ(text("total"), "14.45 GBP");
    EXPECT_EQ(text("photoCount"), "1 photo");
    EXPECT_EQ(text("message"), "Three prints on us.");
    EXPECT_EQ(text("freePrints"), "3");
    EXPECT_TRUE(freePrints()->isVisible());
    EXPECT_EQ(page().termsLink()->link(), QString::fromStdString(lab().url("/terms")));
    QTest::mouseClick(page().termsLink(), Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{QString::fromStdString(lab().url("/terms"))});

    // Back to step 3: the button reads "Continue" again.
    QTest::mouseClick(sheet().backButton(), Qt::LeftButton);
    EXPECT_EQ(sheet().activeIndex(), 2);
    EXPECT_EQ(sheet().nextButton()->text(), "Continue");

    // New details, shop collection, method 9, a new quote and terms address.
    customer.cctype = "9";
    customer.vouchercode = "";
    customer.promocode = "SPRING";
    customer.firstname = "<b>Ada</b>";
    ASSERT_TRUE(SetCustomerDetails(app_->xml, customer, std::nullopt));
    app_->chosenShopName = "Orlavo Photo Bath Abbey";
    app_->priceQuote = {"2.00", "2.00", "0.00", "0.00", "0", "&lt;i&gt;"};
    reg().setText(section::kDownloadInfo, "TermsOfServiceURL", "http://127.0.0.1:9/other-terms");
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet().activeIndex(), 3);
    EXPECT_EQ(sheet().nextButton()->text(), "Send Order");
    EXPECT_EQ(text("paymentMethod"), "Pay at the shop");
    EXPECT_EQ(rows(), (QStringList{"Voucher Code:|none", "Promo Code:|SPRING", "|", "|"}));
    EXPECT_EQ(text("shopName"), "Orlavo Photo Bath Abbey");
    EXPECT_FALSE(freePrints()->isVisible());
    EXPECT_EQ(page().termsLink()->link(), "http://127.0.0.1:9/other-terms");
    // Texts from the customer and the lab are shown as they are, never as markup.
    EXPECT_EQ(text("billingName"), "<b>Ada</b> Byron");
    EXPECT_EQ(page().findChild<QLabel*>("billingName")->textFormat(), Qt::PlainText);
    EXPECT_EQ(text("message"), "&lt;i&gt;");
    EXPECT_EQ(page().findChild<QLabel*>("message")->textFormat(), Qt::PlainText);
}

// At the sheet's least size, with the note of an order that stopped
// part-way above them, the address lines keep their height and do not run
// into each other: the page scrolls instead.
TEST_F(SummaryPageTest, AtTheLeastSizeTheLinesStayWholeUnderTheNote) {
    start();
    startLab();
    prepareOrder({{{0, 1}}, {{0, 1}}});
    OrderJournal journal =
        NewJournal("Q7fK2mWx9TbR4nA", "UiTest", app_->uploadURL, 0, app_->xml, app_->order);
    journal.photos[0].accepted = true;
    std::string error;
    app_->unfinishedOrder = JournalFolder::Default().ClaimNew(journal, error);
    ASSERT_NE(app_->unfinishedOrder, nullptr) << error;
    showSummary();
    ASSERT_TRUE(page().resumeNote()->isVisible());
    sheet().resize(sheet().minimumSize());
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();

    for (const char* group : {"billingGroup", "shippingGroup"}) {
        SCOPED_TRACE(group);
        int previousBottom = -1;
        for (QLabel* line : page().findChild<QGroupBox*>(group)->findChildren<QLabel*>()) {
            if (!line->isVisible())
                continue;
            EXPECT_GE(line->height(), line->fontMetrics().height())
                << line->objectName().toStdString();
            EXPECT_GE(line->y(), previousBottom) << line->objectName().toStdString();
            previousBottom = line->y() + line->height();
        }
    }
    app_->unfinishedOrder->Remove();
    app_->unfinishedOrder.reset();
}

}  // namespace
}  // namespace orlavo::transmission::uitest
