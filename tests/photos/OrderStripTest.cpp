// The order strip: its buttons act on a press and a release anywhere, a
// removal leaves every later photo with its own thumbnail, and turns change
// only the thumbnail.

#include "tests/photos/PhotoPageTestSupport.h"
#include "wizard/photos/StripLayout.h"
#include "wizard/photos/ThumbnailMaker.h"

namespace {

using orlavo::test::TempDir;
using namespace orlavo::wizard;

class OrderStripTest : public PhotoPageTest {
protected:
    // Three photos, red, green and blue, all ticked in that order.
    void startWithThree() {
        photo(dir, "1.jpg", Qt::red);
        photo(dir, "2.jpg", Qt::green);
        photo(dir, "3.jpg", Qt::blue);
        startPage(dir.path().string());
        waitLoaded();
        for (int row = 0; row < 3; ++row)
            clickRow(row);
        ASSERT_EQ(app().order.PhotoCount(), 3u);
        strip = page->orderStrip();
        QApplication::processEvents();
    }

    QPoint buttonCentre(int item, int button) {
        return StripButtonRect(strip->itemRect(item), kThumbnailSide, kThumbnailSide, button)
            .center();
    }

    // Presses BUTTON of ITEM and lets go at RELEASE_AT; waits for the page to act.
    void press(int item, int button, QPoint releaseAt) {
        QTest::mousePress(strip->viewport(), Qt::LeftButton, {}, buttonCentre(item, button));
        EXPECT_EQ(strip->pressedItem(), item);
        EXPECT_EQ(strip->pressedButton(), button);
        QSignalSpy clicked(strip, &OrderStripList::buttonClicked);
        QTest::mouseRelease(strip->viewport(), Qt::LeftButton, {}, releaseAt);
        EXPECT_EQ(clicked.count(), 1);
        EXPECT_EQ(strip->pressedItem(), -1);
        QApplication::processEvents();
    }

    // The colour the strip shows in the middle of item K's thumbnail.
    QColor shownColour(int item) {
        const QImage shot = strip->viewport()->grab().toImage();
        const QPoint centre =
            StripThumbnailAt(strip->itemRect(item), kThumbnailSide, kThumbnailSide) +
            QPoint(kThumbnailSide / 2, kThumbnailSide / 2);
        return shot.pixelColor(centre * shot.devicePixelRatio());
    }

    TempDir dir;
    OrderStripList* strip = nullptr;
};

TEST_F(OrderStripTest, RemovingTheFirstOfThreeKeepsEachLaterPhotosThumbnail) {
    startWithThree();
    EXPECT_TRUE(orlavo::test::Near(shownColour(0), Qt::red));
    // Pressed on the bin, released far away: the photo goes all the same.
    press(0, kRemove, QPoint(strip->viewport()->width() - 2, 2));
    ASSERT_EQ(app().order.PhotoCount(), 2u);
    EXPECT_EQ(app().order.photos()[0].path, dir.file("2.jpg"));
    EXPECT_EQ(strip->model()->rowCount(), 2);
    EXPECT_TRUE(orlavo::test::Near(shownColour(0), Qt::green));
    EXPECT_TRUE(orlavo::test::Near(shownColour(1), Qt::blue));
    // Its tick in the folder went with it.
    EXPECT_FALSE(model().ticked(rowOf(dir, "1.jpg")));
    EXPECT_TRUE(model().ticked(rowOf(dir, "2.jpg")));
    EXPECT_EQ(page->checkedInFolder(), 2);
    EXPECT_EQ(countText(), " 2 Photos Selected (2 in the current directory)");
    // Delete on the current item removes it too.
    strip->setCurrentIndex(strip->model()->index(1, 0));
    QTest::keyClick(strip, Qt::Key_Delete);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app().order.PhotoCount() == 1; }, 2000));
    EXPECT_EQ(app().order.photos()[0].path, dir.file("2.jpg"));
}

TEST_F(OrderStripTest, FourQuarterTurnsGiveTheFirstThumbnailBack) {
    startWithThree();
    // A picture whose turns can be seen.
    const QImage first =
        MakeThumbnail(
            dir.write("q.jpg", orlavo::test::EncodeJpeg(orlavo::test::Quadrants(300, 300))),
            page->devicePixelRatioF())
            .image;
    ASSERT_FALSE(first.isNull());
    app().selectedThumbnails.replace(1, first);
    const std::uint64_t bytes = app().order.selectedBytes();

    press(1, kTurnClockwise, buttonCentre(1, kTurnClockwise));
    EXPECT_EQ(app().selectedThumbnails.forPhoto(1), RotateThumbnail(first, 9000));
    EXPECT_NE(app().selectedThumbnails.forPhoto(1), first);
    press(1, kTurnCounterClockwise, buttonCentre(1, kTurnCounterClockwise));
    EXPECT_EQ(app().selectedThumbnails.forPhoto(1), first);
    for (int i = 0; i < 4; ++i)
        press(1, kTurnClockwise, buttonCentre(1, kTurnClockwise));
    EXPECT_EQ(app().selectedThumbnails.forPhoto(1), first);
    // Only the thumbnail turned: the order and the other photos are as they were.
    EXPECT_EQ(app().order.PhotoCount(), 3u);
    EXPECT_EQ(app().order.selectedBytes(), bytes);
    EXPECT_TRUE(orlavo::test::Near(shownColour(0), Qt::red));
}

TEST_F(OrderStripTest, AClickBesideTheButtonsSelectsTheItem) {
    startWithThree();
    QSignalSpy clicked(strip, &OrderStripList::buttonClicked);
    const QRect bin1 = StripButtonRect(strip->itemRect(1), kThumbnailSide, kThumbnailSide, kRemove);
    // One pixel below the last button is no button; a click on a thumbnail selects it.
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {},
                      bin1.topLeft() + QPoint(0, kStripButtonSize + 1));
    QTest::mouseClick(
        strip->viewport(), Qt::LeftButton, {},
        StripThumbnailAt(strip->itemRect(1), kThumbnailSide, kThumbnailSide) + QPoint(30, 30));
    QApplication::processEvents();
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(app().order.PhotoCount(), 3u);
    EXPECT_EQ(strip->currentIndex().row(), 1);

    // Both ends of a button belong to it.
    const QRect bin2 = StripButtonRect(strip->itemRect(2), kThumbnailSide, kThumbnailSide, kRemove);
    QTest::mousePress(strip->viewport(), Qt::LeftButton, {},
                      bin2.topLeft() + QPoint(kStripButtonSize, kStripButtonSize));
    EXPECT_EQ(strip->pressedButton(), kRemove);
    QTest::mouseRelease(strip->viewport(), Qt::LeftButton, {}, bin2.topLeft());
    EXPECT_EQ(clicked.count(), 1);
    QApplication::processEvents();
    EXPECT_EQ(orderPaths(), (std::vector<std::string>{dir.file("1.jpg"), dir.file("2.jpg")}));
}

}  // namespace
