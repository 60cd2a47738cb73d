// The order summary page: what it shows, read again at each activation.

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>

#include "tests/support/PhotoSamples.h"
#include "tests/transmission/ui/SendTestSupport.h"
#include "wizard/app/CStaticLink.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/ui/OrderLinesTable.h"

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
    EXPECT_EQ(rows(), (QStringList{"Name on Card:|A BYRON", "Card Number:|xxxxxxxxxxxx1111",
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
    EXPECT_EQ(page().termsLink()->text(), "Terms of Service");
    EXPECT_TRUE(text("agreementEnd").contains("authorize your card"))
        << text("agreementEnd").toStdString();
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
    app_->priceQuote = {"2.00", "1.35", "0.65", "0.00", "0", "&lt;i&gt;"};
    reg().setText(section::kDownloadInfo, "TermsOfServiceURL", "http://127.0.0.1:9/other-terms");
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet().activeIndex(), 3);
    EXPECT_EQ(sheet().nextButton()->text(), "Send Order");
    EXPECT_EQ(text("paymentMethod"), "Pay at the shop");
    EXPECT_EQ(rows(), (QStringList{"Voucher Code:|none", "Promo Code:|SPRING", "|", "|"}));
    EXPECT_EQ(text("shopName"), "Orlavo Photo Bath Abbey");
    EXPECT_EQ(text("discount"), "-0.65 GBP");
    // Paid at the shop: no card is billed.
    EXPECT_FALSE(text("agreement").contains("card"));
    EXPECT_FALSE(text("agreementEnd").contains("card")) << text("agreementEnd").toStdString();
    EXPECT_TRUE(text("agreementEnd").contains("at the shop"));
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

// What is bought, row by row, with exact totals, and where the lab writes.
TEST_F(SummaryPageTest, ListsEveryPrintWithItsTotalAndTheAddressTheLabWritesTo) {
    start();
    startLab();
    prepareOrder({{{0, 3}, {1, 1}}, {{3, 7}}});
    showSummary();
    OrderLinesTable* table = page().orderLines();
    ASSERT_NE(table, nullptr);
    auto row = [table](int r) {
        QStringList cells;
        for (int c = 0; c < OrderLinesTable::kColumns; ++c)
            cells << table->item(r, c)->text();
        return cells.join('|');
    };
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(row(0), "sample_001.jpg|6 x 4 in classic print (152 x 102 mm)|3|0.25 GBP|0.75 GBP");
    EXPECT_EQ(row(1), "sample_001.jpg|7 x 5 in print (178 x 127 mm)|1|0.45 GBP|0.45 GBP");
    EXPECT_EQ(row(2), "sample_002.jpg|8 x 6 in print (203 x 152 mm)|7|0.85 GBP|5.95 GBP");
    EXPECT_FALSE(table->item(0, OrderLinesTable::kPhoto)->icon().isNull());
    EXPECT_EQ(table->item(2, OrderLinesTable::kPhoto)->toolTip(),
              QString::fromStdString(photoPath(1).string()));
    EXPECT_FALSE(table->accessibleName().isEmpty());
    EXPECT_EQ(text("email"), "ada@example.com");

    // At the least size and maximised, no text of the list is cut short.
    for (const QSize size : {sheet().minimumSize(), QSize(1600, 1000)}) {
        sheet().resize(size);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        SCOPED_TRACE(size.width());
        for (int c = 0; c < OrderLinesTable::kColumns; ++c) {
            if (c == OrderLinesTable::kProduct && size.width() < 1000)
                continue;  // the product takes what is left: cut last, with a tooltip
            const int column = table->horizontalHeader()->sectionSize(c);
            for (int r = 0; r < table->rowCount(); ++r) {
                const int needed =
                    table->fontMetrics().horizontalAdvance(table->item(r, c)->text()) +
                    (c == OrderLinesTable::kPhoto ? table->iconSize().width() : 0);
                EXPECT_GT(column, needed) << r << "," << c;
            }
        }
        // Every row is within reach without a sideways scroll at the largest size.
        if (size.width() >= 1600) {
            EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
        }
    }

    // Going back and changing a quantity shows the new line at the next visit.
    QTest::mouseClick(sheet().backButton(), Qt::LeftButton);
    app_->order.SetQuantity(1, 3, 100);
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet().activeIndex(), 3);
    EXPECT_EQ(table->item(2, OrderLinesTable::kTotal)->text(), "85.00 GBP");
}

TEST_F(SummaryPageTest, SaysInOneLineWhetherThePhotosGoWithWhereTheyWereTaken) {
    start();
    startLab();
    prepareOrder({{{0, 1}}, {{0, 1}}, {}});
    showSummary();
    EXPECT_EQ(text("location"), "none in these photos");
    // Two of the three say where they were taken; the third has no print.
    for (int i : {0, 2})
        test::WriteFile(photoPath(i), test::JpegBytes(QImage(64, 48, QImage::Format_RGB32),
                                                      test::PhoneExif(false, 1, true)));
    test::WriteFile(photoPath(1),
                    test::PngBytes(QImage(64, 48, QImage::Format_RGB32), {}, test::PhoneXmp(true)));
    sheet().setActivePage(2);
    sheet().setActivePage(3);
    EXPECT_EQ(text("location"), "removed from 2 photos");
    reg().setNumber(section::kSettings, "RemoveLocation", 0);
    sheet().setActivePage(2);
    sheet().setActivePage(3);
    EXPECT_EQ(text("location"), "sent with 2 photos");
}

}  // namespace
}  // namespace orlavo::transmission::uitest
