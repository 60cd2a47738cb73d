// The order-sent window, the hyperlink and the colour label.

#include <QFile>
#include <QPushButton>
#include <QTest>

#include "common/SettingsTable.h"
#include "platform/FileVersion.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/CColorLabel.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/COrderSuccessfulPage.h"
#include "wizard/app/CStaticLink.h"
#include "wizard/app/LoadScaledBitmap.h"

namespace {

class ClosingTest : public AppTest {};

}  // namespace

TEST_F(ClosingTest, LinkTurnsPurpleWhenOpenedAndStaysPurple) {
    CStaticLink link(effects, "Terms Of Services", "http://127.0.0.1:9/terms");
    link.show();
    EXPECT_EQ(link.color(), QColor(0, 0, 255));
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{"http://127.0.0.1:9/terms"});
    EXPECT_EQ(link.color(), QColor(128, 0, 128));
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(128, 0, 128));
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(link.color(), QColor(128, 0, 128));
    EXPECT_EQ(effects.beeps, 0);
}

TEST_F(ClosingTest, LinkThatCannotBeOpenedBeepsAndKeepsItsColour) {
    effects.openSucceeds = false;
    CStaticLink link(effects, "Terms Of Services", "");
    link.show();
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(effects.beeps, 1);
    EXPECT_EQ(link.color(), QColor(0, 0, 255));
}

TEST_F(ClosingTest, ColourLabelOpensItsTextAndKeepsItsColours) {
    CColorLabel label(effects);
    label.setText("http://127.0.0.1:9/album");
    label.setTextColor(Qt::white);
    label.setBackgroundColor(QColor(0x80, 0x80, 0x80));
    label.show();
    EXPECT_EQ(label.textColor(), QColor(Qt::white));
    EXPECT_EQ(label.backgroundColor(), QColor(0x80, 0x80, 0x80));
    const QImage shot = label.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(0, 0)), QColor(0x80, 0x80, 0x80));
    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{"http://127.0.0.1:9/album"});
}

TEST_F(ClosingTest, OrderMorePhotosEmptiesTheOrderAndReturnsToStepOne) {
    CWizardApp& app = startApp();
    CMyProperySheet& sheet = *app.sheet();
    sheet.show();
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet.activeIndex(), 3);
    app.order.setProductCount(2);
    app.order.AddPhoto("/photos/a.jpg", 0, 1000, 640, 480);
    app.order.AddPhoto("/photos/b.jpg", 0, 2000, 640, 480);
    app.order.SetQuantity(0, 1, 3);

    COrderSuccessfulPage page(app, &sheet, &sheet);
    bool hiddenWhileShown = false;
    OnModal<COrderSuccessfulPage> act([&](COrderSuccessfulPage* p) {
        hiddenWhileShown = !sheet.isVisible();
        EXPECT_EQ(p->windowTitle(), "Order Sent Successfully");
        QTest::mouseClick(p->orderMoreButton(), Qt::LeftButton);
    });
    EXPECT_EQ(page.exec(), COrderSuccessfulPage::kOrderMore);
    EXPECT_TRUE(hiddenWhileShown);
    EXPECT_EQ(app.order.PhotoCount(), 0u);
    EXPECT_EQ(app.order.selectedBytes(), 0u);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.activeIndex(), 0);
    EXPECT_FALSE(sheet.backButton()->isVisible());
    EXPECT_EQ(sheet.nextButton()->text(), "Continue");
}

TEST_F(ClosingTest, ExitOrlavoAndEscapeGiveTwo) {
    CWizardApp& app = startApp();
    {
        COrderSuccessfulPage page(app, app.sheet());
        OnModal<COrderSuccessfulPage> act(
            [](COrderSuccessfulPage* p) { QTest::mouseClick(p->exitButton(), Qt::LeftButton); });
        EXPECT_EQ(page.exec(), COrderSuccessfulPage::kExit);
    }
    {
        COrderSuccessfulPage page(app, nullptr);
        OnModal<COrderSuccessfulPage> act(
            [](COrderSuccessfulPage* p) { QTest::keyClick(p, Qt::Key_Escape); });
        EXPECT_EQ(page.exec(), COrderSuccessfulPage::kExit);
    }
}

TEST_F(ClosingTest, WebsiteOpensTheAlbumAndDoesNothingWithoutOne) {
    CWizardApp& app = startApp();
    COrderSuccessfulPage page(app, nullptr);
    page.show();
    QTest::mouseClick(page.websiteButton(), Qt::LeftButton);
    EXPECT_TRUE(effects.opened.isEmpty());
    reg().setText(orlavo::section::kDownloadInfo, "OnlineAlbumURL", "http://127.0.0.1:9/album");
    QTest::mouseClick(page.websiteButton(), Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{"http://127.0.0.1:9/album"});
    EXPECT_TRUE(page.isVisible());
}

TEST_F(ClosingTest, PicturesAreScaledToTheirExactSizes) {
    CWizardApp& app = startApp();
    const qreal dpr = app.startPicture().devicePixelRatio();
    ASSERT_FALSE(app.startPicture().isNull());
    EXPECT_EQ(app.startPicture().deviceIndependentSize().toSize(), QSize(472, 242));
    EXPECT_EQ(app.bannerPicture().deviceIndependentSize().toSize(), QSize(764, 52));
    EXPECT_EQ(app.orderSentPicture().deviceIndependentSize().toSize(), QSize(200, 184));
    EXPECT_EQ(app.startPicture().size(), QSize(qRound(472 * dpr), qRound(242 * dpr)));
}

TEST_F(ClosingTest, MissingOrBrokenPictureGivesAnEmptyPicture) {
    EXPECT_TRUE(LoadScaledBitmap(tempPath("none.jpg"), 10, 10).isNull());
    QFile broken(tempPath("broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\xff\xd8\xff\xe0 not really a jpeg");
    broken.close();
    EXPECT_TRUE(LoadScaledBitmap(tempPath("broken.jpg"), 10, 10).isNull());
    const QString real = QString::fromStdString(orlavo::OwnExecutableFolder()) + "3.jpg";
    const QPixmap twice = LoadScaledBitmap(real, 20, 10, 2.0);
    EXPECT_EQ(twice.size(), QSize(40, 20));
    EXPECT_EQ(twice.deviceIndependentSize().toSize(), QSize(20, 10));
}

TEST_F(ClosingTest, DesktopOpenRefusesTextThatNamesNothing) {
    DesktopEffects desktop;
    EXPECT_FALSE(desktop.open(""));
    EXPECT_FALSE(desktop.open("3 Photos Selected"));
    EXPECT_FALSE(desktop.open(tempPath("no-such-file.html")));
}
