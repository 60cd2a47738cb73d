// A whole order as a user makes it: the start window loads a real lab's
// catalogue, the program's four step pages are clicked through (photos ticked
// in the folder view, prints added, details typed, the lab's quote), back to
// step 1 and forward again with a print more, "Send Order" sends it, and the
// lab ends up with one whole order; "Order More Photos" then opens an empty
// step 1 for a second order.

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QRadioButton>
#include <map>

#include "tests/app/EventLoopScript.h"
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

    CSelectImagePage* photoPage(CMyProperySheet& sheet) {
        return qobject_cast<CSelectImagePage*>(sheet.page(0));
    }
    // The folder listed and every thumbnail made: a photo can be ticked.
    bool thumbnailsMade(CMyProperySheet& sheet) {
        CSelectImagePage* page = photoPage(sheet);
        FolderModel* model = page ? page->folderModel() : nullptr;
        if (!model || model->rowOfPath(sample(4)) < 0)
            return false;
        for (int row = 0; row < model->count(); ++row)
            if (model->data(model->index(row, 0), FolderModel::kThumbnailRole)
                    .value<QImage>()
                    .isNull())
                return false;
        return true;
    }

    // Step 1: the pictures folder with its thumbnails; the photos SAMPLES
    // ticked by clicks, in that order.
    void choosePhotos(EventLoopScript& script, CMyProperySheet& sheet, std::vector<int> samples) {
        script.then(
            "tick the photos", [this, &sheet] { return thumbnailsMade(sheet); },
            [this, &sheet, samples] {
                ASSERT_EQ(sheet.activeIndex(), 0);
                CSelectImagePage* page = photoPage(sheet);
                FolderModel* model = page->folderModel();
                ASSERT_EQ(model->count(), 4);
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
            });
    }

    // TEXT, or a product of that name (the product lists add its price).
    static void choose(QComboBox* box, const QString& text) {
        int at = box->findText(text);
        if (at < 0)
            at = box->findText(text + " - ", Qt::MatchStartsWith);
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
    void choosePrints(EventLoopScript& script, CMyProperySheet& sheet) {
        auto prints = [&sheet] { return qobject_cast<CCustomProductPage*>(sheet.page(1)); };
        script.then("add prints", [prints] {
            CCustomProductPage* page = prints();
            ASSERT_NE(page, nullptr);
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
        });
        script.then(
            "go on to step 3", [prints] { return prints()->block(0)->rowCount() == 1; },
            [prints, &sheet] {
                EXPECT_EQ(prints()->subtotalLabel()->text(), "4.05 GBP");
                QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
                ASSERT_EQ(sheet.activeIndex(), 2);
            },
            10000);
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
    void enterDetails(EventLoopScript& script, CMyProperySheet& sheet) {
        script.then("enter the details", [&sheet] {
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
        });
        continueToSummary(script, sheet);
    }

    QString summaryText(CMyProperySheet& sheet, const char* name) {
        auto* label = sheet.page(3)->findChild<QLabel*>(name);
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }

    // Step 4: the summary of what was entered, then "Send Order". The send
    // runs in the wizard's own event loop until the order-sent window shows,
    // and that window stays with the wizard hidden behind it.
    void sendOrder(EventLoopScript& script, CMyProperySheet& sheet, std::string subtotal) {
        auto page = [&sheet] { return qobject_cast<COrderSummaryPage*>(sheet.page(3)); };
        script.then("send the order", [this, &sheet, page, subtotal] {
            ASSERT_NE(page(), nullptr);
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
            outcome_.reset();
            shown_.clear();
            QObject::disconnect(handled_);
            handled_ = QObject::connect(page(), &COrderSummaryPage::sendHandled,
                                        [this](const SendOutcome& o) { outcome_ = o; });
            QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        });
        // The upload window shows each photo on its way (the lab answers
        // slowly enough for every one to be seen).
        script.then(
            "see the order sent",
            [this, page] {
                if (CUploadDialog* upload = page()->uploadDialog()) {
                    const int i = upload->thumbnailIndex();
                    if (i > 0 && !shown_.count(i) && upload->isVisible())
                        shown_[i] = upload->thumbnailFrame()->pixmap().toImage();
                }
                return outcome_.has_value();
            },
            [] {}, 120000);
        script.then(
            "read the order-sent window", [&sheet] { return successWindowOf(sheet) != nullptr; },
            [this, &sheet] {
                ASSERT_EQ(outcome_->kind, SendOutcome::Kind::Sent) << outcome_->message;
                EXPECT_FALSE(sheet.isVisible());
                FolderModel* folder = photoPage(sheet)->folderModel();
                ASSERT_EQ(shown_.size(), app_->order.PhotoCount());
                for (const auto& [i, image] : shown_) {
                    const QImage made =
                        folder
                            ->data(folder->index(
                                       folder->rowOfPath(app_->order.photos()[i - 1].path), 0),
                                   FolderModel::kThumbnailRole)
                            .value<QImage>();
                    EXPECT_FALSE(made.isNull()) << i;
                    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32),
                              made.convertToFormat(QImage::Format_RGB32))
                        << "photo " << i;
                }
                EXPECT_TRUE(effects.messages.empty());
            },
            10000);
        // A moment later the window is still there: it waits for the user.
        script.then(
            "find the order-sent window still open",
            [since = std::make_shared<QElapsedTimer>()] {
                if (!since->isValid())
                    since->start();
                return since->elapsed() > 300;
            },
            [&sheet] { ASSERT_NE(successWindowOf(sheet), nullptr); });
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
        CSelectImagePage* page = photoPage(sheet);
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
    void continueToSummary(EventLoopScript& script, CMyProperySheet& sheet) {
        script.then("ask the lab for its price",
                    [&sheet] { QTest::mouseClick(sheet.nextButton(), Qt::LeftButton); });
        script.then(
            "read the summary", [&sheet] { return sheet.activeIndex() == 3; },
            [this] {
                EXPECT_TRUE(effects.messages.empty()) << effects.messages.back().text.toStdString();
            });
    }

    // From the summary back to step 1 and forward again: the ticks and lines
    // are as they were; a 10x8 more of the third photo is priced again on
    // the way to step 4.
    void changeOnTheWayBack(EventLoopScript& script, CMyProperySheet& sheet) {
        script.then("go back and change the third photo's prints", [&sheet] {
            for (int step = 2; step >= 0; --step) {
                QTest::mouseClick(sheet.backButton(), Qt::LeftButton);
                ASSERT_EQ(sheet.activeIndex(), step);
            }
            EXPECT_EQ(sheet.nextButton()->text(), "Continue");
            EXPECT_EQ(qobject_cast<CSelectImagePage*>(sheet.page(0))->checkedInFolder(), 3);
            QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
            ASSERT_EQ(sheet.activeIndex(), 1);
            auto* prints = qobject_cast<CCustomProductPage*>(sheet.page(1));
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
        });
        continueToSummary(script, sheet);
    }

    // The second order, of one photo: step 2 shows it alone with its default
    // line, step 3 keeps what was typed.
    void orderOnePhoto(EventLoopScript& script, CMyProperySheet& sheet) {
        choosePhotos(script, sheet, {2});
        script.then("check the one photo's print", [this, &sheet] {
            auto* prints = qobject_cast<CCustomProductPage*>(sheet.page(1));
            EXPECT_EQ(prints->blocksPanel()->count(), 1);
            ASSERT_NE(prints->block(0), nullptr);
            ASSERT_EQ(prints->block(0)->rowCount(), 1);
            EXPECT_EQ(prints->block(0)->row(0)->nameText(),
                      "6 x 4 in classic print (152 x 102 mm)");
            EXPECT_EQ(prints->block(0)->row(0)->quantityText(), "1");
            EXPECT_EQ(prints->subtotalLabel()->text(), "0.25 GBP");
            QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
            ASSERT_EQ(sheet.activeIndex(), 2);
            EXPECT_EQ(sheet.page(2)->findChild<QLineEdit*>("firstName")->text(), "Ada");
        });
        continueToSummary(script, sheet);
    }

    std::optional<SendOutcome> outcome_;
    std::map<int, QImage> shown_;
    QMetaObject::Connection handled_;
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

    CMyProperySheet& sheet = *app_->sheet();
    std::string first;
    EventLoopScript script;
    script.onFailure([&sheet] {
        if (COrderSuccessfulPage* sent = successWindowOf(sheet))
            sent->close();
        sheet.endWizard(0);
    });
    choosePhotos(script, sheet, {3, 1, 4});
    choosePrints(script, sheet);
    enterDetails(script, sheet);
    script.then("see the first price",
                [this, &sheet] { EXPECT_EQ(summaryText(sheet, "subtotal"), "4.05 GBP"); });
    changeOnTheWayBack(script, sheet);
    sendOrder(script, sheet, "6.00");
    script.then("find the order at the lab", [this, &first] {
        first = expectNewOrderAtTheLab({}, {3, 1, 4},
                                       {{{"102", "2"}},
                                        {{"101", "1"}, {"102", "2"}},
                                        {{"101", "1"}, {"102", "2"}, {"104", "1"}, {"105", "1"}}});
    });
    script.then("order more photos", [this, &sheet] { orderMore(sheet); });
    orderOnePhoto(script, sheet);
    sendOrder(script, sheet, "0.25");
    script.then("find the second order at the lab", [this, &first] {
        expectNewOrderAtTheLab({first}, {2}, {{{"101", "1"}}});
    });
    script.then("exit", [&sheet] {
        QTest::mouseClick(successWindowOf(sheet)->exitButton(), Qt::LeftButton);
    });
    script.start();

    // The wizard's loop ends only when the script has ended it.
    EXPECT_EQ(app_->RunWizard(), COrderSuccessfulPage::kExit);
    EXPECT_TRUE(script.finished()) << "the wizard ended before the step: " << script.pending();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(successWindowOf(sheet), nullptr);
    // Its size is kept for the next start, as at any other end.
    EXPECT_FALSE(reg().getText(section::kSettings, "WizardWindow").empty());
}

}  // namespace
}  // namespace orlavo::transmission::uitest
