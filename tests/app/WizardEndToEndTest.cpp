// A whole order as a user makes it: the start window loads a real lab's
// catalogue, the program's four step pages are clicked through (photos ticked
// in the folder view, prints added, details typed, the lab's quote), back to
// step 1 and forward again with a print more, "Send Order" sends it, and the
// lab ends up with one whole order; "Order More Photos" then opens an empty
// step 1 for a second order.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QRadioButton>
#include <map>

#include "tests/transmission/ui/SendTestSupport.h"
#include "wizard/app/CColorLabel.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ui/CSelectImagePage.h"
#include "wizard/photos/ui/FolderModel.h"
#include "wizard/photos/ui/OrderStripList.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/ProductRow.h"
#include "wizard/products/ui/StackPanel.h"

namespace orlavo::transmission::uitest {
namespace {

using Products = std::vector<std::pair<std::string, std::string>>;

class WizardEndToEndTest : public SendTest {
protected:
    void SetUp() override {
        SendTest::SetUp();
        // Four of the lab's sample photos in the pictures folder; three are ordered.
        ASSERT_TRUE(test::LabProcess::MakeSamplePhotos(photos_.path(), 4));
        // Each answer a moment late, so that the upload window can be watched.
        startLab({"--delay-ms", "300"});
        using section::kDownloadInfo;
        reg().setText(kDownloadInfo, "DownloadURL", lab().url("/catalogue.xml"));
        reg().setText(kDownloadInfo, "UploadURL", lab().url("/upload"));
        reg().setText(kDownloadInfo, "PriceRequestURL", lab().url("/price"));
        reg().setText(kDownloadInfo, "TermsOfServiceURL", lab().url("/terms"));
        reg().setText(section::kUserDetails, "PicturesFolder", photos_.path().string());
    }

    std::string sample(int n) const {
        return photos_.file("sample_00" + std::to_string(n) + ".jpg");
    }

