// Choosing what a print keeps in the preview (drag, wheel, slider, keys,
// Reset), and what the lab then receives: a real orlavo-lab is sent an order
// with a turned photo, a cropped line and an untouched photo, and its stored
// files are compared with the preview's own picture.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "tests/app/AppTestSupport.h"
#include "tests/photos/TestPhotos.h"
#include "tests/products/ProductPageTestSupport.h"
#include "tests/support/LabProcess.h"
#include "tests/support/TempDir.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/products/PrintLayout.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/PrintPreviewDialog.h"
#include "wizard/products/ui/PrintPreviewView.h"
#include "wizard/products/ui/ProductRow.h"
#include "wizard/transmission/OrderSend.h"

namespace {

namespace fs = std::filesystem;
using orlavo::wizard::CropBox;

constexpr const char* kCatalogue = R"(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" prod_description="6x4 in Gloss" price=".25" x_dim="152" y_dim="102"/>
    <product id="P3" prod_description="5x5 in Square" price="0.40" x_dim="127" y_dim="127"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/></ship></shipping>
</affiliateinfo>
)";

// Colour everywhere: gradients both ways and a ring, so a shift or a turn shows.
QImage Scene(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient across(0, 0, width, 0);
    across.setColorAt(0, QColor(230, 40, 30));
    across.setColorAt(1, QColor(20, 60, 220));
    p.fillRect(image.rect(), across);
    QLinearGradient down(0, 0, 0, height);
    down.setColorAt(0, QColor(255, 255, 255, 0));
    down.setColorAt(1, QColor(20, 200, 40, 200));
    p.fillRect(image.rect(), down);
    p.setPen(QPen(Qt::yellow, width / 40.0));
    p.drawEllipse(QPointF(width * 0.3, height * 0.35), width * 0.12, width * 0.12);
    p.fillRect(QRectF(width * 0.7, height * 0.6, width * 0.1, height * 0.2), Qt::black);
    return image;
}

// Mean absolute difference per channel of two pictures of one size.
double Difference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 1e9;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

class Finish : public orlavo::transmission::UploadReporter {
public:
    void OrderRange(int) override {}
    void OrderPosition(int) override {}
    void ImageRange(int) override {}
    void ImagePosition(int) override {}
    void Thumbnail(int) override {}
    void Estimate(const std::string&) override {}
    void Notice(const std::string&) override {}
    void Finished() override { done = true; }
    std::atomic<bool> done{false};
};

class PrintPreviewCropTest : public ProductPageAppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        startWithProductPage(kCatalogue);
    }
    std::string addPhoto(int width, int height) {
        const QString path = tempPath(QString("photo %1.jpg").arg(app_->order.PhotoCount()));
        const std::string jpeg = orlavo::test::EncodeJpeg(Scene(width, height), 92);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(jpeg.data(), static_cast<qint64>(jpeg.size()));
        file.close();
        app_->selectedThumbnails.append(
            orlavo::wizard::MakeThumbnail(path.toStdString(), 1.0).image);
        app_->order.AddPhoto(path.toStdString(), 0, jpeg.size(), width, height);
        return jpeg;
    }
    void forwardToStepTwo() {
        QTest::mouseClick(sheet().nextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet().activeIndex(), 1);
        QApplication::processEvents();
    }
    PrintPreviewDialog* open(int photo) {
        PhotoProductBlock* b = page().block(photo);
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->thumbnailRect().center());
        PrintPreviewDialog* d = page().preview();
        if (d != nullptr) {
            EXPECT_TRUE(QTest::qWaitFor([d] { return d->pictureDone(); }, 30000));
        }
        return d;
    }
    const orlavo::wizard::OrderLine& line(int photo, int product) {
        return app_->order.photos()[std::size_t(photo)].orderLines[std::size_t(product)];
    }
    void wheel(QWidget* w, int delta) {
        const QPointF at = QRectF(w->rect()).center();
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    CCustomProductPage& page() { return *static_cast<CCustomProductPage*>(sheet().page(1)); }
};

}  // namespace

