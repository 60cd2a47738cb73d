// The wizard sheet: page titles, the two button layouts, the page hooks,
// Help and the quit question.

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "common/SettingsTable.h"
#include "platform/look/Look.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/AppLook.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardPage.h"

namespace {

// The x order of the visible buttons of the sheet's bottom row.
QStringList VisibleButtonsLeftToRight(CMyProperySheet& s) {
    std::vector<QPushButton*> all{s.backButton(), s.cancelButton(), s.helpButton(), s.nextButton()};
    std::erase_if(all, [](QPushButton* b) { return !b->isVisible(); });
    std::sort(all.begin(), all.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList names;
    for (QPushButton* b : all)
        names << b->text();
    return names;
}

class RefusingPage : public CWizardPage {
public:
    explicit RefusingPage(const QString& title) : CWizardPage(title, QPixmap()) {}
    bool onWizardNext() override {
        ++asked;
        return allow;
    }
    bool onWizardBack() override {
        ++asked;
        return allow;
    }
    bool allow = false;
    int asked = 0;
};

class SheetTest : public AppTest {
protected:
    CMyProperySheet& shownSheet() {
        CWizardApp& app = startApp();
        app.sheet()->show();
        QApplication::processEvents();
        return *app.sheet();
    }
};

// The wizard's sheet is the look both programs share with the wizard's own parts.
TEST(AppLook, StartsWithTheSharedLookAndAddsOnlyItsOwnParts) {
    EXPECT_TRUE(AppStyleSheet().startsWith(orlavo::look::SharedStyleSheet()));
    EXPECT_EQ(AppStyleSheet().count("QPushButton {"), 1);
    EXPECT_EQ(AppStyleSheet().count("QDialog {"), 1);
    EXPECT_TRUE(AppStyleSheet().contains("QGroupBox {"));
}

}  // namespace

TEST_F(SheetTest, OpensOnStepOneWithoutBackAndWithItsTitles) {
    CMyProperySheet& s = shownSheet();
    EXPECT_EQ(s.pageCount(), 4);
    EXPECT_EQ(s.activeIndex(), 0);
    EXPECT_EQ(s.windowTitle(), "Zadozu Orlavo (Step 1 of 4)");
    EXPECT_FALSE(s.backButton()->isVisible());
    EXPECT_EQ(VisibleButtonsLeftToRight(s), (QStringList{"Cancel", "Help", "Continue"}));
    EXPECT_TRUE(s.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST_F(SheetTest, ContinueShowsBackAndBackToStepOneHidesItAgain) {
    CMyProperySheet& s = shownSheet();
    QTest::mouseClick(s.nextButton(), Qt::LeftButton);
    EXPECT_EQ(s.activeIndex(), 1);
    EXPECT_EQ(s.windowTitle(), "Zadozu Orlavo (Step 2 of 4)");
    EXPECT_EQ(VisibleButtonsLeftToRight(s), (QStringList{"Back", "Cancel", "Help", "Continue"}));
    // Back, Cancel and Help stand 4 pixels apart at the left; Continue is 30 wider.
    EXPECT_EQ(s.cancelButton()->x(), s.backButton()->geometry().right() + 1 + 4);
    EXPECT_EQ(s.helpButton()->x(), s.cancelButton()->geometry().right() + 1 + 4);
    EXPECT_EQ(s.nextButton()->width(), s.backButton()->width() + 30);
    const int backX = s.backButton()->x();

    QTest::mouseClick(s.backButton(), Qt::LeftButton);
    EXPECT_EQ(s.activeIndex(), 0);
    EXPECT_FALSE(s.backButton()->isVisible());
    // Without Back, Cancel takes Back's place.
    QApplication::processEvents();
    EXPECT_EQ(s.cancelButton()->x(), backX);
}

TEST_F(SheetTest, LastStepReadsSendOrderAndPutsContinueBackWhenLeft) {
    CMyProperySheet& s = shownSheet();
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(s.nextButton(), Qt::LeftButton);
    EXPECT_EQ(s.activeIndex(), 3);
    EXPECT_EQ(s.windowTitle(), "Zadozu Orlavo (Step 4 of 4)");
    EXPECT_EQ(s.nextButton()->text(), "Send Order");
    QTest::mouseClick(s.nextButton(), Qt::LeftButton);
    EXPECT_EQ(s.activeIndex(), 3);
    QTest::mouseClick(s.backButton(), Qt::LeftButton);
    EXPECT_EQ(s.activeIndex(), 2);
    EXPECT_EQ(s.nextButton()->text(), "Continue");
}

TEST_F(SheetTest, APageThatRefusesKeepsTheSheetWhereItIs) {
    CWizardApp& app = startApp();
    CMyProperySheet sheet(app);
    auto* first = new RefusingPage("first");
    auto* second = new RefusingPage("second");
    sheet.addPage(first);
    sheet.addPage(second);
    sheet.show();
    QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
    EXPECT_EQ(first->asked, 1);
    EXPECT_EQ(sheet.activeIndex(), 0);
    first->allow = true;
    QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.activeIndex(), 1);
    EXPECT_EQ(sheet.windowTitle(), "second");
    sheet.layoutWithBack();
    QTest::mouseClick(sheet.backButton(), Qt::LeftButton);
    EXPECT_EQ(second->asked, 1);
    EXPECT_EQ(sheet.activeIndex(), 1);
}

TEST_F(SheetTest, QuitQuestionAnsweredNoLeavesEverythingAsItWas) {
    CMyProperySheet& s = shownSheet();
    QTest::mouseClick(s.nextButton(), Qt::LeftButton);
    effects.answers.push_back(QMessageBox::No);
    QTest::mouseClick(s.cancelButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this program?");
    EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Question);
    EXPECT_EQ(effects.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.activeIndex(), 1);
    EXPECT_TRUE(s.backButton()->isVisible());
}

TEST_F(SheetTest, EscapeAsksAndYesClosesTheWizard) {
    CMyProperySheet& s = shownSheet();
    effects.answers.push_back(QMessageBox::Yes);
    QTest::keyClick(&s, Qt::Key_Escape);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this program?");
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.result(), QDialog::Rejected);
}

TEST_F(SheetTest, HelpOpensTheAddressReadAtEachPressAndSaysWhenThereIsNone) {
    CMyProperySheet& s = shownSheet();
    QTest::mouseClick(s.helpButton(), Qt::LeftButton);
    EXPECT_TRUE(effects.opened.isEmpty());
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text,
              "No web address is set for this page. Please ask your photo lab for it.");
    effects.messages.clear();
    reg().setText(orlavo::section::kDownloadInfo, "HelpURL", "http://127.0.0.1:9/help");
    QTest::mouseClick(s.helpButton(), Qt::LeftButton);
    EXPECT_EQ(effects.opened, QStringList{"http://127.0.0.1:9/help"});
    reg().setText(orlavo::section::kDownloadInfo, "HelpURL", "http://127.0.0.1:9/help2");
    QTest::mouseClick(s.helpButton(), Qt::LeftButton);
    EXPECT_EQ(effects.opened.last(), "http://127.0.0.1:9/help2");
    EXPECT_TRUE(effects.messages.empty());
    // No browser took it: said, with the address.
    effects.openSucceeds = false;
    QTest::mouseClick(s.helpButton(), Qt::LeftButton);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_TRUE(effects.messages[0].text.startsWith("The page http://127.0.0.1:9/help2 could not"));
}

