// Step 2 in the wizard sheet: the page's and the blocks' "Set", the rows and
// their quantities, "Zoom and Trim All", prices and totals, the subtotal,
// going forward and back, the keyboard, the layout at the window's sizes.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

#include "common/SettingsTable.h"
#include "tests/app/AppTestSupport.h"
#include "tests/products/ProductPageTestSupport.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/ProductRow.h"
#include "wizard/products/ui/StackPanel.h"

namespace {

// One product at .25, one at 1.10 without x_dim.
constexpr const char* kCatalogue = R"(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" prod_description="6x4 in Gloss" price=".25" x_dim="152" y_dim="102"/>
    <product id="P2" name="Poster" price="1.10"/>
    <product id="P3" prod_description="7x5 in Matt" price="0.45" x_dim="178" y_dim="127"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/></ship></shipping>
</affiliateinfo>
)";

class ProductPageTest : public ProductPageAppTest {
protected:
    // The application with the product page as step 2, on step 1.
    void start() { startWithProductPage(kCatalogue); }
    // A photo as step 1 adds it: thumbnail first, then the record.
    void addPhoto(int width, int height) {
        QImage thumb(92, 69, QImage::Format_RGB32);
        thumb.fill(Qt::darkCyan);
        app_->selectedThumbnails.append(thumb);
        const auto n = app_->order.PhotoCount();
        app_->order.AddPhoto("/photos/p" + std::to_string(n) + ".jpg", 0, 1000, width, height);
    }
    void forwardToStepTwo() {
        QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet().activeIndex(), 1);
        QApplication::processEvents();
    }

    CCustomProductPage& page() { return *static_cast<CCustomProductPage*>(sheet().page(1)); }
    PhotoProductBlock& block(int photo) { return *page().block(photo); }
    const orlavo::wizard::OrderLine& line(int photo, int product) {
        return app_->order.photos()[static_cast<std::size_t>(photo)]
            .orderLines[static_cast<std::size_t>(product)];
    }
    QStringList rowNames(int photo) {
        QStringList names;
        for (int k = 0; k < block(photo).rowCount(); ++k)
            names << block(photo).row(k)->nameText();
        return names;
    }
    void typeQuantity(QComboBox* box, const QString& text) {
        box->lineEdit()->selectAll();
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(box->lineEdit(), text);
    }
};

}  // namespace

TEST_F(ProductPageTest, AddTwiceWithTwoThenFiveLeavesFiveOnEveryPhoto) {
    start();
    addPhoto(1600, 1200);
    addPhoto(640, 480);
    app_->order.SetQuantity(1, 2, 4);
    forwardToStepTwo();
    EXPECT_TRUE(sheet().backButton()->isVisible());
    EXPECT_EQ(sheet().windowTitle(), "Zadozu Orlavo (Step 2 of 4)");

    page().productSelector()->setCurrentIndex(0);
    typeQuantity(page().quantitySelector(), "2");
    QTest::mouseClick(page().addButton(), Qt::LeftButton);
    typeQuantity(page().quantitySelector(), "5");
    QTest::mouseClick(page().addButton(), Qt::LeftButton);

    EXPECT_EQ(line(0, 0).quantity, 5);
    EXPECT_EQ(line(1, 0).quantity, 5);
    EXPECT_EQ(line(1, 2).quantity, 4);  // another product's line stays
    EXPECT_EQ(rowNames(1), (QStringList{"6x4 in Gloss", "7x5 in Matt"}));
    EXPECT_EQ(block(0).row(0)->quantityText(), "5");
    EXPECT_EQ(page().subtotalLabel()->text(), "4.30 GBP");
}

TEST_F(ProductPageTest, QuantitiesBelowOneAreIgnoredAndLargeTypedOnesKept) {
    start();
    addPhoto(1600, 1200);
    forwardToStepTwo();
    for (const QString& typed : {QString(""), QString("0")}) {
        typeQuantity(page().quantitySelector(), typed);
        QTest::mouseClick(page().addButton(), Qt::LeftButton);
        EXPECT_EQ(line(0, 0).quantity, 0) << typed.toStdString();
    }
    // Letters cannot be typed; the list's 1 to 100 is no limit.
    typeQuantity(page().quantitySelector(), "x250");
    EXPECT_EQ(page().quantitySelector()->currentText(), "250");
    effects.answers.push_back(QMessageBox::Yes);  // more than 100: asked first
    QTest::mouseClick(page().addButton(), Qt::LeftButton);
    EXPECT_EQ(line(0, 0).quantity, 250);

    // The block reads what its field shows, also after an entry was picked.
    PhotoProductBlock& b = block(0);
    b.productSelector()->setCurrentIndex(2);
    b.quantitySelector()->setCurrentIndex(4);
    typeQuantity(b.quantitySelector(), "12");
    QTest::mouseClick(b.addButton(), Qt::LeftButton);
    EXPECT_EQ(line(0, 2).quantity, 12);
    EXPECT_EQ(rowNames(0), (QStringList{"6x4 in Gloss", "7x5 in Matt"}));
}