TEST_F(PrintPreviewCropTest, ThePhotoIsDraggedAndZoomedUnderThePaperAndResetCentresItAgain) {
    addPhoto(1600, 1200);
    app_->order.SetQuantity(0, 0, 1);
    app_->order.SetZoomTrim(0, 0, 1);
    forwardToStepTwo();
    PrintPreviewDialog* d = open(0);
    ASSERT_NE(d, nullptr);
    PrintPreviewView* view = d->view();
    EXPECT_TRUE(view->cropping());
    EXPECT_FALSE(d->resetButton()->isEnabled());
    EXPECT_EQ(d->zoomSlider()->accessibleName(), "Zoom");
    EXPECT_EQ(d->resetButton()->accessibleName(), "Reset");
    // 1600 pixels on 152 mm: above "Poor" down to a long side of 602.
    EXPECT_EQ(d->zoomSlider()->maximum(), int(std::floor(1600.0 / 602 * 100)));
    const QRectF paper = view->paperRect();

    // The slider zooms about the centre; the paper stays where it was.
    d->zoomSlider()->setValue(200);
    const CropBox zoomed = line(0, 0).crop;
    EXPECT_EQ(zoomed.width, 800);
    EXPECT_NEAR(zoomed.x + zoomed.width / 2.0, 800, 1);
    // Whole pixels of the frame may move the paper's edge by a fraction.
    EXPECT_NEAR(view->paperRect().left(), paper.left(), 1.0);
    EXPECT_NEAR(view->paperRect().bottom(), paper.bottom(), 1.0);
    EXPECT_EQ(d->qualityLabel()->text(), "Medium");  // 800 pixels on 152 mm: 134 ppi
    EXPECT_TRUE(d->resetButton()->isEnabled());
    EXPECT_NE(page().block(0)->row(0)->nameText().indexOf("own crop"), -1);

    // Dragged right and down, the photo shows more of its left and top.
    const QPoint from = paper.center().toPoint();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(view, from + QPoint(30, 20));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, from + QPoint(30, 20));
    const CropBox dragged = line(0, 0).crop;
    EXPECT_LT(dragged.x, zoomed.x);
    EXPECT_LT(dragged.y, zoomed.y);
    EXPECT_EQ(dragged.width, zoomed.width);

    // The wheel and the keys zoom; the arrows move; nothing passes the photo's edge.
    wheel(view, 120);
    EXPECT_LT(line(0, 0).crop.width, dragged.width);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Minus);
    QTest::keyClick(view, Qt::Key_Minus);
    EXPECT_GT(line(0, 0).crop.width, dragged.width);
    for (int i = 0; i < 200; ++i)
        QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(line(0, 0).crop.x, 0) << "the photo moved right shows its left edge";
    for (int i = 0; i < 60; ++i)
        wheel(view, 120);
    EXPECT_EQ(line(0, 0).crop.width, 602) << "zoom stops before Poor";
    EXPECT_NE(d->qualityLabel()->text(), "Poor");

    QTest::mouseClick(d->resetButton(), Qt::LeftButton);
    EXPECT_TRUE(line(0, 0).crop.empty());
    EXPECT_EQ(d->zoomSlider()->value(), 100);
    EXPECT_EQ(page().block(0)->row(0)->nameText(), "6x4 in Gloss");

    // Without Zoom and Trim there is nothing to choose.
    QTest::mouseClick(d->zoomTrimBox(), Qt::LeftButton);
    EXPECT_FALSE(view->cropping());
    EXPECT_FALSE(d->zoomSlider()->isEnabled());
    wheel(view, 120);
    EXPECT_TRUE(line(0, 0).crop.empty());
}

