// The order-sent window, the hyperlink and the colour label.

#include <QFile>
#include <QPushButton>
#include <QTest>

#include "common/SettingsTable.h"
#include "platform/FileVersion.h"
#include "resources/WizardResources.h"
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
    CStaticLink link(effects, "Terms of Service", "http://127.0.0.1:9/terms");
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

TEST_F(ClosingTest, LinkThatCannotBeOpenedSaysWhyAndKeepsItsColour) {
    const struct {
        const char* link;
        bool browser;
        const char* message;
    } cases[] = {
        {"http://127.0.0.1:9/terms", false,
         "The page http://127.0.0.1:9/terms could not be opened: no web browser was found. "
         "Please open the address in your browser yourself."},
        {"", true, "No web address is set for this page. Please ask your photo lab for it."},
        {"  ", false, "No web address is set for this page. Please ask your photo lab for it."},
    };
    for (const auto& c : cases) {
        effects.messages.clear();
        effects.opened.clear();
        effects.openSucceeds = c.browser;
        CStaticLink link(effects, "Terms of Service", c.link);
        link.show();
        QTest::mouseClick(&link, Qt::LeftButton);
        ASSERT_EQ(effects.messages.size(), 1u) << c.link;
        EXPECT_EQ(effects.messages[0].text, c.message);
        EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
        EXPECT_EQ(effects.beeps, 0);
        EXPECT_EQ(link.color(), QColor(0, 0, 255));
    }
    EXPECT_TRUE(effects.opened.isEmpty() ||
                effects.opened == QStringList{"http://127.0.0.1:9/terms"});
}

TEST(WizardTexts, BuiltInTextsAreSpelledRight) {
    const struct {
        int id;
        const char* text;
    } cases[] = {{3509, "You have received"}, {3519, "Terms of Service"}};
    for (const auto& c : cases)
        EXPECT_EQ(orlavo::wizard::Str(c.id), c.text);
    EXPECT_NE(orlavo::wizard::Str(3302).find("3. Click \"Add\"."), std::string::npos);
    for (const char* wrong : {"recieved", "Klick", "Terms Of Services"})
        for (int id : {3302, 3509, 3519, 3520, 3589})
            EXPECT_EQ(orlavo::wizard::Str(id).find(wrong), std::string::npos) << id << wrong;
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

TEST_F(ClosingTest, WebsiteOpensTheAlbumAndSaysWhenThereIsNone) {
    CWizardApp& app = startApp();
    COrderSuccessfulPage page(app, nullptr);
    page.show();
    QTest::mouseClick(page.websiteButton(), Qt::LeftButton);
    EXPECT_TRUE(effects.opened.isEmpty());
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "No web address is set for this page. Please ask your photo lab for it.");
    reg().setText(orlavo::section::kDownloadInfo, "OnlineAlbumURL", "http://127.0.0.1:9/album");
    QTest::mouseClick(page.websiteButton(), Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{"http://127.0.0.1:9/album"});
    EXPECT_EQ(effects.messages.size(), 1u);
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
