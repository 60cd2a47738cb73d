// The print preview of step 2: opened from a thumbnail or a row, one print
// per line at its product's proportions, "Zoom and Trim" changed from it, and
// the rows' warning signs.

#include <QCheckBox>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include "tests/app/AppTestSupport.h"
#include "tests/photos/TestPhotos.h"
#include "tests/products/ProductPageTestSupport.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/PrintPreviewDialog.h"
#include "wizard/products/ui/PrintPreviewView.h"
#include "wizard/products/ui/ProductRow.h"

namespace {

// A 6x4, a product without print size and a square print.
constexpr const char* kCatalogue = R"(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" prod_description="6x4 in Gloss" price=".25" x_dim="152" y_dim="102"/>
    <product id="P2" name="Poster" price="1.10"/>
    <product id="P3" prod_description="5x5 in Square" price="0.40" x_dim="127" y_dim="127"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/></ship></shipping>
</affiliateinfo>
)";

class PrintPreviewTest : public ProductPageAppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startWithProductPage(kCatalogue);
    }
    // A photo of four coloured quarters written to disk, with lines of PRODUCTS.
    void addPhoto(int width, int height, std::initializer_list<int> products, bool onDisk = true) {
        const QString path = tempPath(QString("photo%1.jpg").arg(app_->order.PhotoCount()));
        if (onDisk) {
            const std::string jpeg =
                orlavo::test::EncodeJpeg(orlavo::test::Quadrants(width, height));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(jpeg.data(), static_cast<qint64>(jpeg.size()));
        }
        QImage thumb(92, 92, QImage::Format_RGB32);
        thumb.fill(Qt::darkCyan);
        app_->selectedThumbnails.append(thumb);
        const std::size_t at = app_->order.AddPhoto(path.toStdString(), 0, 1000, width, height);
        for (int j : products)
            app_->order.SetQuantity(at, j, 1);
    }
    void forwardToStepTwo() {
        QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet().activeIndex(), 1);
        QApplication::processEvents();
    }
    // Clicks the thumbnail of PHOTO; the preview that opened, its picture decoded.
    PrintPreviewDialog* clickThumbnail(int photo) {
        PhotoProductBlock* b = page().block(photo);
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->thumbnailRect().center());
        return waitForPicture();
    }
    PrintPreviewDialog* waitForPicture() {
        PrintPreviewDialog* d = page().preview();
        if (d == nullptr)
            return nullptr;
        EXPECT_TRUE(QTest::qWaitFor([d] { return d->pictureDone(); }, 30000));
        return d;
    }
    QImage drawn(PrintPreviewDialog* d) { return d->view()->grab().toImage(); }
    const orlavo::wizard::OrderLine& line(int photo, int product) {
        return app_->order.photos()[static_cast<std::size_t>(photo)]
            .orderLines[static_cast<std::size_t>(product)];
    }
    ProductRow* row(int photo, int k) { return page().block(photo)->row(k); }

    CCustomProductPage& page() { return *static_cast<CCustomProductPage*>(sheet().page(1)); }
};

bool Dimmed(QColor seen, QColor photo) {
    return seen.value() < photo.value() * 0.6;
}

}  // namespace

TEST_F(PrintPreviewTest, AThumbnailClickShowsEachLineAtItsProportionsWithTheSharpPhoto) {
    addPhoto(1600, 1200, {0, 2});
    forwardToStepTwo();
    PrintPreviewDialog* d = clickThumbnail(0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->lineList()->count(), 2);
    EXPECT_EQ(d->lineList()->item(0)->text(), "1 x 6x4 in Gloss");
    EXPECT_EQ(d->currentProduct(), 0);
    EXPECT_EQ(d->sizeLabel()->text(), "152 x 102 mm (6.0 x 4.0 in)");
    EXPECT_EQ(d->qualityLabel()->text(), "Fine");
    EXPECT_FALSE(d->zoomTrimBox()->isChecked());

    // Not trimmed: the whole photo on a 6x4, white at its left and right.
    PrintPreviewView* v = d->view();
    const QRectF paper = v->paperRect(), photo = v->photoRect();
    EXPECT_NEAR(paper.width() / paper.height(), 152.0 / 102.0, 0.01);
    EXPECT_NEAR(photo.height(), paper.height(), 0.5);
    EXPECT_GT(photo.left() - paper.left(), 10);
    // The decoded photo, not the thumbnail blown up: as wide as the view at its ratio.
    EXPECT_EQ(v->picture().width(), qRound(PrintPreviewView::kSide * d->devicePixelRatioF()));
    const QImage shot = drawn(d);
    EXPECT_EQ(shot.pixelColor((paper.left() + photo.left()) / 2, paper.center().y()),
              QColor(Qt::white));
    EXPECT_TRUE(orlavo::test::Near(
        shot.pixelColor(photo.left() + photo.width() / 4, photo.top() + photo.height() / 4),
        Qt::red));

    // The square line: the photo's sides are cut once it is trimmed.
    d->lineList()->setCurrentRow(1);
    EXPECT_EQ(d->currentProduct(), 2);
    EXPECT_EQ(d->sizeLabel()->text(), "127 x 127 mm (5.0 x 5.0 in)");
    EXPECT_NEAR(v->paperRect().width(), v->paperRect().height(), 0.5);
}