TEST_F(PrintPreviewCropTest, TheLabReceivesWhatThePreviewShowed) {
    // A turned photo; a photo with a cropped line and a whole one.
    addPhoto(1000, 750);
    const std::string untouched = addPhoto(1200, 900);
    app_->order.SetQuantity(0, 0, 1);
    app_->order.TurnPhoto(0, true);
    app_->order.SetQuantity(1, 0, 2);
    app_->order.SetZoomTrim(1, 0, 1);
    app_->order.SetQuantity(1, 1, 1);
    app_->order.SetZoomTrim(1, 1, 0);
    forwardToStepTwo();

    PrintPreviewDialog* first = open(0);
    ASSERT_NE(first, nullptr);
    const QImage turnedPicture = first->view()->picture();
    EXPECT_GT(turnedPicture.height(), turnedPicture.width()) << "the preview shows it turned";
    first->close();
    QApplication::processEvents();

    PrintPreviewDialog* second = open(1);
    ASSERT_NE(second, nullptr);
    second->zoomSlider()->setValue(180);
    QTest::mousePress(second->view(), Qt::LeftButton, Qt::NoModifier, QPoint(210, 210));
    QTest::mouseMove(second->view(), QPoint(250, 190));
    QTest::mouseRelease(second->view(), Qt::LeftButton, Qt::NoModifier, QPoint(250, 190));
    const CropBox crop = line(1, 0).crop;
    ASSERT_FALSE(crop.empty());
    const QImage wholePicture = second->view()->picture();
    second->close();

    orlavo::test::TempDir labData;
    labData.write("catalogue.xml", kCatalogue);  // the lab knows the products ordered
    orlavo::test::LabProcess lab(labData.path());
    ASSERT_TRUE(lab.running()) << lab.error();
    orlavo::wizard::CustomerDetails customer;
    customer.firstname = "Ada";
    customer.lastname = "Byron";
    customer.address1 = "1 Mill Lane";
    customer.city = "Bath";
    customer.country = customer.shippingCountry = "United Kingdom";
    customer.zip = customer.shippingZip = "BA1 1AA";
    customer.email = "ada@example.com";
    customer.shippingName = "Ada Byron";
    customer.shippingAddress1 = "1 Mill Lane";
    customer.shippingCity = "Bath";
    customer.cctype = "1";
    customer.ccnumber = "4111111111111111";
    customer.ccexpiremonth = "12";
    customer.ccexpireyear = "2035";
    customer.nameoncard = "A BYRON";
    customer.securitycode = "737";
    ASSERT_TRUE(orlavo::transmission::SetCustomerDetails(app_->xml, customer, std::nullopt));

    orlavo::transmission::UploadSettings settings;
    settings.uploadUrl = lab.url("/upload");
    settings.sendFolderParent = tempPath("sending").toStdString();
    Finish finish;
    orlavo::transmission::OrderSend send(settings, finish);
    send.Start(app_->xml, app_->order);
    ASSERT_TRUE(QTest::qWaitFor([&finish] { return finish.done.load(); }, 60000));
    const orlavo::transmission::SendOutcome outcome = send.Outcome();
    ASSERT_EQ(outcome.kind, orlavo::transmission::SendOutcome::Kind::Sent) << outcome.message;
    EXPECT_EQ(send.itemCount(), 3);
    EXPECT_TRUE(QDir(tempPath("sending")).isEmpty());

    // What the lab keeps, by number.
    const fs::path kept = lab.ordersDir() / send.orderId();
    std::map<int, std::string> files;
    for (const auto& e : fs::directory_iterator(kept)) {
        const std::string name = e.path().filename().string();
        if (name.size() > 10 && name.rfind("photo-", 0) == 0 && e.path().extension() == ".jpg")
            files[std::stoi(name.substr(6, 3))] = e.path().string();
    }
    ASSERT_EQ(files.size(), 3u);
    const auto bytesOf = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    EXPECT_EQ(bytesOf(files[2]), untouched) << "the photo kept whole: byte for byte";
    EXPECT_NE(bytesOf(files[3]).size(), untouched.size());

    // Turned: the same pixel size within a block, and the preview's picture.
    const QImage turned(QString::fromStdString(files[1]));
    EXPECT_NEAR(turned.width(), 750, 15);
    EXPECT_NEAR(turned.height(), 1000, 15);
    EXPECT_LT(Difference(turned.scaled(turnedPicture.size(), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation),
                         turnedPicture),
              6.0);

    // Cropped: the frame chosen, within a block, against that part of the preview.
    const QImage cropped(QString::fromStdString(files[3]));
    EXPECT_NEAR(cropped.width(), crop.width, 16);
    EXPECT_NEAR(cropped.height(), crop.height, 16);
    const double s = double(wholePicture.width()) / 1200;
    const QRect part(int(std::lround((crop.x + crop.width - cropped.width()) * s)),
                     int(std::lround((crop.y + crop.height - cropped.height()) * s)),
                     int(std::lround(cropped.width() * s)), int(std::lround(cropped.height() * s)));
    const QImage shown = wholePicture.copy(part);
    EXPECT_LT(
        Difference(cropped.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                   shown),
        6.0);

    // Its manifest names only its line, trimmed, and the order counts three photos.
    std::ifstream manifest(kept / "photo-003.xml");
    const std::string text((std::istreambuf_iterator<char>(manifest)), {});
    EXPECT_NE(text.find("numphotos=\"3\""), std::string::npos) << text;
    EXPECT_NE(text.find("zoomtrim=\"1\""), std::string::npos) << text;
    EXPECT_EQ(text.find("P3"), std::string::npos) << text;
    EXPECT_NE(text.find("filename=\"photo 1.jpg\""), std::string::npos) << text;
}