    // Step 1: the pictures folder with its thumbnails; the photos SAMPLES
    // ticked by clicks, in that order.
    void choosePhotos(CMyProperySheet& sheet, const std::vector<int>& samples) {
        ASSERT_EQ(sheet.activeIndex(), 0);
        auto* page = qobject_cast<CSelectImagePage*>(sheet.page(0));
        ASSERT_NE(page, nullptr);
        FolderModel* model = page->folderModel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowOfPath(sample(4)) >= 0; }, 60000))
            << page->currentFolder();
        ASSERT_EQ(model->count(), 4);
        // A photo can be ticked once its thumbnail is made.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (int row = 0; row < model->count(); ++row)
                    if (model->data(model->index(row, 0), FolderModel::kThumbnailRole)
                            .value<QImage>()
                            .isNull())
                        return false;
                return true;
            },
            60000));
        QListView* view = page->thumbnailView();
        std::vector<std::string> ticked;
        for (int n : samples) {
            const QRect r = view->visualRect(model->index(model->rowOfPath(sample(n)), 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
            ticked.push_back(sample(n));
        }
        const auto count = static_cast<int>(samples.size());
        EXPECT_EQ(page->countLabel()->text(),
                  QString(" %1 Photo%2 Selected (%1 in the current directory)")
                      .arg(count)
                      .arg(count == 1 ? "" : "s"));
        EXPECT_EQ(page->orderStrip()->model()->rowCount(), count);
        std::vector<std::string> paths;
        for (const auto& p : app_->order.photos())
            paths.push_back(p.path);
        ASSERT_EQ(paths, ticked);
        EXPECT_EQ(app_->selectedThumbnails.count(), samples.size() + 1);
        EXPECT_EQ(effects.beeps, 0);
        ASSERT_TRUE(sheet.nextButton()->isEnabled());
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet.activeIndex(), 1);
    }

    static void choose(QComboBox* box, const QString& text) {
        const int at = box->findText(text);
        ASSERT_GE(at, 0) << text.toStdString();
        box->setCurrentIndex(at);
    }
    static void typeQuantity(QComboBox* box, const QString& text) {
        box->lineEdit()->selectAll();
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(box->lineEdit(), text);
    }

    // Step 2: two 7x5 of every photo, an 8x6 of the third, and the first
    // photo's default 6x4 removed by its row's mark.
    void choosePrints(CMyProperySheet& sheet) {
        auto* page = qobject_cast<CCustomProductPage*>(sheet.page(1));
        ASSERT_NE(page, nullptr);
        QApplication::processEvents();
        EXPECT_EQ(page->subtotalLabel()->text(), "0.75 GBP");  // a 6x4 of each photo
        choose(page->productSelector(), "7 x 5 in print (178 x 127 mm)");
        typeQuantity(page->quantitySelector(), "2");
        QTest::mouseClick(page->addButton(), Qt::LeftButton);

        PhotoProductBlock* third = page->block(2);
        ASSERT_NE(third, nullptr);
        choose(third->productSelector(), "8 x 6 in print (203 x 152 mm)");
        typeQuantity(third->quantitySelector(), "1");
        QTest::mouseClick(third->addButton(), Qt::LeftButton);
        EXPECT_EQ(third->rowCount(), 3);

        PhotoProductBlock* first = page->block(0);
        ASSERT_NE(first, nullptr);
        ASSERT_EQ(first->rowCount(), 2);
        ProductRow* sixByFour = first->row(0);
        ASSERT_EQ(sixByFour->nameText(), "6 x 4 in classic print (152 x 102 mm)");
        QTest::mouseClick(sixByFour, Qt::LeftButton, {}, sixByFour->deleteMarkRect().center());
        ASSERT_TRUE(QTest::qWaitFor([first] { return first->rowCount() == 1; }, 10000));
        EXPECT_EQ(page->subtotalLabel()->text(), "4.05 GBP");
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet.activeIndex(), 2);
    }

    static void type(QWidget* page, const char* name, const QString& text) {
        auto* edit = page->findChild<QLineEdit*>(name);
        ASSERT_NE(edit, nullptr) << name;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    // Step 3: billing details, home delivery to them, a test card; Continue
    // gets the lab's quote.
    void enterDetails(CMyProperySheet& sheet) {
        QWidget* page = sheet.page(2);
        for (const auto& [name, text] : std::initializer_list<std::pair<const char*, QString>>{
                 {"firstName", "Ada"},
                 {"lastName", "Lovelace"},
                 {"address", "12 Marlborough Buildings"},
                 {"city", "Bath"},
                 {"postcode", "BA1 2LY"},
                 {"phone", "07700 900123"},
                 {"email", "ada@example.org"},
                 {"cardNumber", "4111111111111111"},
                 {"nameOnCard", "A LOVELACE"},
                 {"securityCode", "737"}}) {
            type(page, name, text);
            ASSERT_FALSE(HasFatalFailure());
        }
        EXPECT_EQ(page->findChild<QLineEdit*>("cardNumber")->text(), "4111 1111 1111 1111");
        choose(page->findChild<QComboBox*>("country"), "United Kingdom");
        choose(page->findChild<QComboBox*>("paymentMethod"), "Visa");
        page->findChild<QComboBox*>("expiryYear")->setCurrentIndex(3);
        QTest::mouseClick(page->findChild<QRadioButton*>("home"), Qt::LeftButton);
        auto* same = page->findChild<QCheckBox*>("sameAsBilling");
        if (!same->isChecked())
            QTest::mouseClick(same, Qt::LeftButton);
        ASSERT_TRUE(same->isChecked());
        continueToSummary(sheet);
    }

    QString summaryText(CMyProperySheet& sheet, const char* name) {
        auto* label = sheet.page(3)->findChild<QLabel*>(name);
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }

    // Step 4: the summary of what was entered, then "Send Order" until the
    // order-sent window shows.
    void sendOrder(CMyProperySheet& sheet, const std::string& subtotal) {
        auto* page = qobject_cast<COrderSummaryPage*>(sheet.page(3));
        ASSERT_NE(page, nullptr);
        // The lab priced the prints chosen on step 2, with 1.95 postage in the UK.
        EXPECT_EQ(app_->priceQuote.subprice, subtotal);
        EXPECT_EQ(sheet.nextButton()->text(), "Send Order");
        EXPECT_EQ(summaryText(sheet, "paymentMethod"), "Visa");
        EXPECT_EQ(summaryText(sheet, "detailValue1"), "A LOVELACE");
        EXPECT_EQ(summaryText(sheet, "detailValue2"), "xxxxxxxxxxxx1111");
        EXPECT_EQ(summaryText(sheet, "billingName"), "Ada Lovelace");
        EXPECT_EQ(summaryText(sheet, "shippingCity"), "Bath");
        EXPECT_EQ(summaryText(sheet, "subtotal"), QString::fromStdString(subtotal) + " GBP");
        EXPECT_EQ(summaryText(sheet, "postage"), "1.95 GBP");
        EXPECT_EQ(summaryText(sheet, "total"),
                  QString::fromStdString(app_->priceQuote.totalprice) + " GBP");

        std::optional<SendOutcome> outcome;
        struct Disconnects {
            QMetaObject::Connection c;
            ~Disconnects() { QObject::disconnect(c); }
        } handled{QObject::connect(page, &COrderSummaryPage::sendHandled,
                                   [&outcome](const SendOutcome& o) { outcome = o; })};
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        // The upload window shows each photo on its way (the lab answers
        // slowly enough for every one to be seen).
        std::map<int, QImage> shown;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (CUploadDialog* upload = page->uploadDialog()) {
                    const int i = upload->thumbnailIndex();
                    if (i > 0 && !shown.count(i) && upload->isVisible())
                        shown[i] = upload->thumbnailFrame()->pixmap().toImage();
                }
                return outcome.has_value();
            },
            120000));
        ASSERT_EQ(outcome->kind, SendOutcome::Kind::Sent) << outcome->message;
        ASSERT_TRUE(QTest::qWaitFor([&] { return successWindowOf(sheet) != nullptr; }, 10000));
        EXPECT_FALSE(sheet.isVisible());
        FolderModel* folder = qobject_cast<CSelectImagePage*>(sheet.page(0))->folderModel();
        ASSERT_EQ(shown.size(), app_->order.PhotoCount());
        for (const auto& [i, image] : shown) {
            const QImage made =
                folder
                    ->data(folder->index(folder->rowOfPath(app_->order.photos()[i - 1].path), 0),
                           FolderModel::kThumbnailRole)
                    .value<QImage>();
            EXPECT_FALSE(made.isNull()) << i;
            EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32),
                      made.convertToFormat(QImage::Format_RGB32))
                << "photo " << i;
        }
    }

    // The one order that the lab holds besides BEFORE: the photos SAMPLES as
    // they are on disk, in the order ticked, each with its PRODUCTS and the
    // customer. Gives its id.
    std::string expectNewOrderAtTheLab(const std::vector<std::string>& before,
                                       const std::vector<int>& samples,
                                       const std::vector<Products>& products) {
        std::vector<std::string> added;
        for (const std::string& id : keptOrders())
            if (std::find(before.begin(), before.end(), id) == before.end())
                added.push_back(id);
        EXPECT_EQ(added.size(), 1u);
        if (added.size() != 1)
            return {};
        const std::string& id = added.front();
        const std::vector<KeptPhoto> kept = keptPhotos(id);
        EXPECT_EQ(kept.size(), samples.size());
        for (std::size_t i = 0; i < std::min(kept.size(), samples.size()); ++i) {
            SCOPED_TRACE(i + 1);
            EXPECT_EQ(kept[i].number, static_cast<int>(i + 1));
            EXPECT_EQ(kept[i].count, static_cast<int>(samples.size()));
            EXPECT_EQ(kept[i].orderId, id);
            EXPECT_EQ(kept[i].firstName, "Ada");
            EXPECT_EQ(kept[i].products, products[i]);
            char name[40];
            std::snprintf(name, sizeof name, "photo-%03zu-sample_00%d.jpg", i + 1, samples[i]);
            EXPECT_EQ(test::ReadFile(lab().ordersDir() / id / name),
                      test::ReadFile(sample(samples[i])));
        }
        EXPECT_TRUE(journals().empty());
        return id;
    }

    // "Order More Photos": the wizard again, on an empty step 1.
    void orderMore(CMyProperySheet& sheet) {
        QPointer<COrderSuccessfulPage> sent = successWindowOf(sheet);
        ASSERT_TRUE(sent);
        QTest::mouseClick(sent->orderMoreButton(), Qt::LeftButton);
        EXPECT_TRUE(!sent || !sent->isVisible());
        ASSERT_TRUE(sheet.isVisible());
        ASSERT_EQ(sheet.activeIndex(), 0);
        auto* page = qobject_cast<CSelectImagePage*>(sheet.page(0));
        EXPECT_EQ(app_->order.PhotoCount(), 0u);
        EXPECT_EQ(app_->selectedThumbnails.count(), 1u);
        EXPECT_EQ(page->countLabel()->text(), " 0 Photos Selected (0 in the current directory)");
        EXPECT_EQ(page->orderStrip()->model()->rowCount(), 0);
        for (int row = 0; row < page->folderModel()->count(); ++row)
            EXPECT_FALSE(page->folderModel()->ticked(row)) << row;
        EXPECT_FALSE(sheet.nextButton()->isEnabled());
        EXPECT_EQ(sheet.nextButton()->text(), "Continue");
        EXPECT_FALSE(sheet.backButton()->isVisible());
    }

    // The order-sent window on screen, if any.
    static COrderSuccessfulPage* successWindowOf(CMyProperySheet& sheet) {
        for (auto* w : sheet.findChildren<COrderSuccessfulPage*>())
            if (w->isVisible())
                return w;
        return nullptr;
    }

    // Continue on step 3: the lab's quote, then step 4.
    void continueToSummary(CMyProperySheet& sheet) {
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.activeIndex() == 3; }, 60000))
            << (effects.messages.empty() ? "" : effects.messages.back().text.toStdString());
    }

    // From the summary back to step 1 and forward again: the ticks and lines
    // are as they were; a 10x8 more of the third photo is priced again on
    // the way to step 4.
    void changeOnTheWayBack(CMyProperySheet& sheet) {
        for (int step = 2; step >= 0; --step) {
            QTest::mouseClick(sheet.backButton(), Qt::LeftButton);
            ASSERT_EQ(sheet.activeIndex(), step);
        }
        EXPECT_EQ(sheet.nextButton()->text(), "Continue");
        EXPECT_EQ(qobject_cast<CSelectImagePage*>(sheet.page(0))->checkedInFolder(), 3);
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet.activeIndex(), 1);
        auto* prints = qobject_cast<CCustomProductPage*>(sheet.page(1));
        QApplication::processEvents();
        EXPECT_EQ(prints->blocksPanel()->count(), 3);
        EXPECT_EQ(prints->subtotalLabel()->text(), "4.05 GBP");
        PhotoProductBlock* third = prints->block(2);
        ASSERT_NE(third, nullptr);
        choose(third->productSelector(), "10 x 8 in enlargement (254 x 203 mm)");
        ASSERT_FALSE(HasFatalFailure());
        QTest::mouseClick(third->addButton(), Qt::LeftButton);
        EXPECT_EQ(prints->subtotalLabel()->text(), "6.00 GBP");
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet.activeIndex(), 2);
        continueToSummary(sheet);
    }

    // The second order, of one photo: step 2 shows it alone with its default
    // line, step 3 keeps what was typed.
    void orderOnePhoto(CMyProperySheet& sheet) {
        choosePhotos(sheet, {2});
        ASSERT_FALSE(HasFatalFailure());
        auto* prints = qobject_cast<CCustomProductPage*>(sheet.page(1));
        QApplication::processEvents();
        EXPECT_EQ(prints->blocksPanel()->count(), 1);
        ASSERT_NE(prints->block(0), nullptr);
        ASSERT_EQ(prints->block(0)->rowCount(), 1);
        EXPECT_EQ(prints->block(0)->row(0)->nameText(), "6 x 4 in classic print (152 x 102 mm)");
        EXPECT_EQ(prints->block(0)->row(0)->quantityText(), "1");
        EXPECT_EQ(prints->subtotalLabel()->text(), "0.25 GBP");
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet.activeIndex(), 2);
        EXPECT_EQ(sheet.page(2)->findChild<QLineEdit*>("firstName")->text(), "Ada");
        continueToSummary(sheet);
    }
};