TEST_F(PrintPreviewTest, ZoomAndTrimInThePreviewChangesTheLineItsRowAndTheWarning) {
    addPhoto(1600, 1200, {0, 2});
    forwardToStepTwo();
    ProductRow* square = row(0, 1);
    EXPECT_TRUE(square->warningText().isEmpty());
    PrintPreviewDialog* d = clickThumbnail(0);
    ASSERT_NE(d, nullptr);
    d->showLine(2);
    QTest::mouseClick(d->zoomTrimBox(), Qt::LeftButton);
    EXPECT_EQ(line(0, 2).zoomTrim, 1);
    EXPECT_EQ(line(0, 0).zoomTrim, 0);  // the other line stays
    EXPECT_TRUE(square->zoomTrimBox()->isChecked());
    const QString why = "Zoom and Trim cuts away 25% of this photo.";
    EXPECT_EQ(square->warningText(), why);
    EXPECT_EQ(d->warningLabel()->text(), why);

    // Trimmed: the paper lies within the photo, whose left and right are dimmed.
    PrintPreviewView* v = d->view();
    const QRectF paper = v->paperRect(), photo = v->photoRect();
    EXPECT_TRUE(photo.adjusted(-0.5, -0.5, 0.5, 0.5).contains(paper));
    EXPECT_NEAR(photo.width() - paper.width(), photo.width() / 4, 1.0);
    const QImage shot = drawn(d);
    const int y = qRound(photo.top() + photo.height() / 4);
    const QColor inside = shot.pixelColor(qRound(paper.left()) + 5, y);
    const QColor cut = shot.pixelColor(qRound((photo.left() + paper.left()) / 2), y);
    EXPECT_TRUE(orlavo::test::Near(inside, Qt::red));
    EXPECT_TRUE(Dimmed(cut, inside)) << cut.name().toStdString();

    QTest::mouseClick(d->zoomTrimBox(), Qt::LeftButton);
    EXPECT_EQ(line(0, 2).zoomTrim, 0);
    EXPECT_FALSE(square->zoomTrimBox()->isChecked());
    EXPECT_TRUE(square->warningText().isEmpty());
    EXPECT_TRUE(d->warningLabel()->text().isEmpty());
}

TEST_F(PrintPreviewTest, SpaceOnARowOpensItsLineAndAPhotoWithoutLinesOpensNothing) {
    addPhoto(1600, 1200, {0, 2});
    addPhoto(1600, 1200, {});
    forwardToStepTwo();
    ProductRow* square = row(0, 1);
    square->setFocus(Qt::TabFocusReason);
    QTest::keyClick(square, Qt::Key_Space);
    PrintPreviewDialog* d = waitForPicture();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->currentProduct(), 2);
    d->close();
    QApplication::processEvents();
    EXPECT_EQ(page().preview(), nullptr);

    PhotoProductBlock* empty = page().block(1);
    QTest::mouseClick(empty, Qt::LeftButton, Qt::NoModifier, empty->thumbnailRect().center());
    EXPECT_EQ(page().preview(), nullptr);
}

TEST_F(PrintPreviewTest, NoPrintIsDrawnWithoutAPrintSizeOrAReadablePhoto) {
    addPhoto(1600, 1200, {1});
    addPhoto(1600, 1200, {0}, false);  // the file has gone since step 1
    forwardToStepTwo();
    PrintPreviewDialog* d = clickThumbnail(0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->view()->message(), "This product has no print size, so no preview can be shown.");
    EXPECT_TRUE(d->view()->paperRect().isNull());
    EXPECT_TRUE(d->sizeLabel()->text().isEmpty());
    EXPECT_EQ(d->qualityLabel()->text(), "Undefined");
    d->close();

    d = clickThumbnail(1);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->view()->message(), "This photo cannot be read.");
    // What is known of the line is still told.
    EXPECT_EQ(d->sizeLabel()->text(), "152 x 102 mm (6.0 x 4.0 in)");
}

TEST_F(PrintPreviewTest, RowsCarryAWarningSignWhoseTooltipSaysWhy) {
    addPhoto(400, 300, {0});       // too few pixels for a 6x4
    addPhoto(1600, 1200, {0, 2});  // fine either way, until trimmed on the square
    forwardToStepTwo();
    const QString poor = "Quality \"Poor\": the photo has too few pixels for a print this size.";
    ProductRow* small = row(0, 0);
    EXPECT_EQ(small->warningText(), poor);
    const QPoint sign = small->warningRect().center();
    EXPECT_EQ(small->toolTipAt(sign), poor);
    EXPECT_TRUE(small->toolTipAt(small->deleteMarkRect().center()).isEmpty());
    EXPECT_TRUE(small->accessibleName().contains(poor));
    // The tooltip that a pause of the mouse shows.
    QHelpEvent help(QEvent::ToolTip, sign, small->mapToGlobal(sign));
    QApplication::sendEvent(small, &help);
    EXPECT_EQ(QToolTip::text(), poor);
    QToolTip::hideText();

    EXPECT_TRUE(row(1, 0)->warningText().isEmpty());
    EXPECT_TRUE(row(1, 1)->warningText().isEmpty());
    EXPECT_TRUE(row(1, 1)->toolTipAt(row(1, 1)->warningRect().center()).isEmpty());
    // "Zoom and Trim All" trims every line: the square one now loses a quarter.
    QTest::mouseClick(page().zoomAndTrimAllBox(), Qt::LeftButton);
    EXPECT_TRUE(row(1, 0)->warningText().isEmpty());
    EXPECT_EQ(row(1, 1)->warningText(), "Zoom and Trim cuts away 25% of this photo.");
    // The row's own box takes it back.
    QTest::mouseClick(row(1, 1)->zoomTrimBox(), Qt::LeftButton);
    EXPECT_TRUE(row(1, 1)->warningText().isEmpty());
}