TEST_F(SheetTest, EnterContinues) {
    CMyProperySheet& s = shownSheet();
    s.activateWindow();
    s.nextButton()->setFocus();
    QTest::keyClick(s.nextButton(), Qt::Key_Return);
    EXPECT_EQ(s.activeIndex(), 1);
}

// A run of stray Enters never leads back to step 1 and out of the program:
// whatever button has the focus, Enter presses Continue, and the quit
// question defaults to No.
TEST_F(SheetTest, EnterContinuesWhateverButtonHasTheFocus) {
    CMyProperySheet& s = shownSheet();
    QTest::mouseClick(s.nextButton(), Qt::LeftButton);
    ASSERT_EQ(s.activeIndex(), 1);
    auto* pageButton = new QPushButton("On the page", s.activePage());
    pageButton->show();
    for (QPushButton* focused : {s.backButton(), s.cancelButton(), s.helpButton(), pageButton}) {
        s.setActivePage(1);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Return);
        EXPECT_EQ(s.activeIndex(), 2) << focused->text().toStdString();
    }
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_TRUE(effects.opened.isEmpty());

    effects.answers.push_back(QMessageBox::No);
    QTest::keyClick(s.activePage(), Qt::Key_Escape);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Are you sure you want to quit this program?");
    EXPECT_EQ(effects.messages[0].defaultButton, QMessageBox::No);
    EXPECT_TRUE(s.isVisible());
}

TEST_F(SheetTest, EnterOnAPageContinues) {
    CMyProperySheet& s = shownSheet();
    QTest::keyClick(s.activePage(), Qt::Key_Return);
    EXPECT_EQ(s.activeIndex(), 1);
}

TEST_F(SheetTest, OpensWithContinueFocusedSoEnterContinues) {
    CWizardApp& app = startApp();
    CMyProperySheet& s = *app.sheet();
    s.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    EXPECT_EQ(QApplication::focusWidget(), s.nextButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(s.activeIndex(), 1);
}

TEST_F(SheetTest, TheCloseBoxAsksTheSameQuestion) {
    CMyProperySheet& s = shownSheet();
    effects.answers.push_back(QMessageBox::No);
    s.close();
    EXPECT_TRUE(s.isVisible());
    effects.answers.push_back(QMessageBox::Yes);
    s.close();
    EXPECT_FALSE(s.isVisible());
    ASSERT_EQ(effects.messages.size(), 2u);
    EXPECT_EQ(effects.messages[1].text, "Are you sure you want to quit this program?");
}

TEST_F(SheetTest, TheWindowResizesAndKeepsItsSizeForTheNextStart) {
    CMyProperySheet& s = shownSheet();
    EXPECT_TRUE(s.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_LT(s.minimumWidth(), s.maximumWidth());
    s.resize(790, 570);
    QApplication::processEvents();
    // Every page grows with the window.
    EXPECT_EQ(s.activePage()->width(), 790);
    s.endWizard(0);
    EXPECT_EQ(reg().getText(orlavo::section::kSettings, "WizardWindow"), "790x570");

    CMyProperySheet& again = *startApp().sheet();
    EXPECT_EQ(again.size(), QSize(790, 570));

    // Maximised it opens maximised; a size that makes no sense gives the default.
    reg().setText(orlavo::section::kSettings, "WizardWindow", "780x560 maximized");
    EXPECT_TRUE(startApp().sheet()->windowState().testFlag(Qt::WindowMaximized));
    for (const char* damaged : {"huge", "x", "-5x-5", "99999999x3"}) {
        reg().setText(orlavo::section::kSettings, "WizardWindow", damaged);
        CMyProperySheet& fresh = *startApp().sheet();
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        EXPECT_FALSE(fresh.windowState().testFlag(Qt::WindowMaximized)) << damaged;
        EXPECT_EQ(fresh.size(),
                  QSize(1000, 740).boundedTo(screen).expandedTo(fresh.minimumSizeHint()))
            << damaged;
    }
}