TEST_F(ProductPageTest, EnterInAQuantityFieldAddsInsteadOfContinuing) {
    start();
    addPhoto(1600, 1200);
    forwardToStepTwo();
    PhotoProductBlock& b = block(0);
    b.productSelector()->setCurrentIndex(1);
    typeQuantity(b.quantitySelector(), "3");
    QTest::keyClick(b.quantitySelector()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(line(0, 1).quantity, 3);
    typeQuantity(page().quantitySelector(), "7");
    QTest::keyClick(page().quantitySelector()->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(line(0, 0).quantity, 7);
    EXPECT_EQ(sheet().activeIndex(), 1);
}

TEST_F(ProductPageTest, RowsShowUnitPriceAndTheSubtotalAddsUp) {
    start();
    addPhoto(1600, 1200);
    addPhoto(0, 0);  // size not known
    forwardToStepTwo();
    EXPECT_EQ(page().subtotalLabel()->text(), "0.00 GBP");
    typeQuantity(page().quantitySelector(), "3");
    QTest::mouseClick(page().addButton(), Qt::LeftButton);

    for (int photo : {0, 1}) {
        ProductRow* r = block(photo).row(0);
        EXPECT_EQ(r->priceText(), "0.25 GBP");
        EXPECT_EQ(r->quantityText(), "3");
    }
    EXPECT_EQ(page().subtotalLabel()->text(), "1.50 GBP");
    EXPECT_EQ(block(0).row(0)->qualityText(), "Fine");
    EXPECT_EQ(block(1).row(0)->qualityText(), "Undefined");
    // A product without x_dim is "Undefined" for any photo.
    page().productSelector()->setCurrentIndex(1);
    typeQuantity(page().quantitySelector(), "1");
    QTest::mouseClick(page().addButton(), Qt::LeftButton);
    EXPECT_EQ(block(0).row(1)->nameText(), "Poster");
    EXPECT_EQ(block(0).row(1)->qualityText(), "Undefined");
    EXPECT_EQ(page().subtotalLabel()->text(), "3.70 GBP");
}

TEST_F(ProductPageTest, DeletingTheLastLineOfAPhotoLeavesItsBlockEmptyAndForwardStillPasses) {
    start();
    addPhoto(1600, 1200);
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 1);
    app_->order.SetQuantity(0, 2, 2);
    app_->order.SetQuantity(1, 0, 1);
    forwardToStepTwo();
    ASSERT_EQ(block(0).rowCount(), 2);

    // The red mark of the first row: the second row moves up into its place.
    ProductRow* first = block(0).row(0);
    QTest::mouseClick(first, Qt::LeftButton, {}, first->deleteMarkRect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return block(0).rowCount() == 1; }, 5000));
    EXPECT_EQ(rowNames(0), QStringList{"7x5 in Matt"});
    EXPECT_EQ(line(0, 0).quantity, 0);
    EXPECT_EQ(page().subtotalLabel()->text(), "1.15 GBP");
    // A press beside the mark removes nothing.
    ProductRow* left = block(0).row(0);
    QTest::mouseClick(left, Qt::LeftButton, {}, left->deleteMarkRect().topLeft() - QPoint(2, 0));
    QApplication::processEvents();
    EXPECT_EQ(block(0).rowCount(), 1);

    QTest::mouseClick(left, Qt::LeftButton, {}, left->deleteMarkRect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return block(0).rowCount() == 0; }, 5000));
    EXPECT_EQ(block(0).rowsPanel()->contentSize(), QSize(0, 0));
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    EXPECT_EQ(sheet().activeIndex(), 2);
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(ProductPageTest, ForwardWithoutAnyLineIsRefusedNamingThePhotos) {
    start();
    for (int i = 0; i < 5; ++i)
        addPhoto(1600, 1200);
    forwardToStepTwo();
    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    EXPECT_EQ(sheet().activeIndex(), 1);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "One or more pictures have no reason for upload\n"
              "Photos without prints: p0.jpg, p1.jpg, p2.jpg and 2 more.\n"
              "Choose a print for each photo you want printed.");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
}