TEST_F(WizardEndToEndTest, AnOrderMadeOnTheFourStepsReachesTheLabWhole) {
    app_ = std::make_unique<CWizardApp>(std::vector<std::string>{"OrlavoW", "UiTest"}, effects,
                                        std::string(), MakeStepPage);
    ASSERT_TRUE(app_->StartUp());
    // A failed assertion in a window's callback ends that window, so that the test ends too.
    OnModal<CStartDialog> startWindow([](CStartDialog* d) {
        const bool ready = QTest::qWaitFor(
            [d] { return d->beginButton()->isEnabled() && d->beginButton()->text() == "Begin"; },
            60000);
        EXPECT_TRUE(ready) << d->statusLine()->text().toStdString();
        if (ready)
            QTest::mouseClick(d->beginButton(), Qt::LeftButton);
        else
            d->done(QDialog::Rejected);
    });
    ASSERT_TRUE(app_->RunStartDialog());
    ASSERT_TRUE(app_->DealerStep());

    bool reachedTheEnd = false;
    OnModal<CMyProperySheet> wizard([&](CMyProperySheet* sheet) {
        struct EndsWizard {
            CMyProperySheet* sheet;
            ~EndsWizard() {
                if (sheet->isVisible() || successWindowOf(*sheet))
                    sheet->endWizard(0);
            }
        } ends{sheet};
        choosePhotos(*sheet, {3, 1, 4});
        ASSERT_FALSE(HasFatalFailure());
        choosePrints(*sheet);
        ASSERT_FALSE(HasFatalFailure());
        enterDetails(*sheet);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_EQ(summaryText(*sheet, "subtotal"), "4.05 GBP");
        changeOnTheWayBack(*sheet);
        ASSERT_FALSE(HasFatalFailure());
        sendOrder(*sheet, "6.00");
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_TRUE(effects.messages.empty());
        const std::string first =
            expectNewOrderAtTheLab({}, {3, 1, 4},
                                   {{{"102", "2"}},
                                    {{"101", "1"}, {"102", "2"}},
                                    {{"101", "1"}, {"102", "2"}, {"104", "1"}, {"105", "1"}}});

        orderMore(*sheet);
        ASSERT_FALSE(HasFatalFailure());
        orderOnePhoto(*sheet);
        ASSERT_FALSE(HasFatalFailure());
        sendOrder(*sheet, "0.25");
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_TRUE(effects.messages.empty());
        expectNewOrderAtTheLab({first}, {2}, {{{"101", "1"}}});

        QTest::mouseClick(successWindowOf(*sheet)->exitButton(), Qt::LeftButton);
        reachedTheEnd = !sheet->isVisible() && !successWindowOf(*sheet);
    });
    EXPECT_EQ(app_->RunWizard(), COrderSuccessfulPage::kExit);
    EXPECT_TRUE(wizard.seen());
    EXPECT_TRUE(reachedTheEnd);
}

}  // namespace
}  // namespace orlavo::transmission::uitest