TEST_F(ProductPageTest, UndecidedLinesTakeZoomAndTrimAllAndKeepItWhenThePageIsLeft) {
    reg().setNumber(orlavo::section::kUserDetails, "ZoomAndTrimAll", 1);
    start();
    addPhoto(1600, 1200);
    addPhoto(1600, 1200);
    app_->order.ApplyDefaultLine(0, 1);
    forwardToStepTwo();
    EXPECT_TRUE(page().zoomAndTrimAllBox()->isChecked());
    EXPECT_TRUE(block(0).row(0)->zoomTrimBox()->isChecked());
    QTest::mouseClick(sheet().backButton(), Qt::LeftButton);
    EXPECT_EQ(line(0, 0).zoomTrim, 1);
    EXPECT_EQ(line(1, 0).zoomTrim, 1);
}

TEST_F(ProductPageTest, ZoomAndTrimAllChecksARowThatWasUncheckedAndTheLinesFollow) {
    start();
    for (int i = 0; i < 3; ++i)
        addPhoto(1600, 1200);
    app_->order.ApplyDefaultLine(0, 1);
    app_->order.SetQuantity(2, 2, 1);
    forwardToStepTwo();
    QCheckBox* all = page().zoomAndTrimAllBox();
    EXPECT_FALSE(all->isChecked());
    QTest::mouseClick(all, Qt::LeftButton);  // on
    QCheckBox* one = block(2).row(1)->zoomTrimBox();
    ASSERT_TRUE(one->isChecked());
    QTest::mouseClick(one, Qt::LeftButton);  // one row off
    EXPECT_FALSE(one->isChecked());
    QTest::mouseClick(all, Qt::LeftButton);  // off
    QTest::mouseClick(all, Qt::LeftButton);  // on again
    EXPECT_TRUE(one->isChecked());
    QTest::mouseClick(block(0).row(0)->zoomTrimBox(), Qt::LeftButton);  // off

    QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
    EXPECT_EQ(line(0, 0).zoomTrim, 0);
    EXPECT_EQ(line(1, 0).zoomTrim, 1);
    EXPECT_EQ(line(2, 0).zoomTrim, 1);
    EXPECT_EQ(line(2, 2).zoomTrim, 1);
    EXPECT_EQ(app_->order.zoomAndTrimAll(), 1);
    // The check box is not written back to the settings.
    EXPECT_EQ(reg().getNumber(orlavo::section::kUserDetails, "ZoomAndTrimAll", 0), 0);
}

TEST_F(ProductPageTest, BackToStepOneAndANewPhotoGivesItsBlockAndKeepsTheOthers) {
    start();
    addPhoto(1600, 1200);
    app_->order.ApplyDefaultLine(0, 1);
    forwardToStepTwo();
    block(0).productSelector()->setCurrentIndex(2);
    typeQuantity(block(0).quantitySelector(), "4");
    QTest::mouseClick(block(0).addButton(), Qt::LeftButton);
    typeQuantity(block(0).quantitySelector(), "9");  // typed, not added

    QTest::mouseClick(sheet().backButton(), Qt::LeftButton);
    ASSERT_EQ(sheet().activeIndex(), 0);
    EXPECT_FALSE(sheet().backButton()->isVisible());
    addPhoto(3000, 2000);
    app_->order.ApplyDefaultLine(1, 2);  // what step 1 does when it is left
    forwardToStepTwo();

    EXPECT_EQ(page().blocksPanel()->count(), 2);
    // The blocks stand one below the other from the top, whatever they showed before.
    EXPECT_EQ(block(0).y(), 0);
    EXPECT_EQ(block(1).y(), block(0).height());
    EXPECT_EQ(rowNames(0), (QStringList{"6x4 in Gloss", "7x5 in Matt"}));
    EXPECT_EQ(block(0).row(1)->quantityText(), "4");
    EXPECT_EQ(rowNames(1), QStringList{"Poster"});
    EXPECT_EQ(block(1).row(0)->quantityText(), "2");
    // Every block starts with its selectors on their first entries.
    for (int photo : {0, 1}) {
        EXPECT_EQ(block(photo).productSelector()->currentIndex(), 0);
        EXPECT_EQ(block(photo).quantitySelector()->currentText(), "1");
    }
    EXPECT_EQ(page().subtotalLabel()->text(), "4.25 GBP");
}

TEST_F(ProductPageTest, KeyboardTabsThroughABlockAndDeleteRemovesTheFocusedLine) {
    start();
    addPhoto(1600, 1200);
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 1);
    app_->order.SetQuantity(0, 2, 1);
    app_->order.SetQuantity(1, 1, 1);
    forwardToStepTwo();
    sheet().activateWindow();
    PhotoProductBlock& b = block(0);
    b.productSelector()->setFocus();
    const QList<QWidget*> expected{
        b.quantitySelector(),    b.addButton(),           b.row(0),
        b.row(0)->quantityBox(), b.row(0)->zoomTrimBox(), b.row(1),
        b.row(1)->quantityBox(), b.row(1)->zoomTrimBox(), block(1).productSelector()};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        EXPECT_TRUE(now == next || next->isAncestorOf(now))
            << (now ? now->metaObject()->className() : "nothing");
    }
    // Space on the box toggles it; Delete on it removes its line.
    b.row(1)->zoomTrimBox()->setFocus();
    QTest::keyClick(b.row(1)->zoomTrimBox(), Qt::Key_Space);
    EXPECT_EQ(line(0, 2).zoomTrim, 1);
    QTest::keyClick(b.row(1)->zoomTrimBox(), Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.rowCount() == 1; }, 5000));
    EXPECT_EQ(line(0, 2).quantity, 0);
    // The keyboard stays in the block.
    EXPECT_EQ(QApplication::focusWidget(), b.row(0));
    QTest::keyClick(b.row(0), Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.rowCount() == 0; }, 5000));
    EXPECT_EQ(QApplication::focusWidget(), b.addButton());
}

TEST_F(ProductPageTest, TheWheelOverABlocksSelectorScrollsThePageNotTheSelection) {
    start();
    for (int i = 0; i < 20; ++i)
        addPhoto(1600, 1200);
    forwardToStepTwo();
    QScrollBar* bar = page().blocksPanel()->verticalScrollBar();
    for (QComboBox* box : {block(1).productSelector(), block(1).quantitySelector()}) {
        const int before = bar->value();
        const QPointF at(5, 5);
        QWheelEvent wheel(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        EXPECT_GT(bar->value(), before);
        EXPECT_EQ(box->currentIndex(), 0);
    }
}

TEST_F(ProductPageTest, ALargeOrderMakesOnlyTheBlocksInViewAndAddReachesEveryPhoto) {
    start();
    for (int i = 0; i < 197; ++i)
        addPhoto(1600, 1200);
    forwardToStepTwo();
    StackPanel* panel = page().blocksPanel();
    EXPECT_EQ(panel->count(), 197);
    EXPECT_LT(page().madeBlocks().size(), 12);
    EXPECT_GT(panel->contentSize().height(), 197 * 100);

    QTest::mouseClick(page().addButton(), Qt::LeftButton);
    EXPECT_TRUE(app_->order.HasAnyLine());
    EXPECT_EQ(line(196, 0).quantity, 1);
    EXPECT_EQ(page().subtotalLabel()->text(), "49.25 GBP");

    panel->verticalScrollBar()->setValue(panel->verticalScrollBar()->maximum());
    ASSERT_NE(panel->child(196), nullptr);
    EXPECT_EQ(block(196).rowCount(), 1);
    EXPECT_EQ(panel->child(100), nullptr);
    // Zoom and Trim All reaches lines whose blocks were never shown.
    QTest::mouseClick(page().zoomAndTrimAllBox(), Qt::LeftButton);
    EXPECT_EQ(line(100, 0).zoomTrim, 1);
    EXPECT_TRUE(block(196).row(0)->zoomTrimBox()->isChecked());
}

TEST_F(ProductPageTest, ProductBoxesShowWholeProductsAndTheColumnsTakeTheRoom) {
    start();
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 1);
    forwardToStepTwo();
    int narrowRow = 0;
    for (const QSize size : {sheet().minimumSizeHint(), QSize(1600, 1000)}) {
        sheet().resize(size);
        QApplication::processEvents();
        SCOPED_TRACE(size.width());
        PhotoProductBlock& b = block(0);
        // The longest entry with its price fits in the block's box.
        EXPECT_GE(b.productSelector()->width(), b.productSelector()->sizeHint().width());
        EXPECT_TRUE(QRect(QPoint(), b.size()).contains(b.addButton()->geometry()));
        // The page's box is as wide as its entries, no wider.
        EXPECT_LE(page().productSelector()->width(), page().productSelector()->sizeHint().width());
        EXPECT_GE(page().productSelector()->width(),
                  page().productSelector()->fontMetrics().horizontalAdvance(
                      page().productSelector()->itemText(2)));
        // The rows, whose name column takes what is left, grow with the window.
        if (narrowRow == 0)
            narrowRow = b.row(0)->width();
        else
            EXPECT_GT(b.row(0)->width(), narrowRow + 500);
    }
}

TEST_F(ProductPageTest, ListsNameUnitPricesAndRowsShowTheirTotals) {
    start();
    addPhoto(1600, 1200);
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 3);
    app_->order.SetQuantity(1, 2, 1);
    forwardToStepTwo();
    EXPECT_EQ(page().productSelector()->itemText(0), "6x4 in Gloss - 0.25 GBP");
    EXPECT_EQ(block(0).productSelector()->itemText(2), "7x5 in Matt - 0.45 GBP");
    EXPECT_EQ(block(0).addButton()->text(), "Set");
    EXPECT_EQ(page().addButton()->text(), "Set");
    EXPECT_TRUE(PhotoProductBlock::headerTexts().contains("Total"));
    ProductRow* r = block(0).row(0);
    EXPECT_EQ(r->priceText(), "0.25 GBP");
    EXPECT_EQ(r->totalText(), "0.75 GBP");
    EXPECT_EQ(page().subtotalLabel()->text(), "1.20 GBP");

    // The row's own quantity, typed in place; Enter keeps the page.
    QSpinBox* box = r->quantityBox();
    EXPECT_EQ(box->value(), 3);
    EXPECT_FALSE(box->accessibleName().isEmpty());
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "4");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(sheet().activeIndex(), 1);
    EXPECT_EQ(line(0, 0).quantity, 4);
    EXPECT_EQ(r->totalText(), "1.00 GBP");
    EXPECT_EQ(page().subtotalLabel()->text(), "1.45 GBP");
    // The arrows too.
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(line(0, 0).quantity, 5);
    EXPECT_EQ(page().subtotalLabel()->text(), "1.70 GBP");
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(ProductPageTest, AQuantityAboveOneHundredIsAskedAboutFirst) {
    start();
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 4);
    forwardToStepTwo();
    QSpinBox* box = block(0).row(0)->quantityBox();
    auto type = [box](const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    };
    effects.answers = {QMessageBox::No};
    type("250");
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_TRUE(effects.messages[0].text.contains("250"));
    EXPECT_TRUE(effects.messages[0].text.contains("6x4 in Gloss"));
    EXPECT_EQ(line(0, 0).quantity, 4);
    EXPECT_EQ(box->value(), 4);
    effects.answers = {QMessageBox::Yes};
    type("250");
    EXPECT_EQ(line(0, 0).quantity, 250);
    // Once past 100 a line is not asked about again.
    type("260");
    EXPECT_EQ(effects.messages.size(), 2u);
    EXPECT_EQ(line(0, 0).quantity, 260);

    // The page's and the block's "Set" ask too; No leaves every line.
    for (QPushButton* set : {page().addButton(), block(0).addButton()}) {
        QComboBox* quantity =
            set == page().addButton() ? page().quantitySelector() : block(0).quantitySelector();
        typeQuantity(quantity, "101");
        effects.answers = {QMessageBox::No};
        const std::size_t asked = effects.messages.size();
        QTest::mouseClick(set, Qt::LeftButton);
        EXPECT_EQ(effects.messages.size(), asked + 1);
        EXPECT_EQ(line(0, 0).quantity, 260);
        typeQuantity(quantity, "100");
        QTest::mouseClick(set, Qt::LeftButton);
        EXPECT_EQ(effects.messages.size(), asked + 1);  // 100 is not asked about
        EXPECT_EQ(line(0, 0).quantity, 100);
        effects.answers = {QMessageBox::Yes};
        type("260");  // past 100 again, for the next round
        EXPECT_EQ(line(0, 0).quantity, 260);
    }
}

TEST_F(ProductPageTest, EachBlockNamesItsFileBelowTheThumbnail) {
    start();
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 1);
    forwardToStepTwo();
    PhotoProductBlock& b = block(0);
    EXPECT_EQ(b.fileNameShown(), "p0.jpg");
    EXPECT_EQ(b.fileNameToolTip(), "/photos/p0.jpg");
    EXPECT_EQ(b.accessibleName(), "p0.jpg");
    EXPECT_GE(b.fileNameRect().top(), b.thumbnailRect().bottom());
    EXPECT_TRUE(QRect(QPoint(), b.size()).contains(b.fileNameRect()));
}
