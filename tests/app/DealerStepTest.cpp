// The dealer step of start-up, driven through the real dealer key dialog.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/SettingsTable.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/CDealerKeyDialog.h"

namespace {

using orlavo::section::kDownloadInfo;
using orlavo::section::kUserDetails;

class DealerStepTest : public AppTest {
protected:
    CWizardApp& start(const std::string& mode, const std::string& dealer) {
        reg().setText(kDownloadInfo, "UseDealerNumber", mode);
        reg().setText(kUserDetails, "DealerNumber", dealer);
        CWizardApp& app = startApp();
        loadCatalogue();
        return app;
    }
    std::string storedMode() { return reg().getText(kDownloadInfo, "UseDealerNumber"); }
    std::string storedDealer() { return reg().getText(kUserDetails, "DealerNumber"); }
};

// Types KEY and presses Continue; a refused key is followed by Cancel.
auto TypeAndContinue(const QString& key, QString* prefilled = nullptr, bool* refused = nullptr,
                     RecordingEffects* effects = nullptr) {
    return [=](CDealerKeyDialog* d) {
        if (prefilled)
            *prefilled = d->keyEdit()->text();
        d->keyEdit()->clear();
        QTest::keyClicks(d->keyEdit(), key);
        const std::size_t before = effects ? effects->messages.size() : 0;
        QTest::mouseClick(d->continueButton(), Qt::LeftButton);
        if (d->isVisible()) {
            if (refused)
                *refused = true;
            if (effects) {
                EXPECT_EQ(effects->messages.size(), before + 1);
                EXPECT_EQ(effects->messages.back().text, "Incorrect Dealer Number.");
                EXPECT_EQ(effects->messages.back().caption, "Zadozu Orlavo");
                EXPECT_EQ(effects->messages.back().icon, QMessageBox::Critical);
            }
            QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        }
    };
}

auto PressCancel(QString* prefilled = nullptr) {
    return [=](CDealerKeyDialog* d) {
        if (prefilled)
            *prefilled = d->keyEdit()->text();
        QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
    };
}

}  // namespace

TEST_F(DealerStepTest, ModesZeroOneAndFourNeverAsk) {
    for (const char* mode : {"0", "1", "4", ""}) {
        CWizardApp& app = start(mode, "nothing");
        OnModal<CDealerKeyDialog> watch(PressCancel());
        EXPECT_TRUE(app.DealerStep()) << mode;
        EXPECT_FALSE(watch.seen()) << mode;
        EXPECT_EQ(app.shops.size(), 2u) << mode;
        EXPECT_EQ(storedMode(), mode);
    }
}

TEST_F(DealerStepTest, ModeMinusOneAsksOnceWithAnEmptyKey) {
    CWizardApp& app = start("-1", "OLD");
    QString prefilled = "?";
    OnModal<CDealerKeyDialog> watch(TypeAndContinue("anything", &prefilled));
    EXPECT_TRUE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(prefilled, "");
    EXPECT_EQ(storedDealer(), "anything");
    EXPECT_EQ(storedMode(), "1");

    CWizardApp& again = startApp();
    loadCatalogue();
    OnModal<CDealerKeyDialog> second(PressCancel());
    EXPECT_TRUE(again.DealerStep());
    EXPECT_FALSE(second.seen());
}

TEST_F(DealerStepTest, ModeMinusOneCancelledStoresOneAndKeepsTheNumber) {
    CWizardApp& app = start("-1", "OLD");
    OnModal<CDealerKeyDialog> watch(PressCancel());
    EXPECT_TRUE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(storedMode(), "1");
    EXPECT_EQ(storedDealer(), "OLD");
}

TEST_F(DealerStepTest, ModeTwoWithEmptyNumberOpensWithoutNarrowing) {
    CWizardApp& app = start("2", "");
    OnModal<CDealerKeyDialog> watch(PressCancel());
    EXPECT_TRUE(app.DealerStep());
    EXPECT_FALSE(watch.seen());
    EXPECT_EQ(app.shops.size(), 2u);
}

TEST_F(DealerStepTest, ModeTwoWithMatchingNumberNarrowsToThatShop) {
    CWizardApp& app = start("2", "D200");
    OnModal<CDealerKeyDialog> watch(PressCancel());
    EXPECT_TRUE(app.DealerStep());
    EXPECT_FALSE(watch.seen());
    ASSERT_EQ(app.shops.size(), 1u);
    EXPECT_EQ(app.shops[0].storeid, "D200");
    EXPECT_EQ(app.shops[0].city, "York");
}

TEST_F(DealerStepTest, ModeTwoWithUnknownNumberAsksPrefilledAndCancelGoesOn) {
    CWizardApp& app = start("2", "d200");  // letter case differs: no match
    QString prefilled;
    bool refused = false;
    OnModal<CDealerKeyDialog> watch(TypeAndContinue("d200", &prefilled, &refused, &effects));
    EXPECT_TRUE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(prefilled, "d200");
    EXPECT_TRUE(refused);
    EXPECT_EQ(storedMode(), "-2");
    EXPECT_EQ(storedDealer(), "d200");
    EXPECT_EQ(app.shops.size(), 2u);
}

TEST_F(DealerStepTest, ModeMinusTwoAsksEmptyAndAMatchingKeyNarrows) {
    CWizardApp& app = start("-2", "D100");
    QString prefilled = "?";
    OnModal<CDealerKeyDialog> watch(TypeAndContinue("D100", &prefilled));
    EXPECT_TRUE(app.DealerStep());
    EXPECT_EQ(prefilled, "");
    EXPECT_EQ(storedMode(), "2");
    EXPECT_EQ(storedDealer(), "D100");
    ASSERT_EQ(app.shops.size(), 1u);
    EXPECT_EQ(app.shops[0].storeid, "D100");
}

TEST_F(DealerStepTest, ModeThreeWithUnknownNumberCancelEndsTheProgram) {
    CWizardApp& app = start("3", "X1");
    QString prefilled;
    OnModal<CDealerKeyDialog> watch(PressCancel(&prefilled));
    EXPECT_FALSE(app.DealerStep());
    EXPECT_EQ(prefilled, "X1");
    EXPECT_EQ(storedMode(), "3");
    EXPECT_EQ(storedDealer(), "X1");
}

TEST_F(DealerStepTest, ModeThreeAcceptsOnlyAMatchingKeyThenAsksAgainAtTheNextStart) {
    CWizardApp& app = start("3", "X1");
    bool refused = false;
    {
        OnModal<CDealerKeyDialog> watch([&](CDealerKeyDialog* d) {
            d->keyEdit()->clear();
            QTest::keyClicks(d->keyEdit(), "X1");
            QTest::mouseClick(d->continueButton(), Qt::LeftButton);
            refused = d->isVisible();
            d->keyEdit()->clear();
            QTest::keyClicks(d->keyEdit(), "D200");
            QTest::mouseClick(d->continueButton(), Qt::LeftButton);
        });
        EXPECT_TRUE(app.DealerStep());
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(storedDealer(), "D200");
    EXPECT_EQ(storedMode(), "-3");
    EXPECT_EQ(app.shops.size(), 2u);  // mode -3: not narrowed in this run

    // Next start: asked again with an empty key; Cancel ends the program.
    {
        CWizardApp& next = startApp();
        loadCatalogue();
        QString prefilled = "?";
        OnModal<CDealerKeyDialog> watch(PressCancel(&prefilled));
        EXPECT_FALSE(next.DealerStep());
        EXPECT_EQ(prefilled, "");
        EXPECT_EQ(storedMode(), "-3");
    }
    // And the start after: Continue stores 3 and narrows.
    {
        CWizardApp& next = startApp();
        loadCatalogue();
        OnModal<CDealerKeyDialog> watch(TypeAndContinue("D200"));
        EXPECT_TRUE(next.DealerStep());
        EXPECT_EQ(storedMode(), "3");
        ASSERT_EQ(next.shops.size(), 1u);
        EXPECT_EQ(next.shops[0].storeid, "D200");
    }
}

TEST_F(DealerStepTest, ContinueIsEnabledOnlyWithAKey) {
    CWizardApp& app = start("3", "");
    bool enabledEmpty = true, enabledTyped = false, enabledCleared = true;
    OnModal<CDealerKeyDialog> watch([&](CDealerKeyDialog* d) {
        enabledEmpty = d->continueButton()->isEnabled();
        QTest::keyClick(d->keyEdit(), Qt::Key_Return);  // Enter with no key does nothing
        QTest::keyClicks(d->keyEdit(), "D");
        enabledTyped = d->continueButton()->isEnabled();
        QTest::keyClick(d->keyEdit(), Qt::Key_Backspace);
        enabledCleared = d->continueButton()->isEnabled();
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(app.DealerStep());
    EXPECT_FALSE(enabledEmpty);
    EXPECT_TRUE(enabledTyped);
    EXPECT_FALSE(enabledCleared);
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(DealerStepTest, ModeMinusThreeCancelEndsTheProgram) {
    CWizardApp& app = start("-3", "D100");
    OnModal<CDealerKeyDialog> watch(PressCancel());
    EXPECT_FALSE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(storedMode(), "-3");
}

TEST_F(DealerStepTest, EnterOnTheFocusedCancelCancelsAndEnterInTheKeyContinues) {
    CWizardApp& app = start("-1", "OLD");
    OnModal<CDealerKeyDialog> watch([](CDealerKeyDialog* d) {
        QTest::keyClicks(d->keyEdit(), "NEW");
        d->cancelButton()->setFocus();
        QTest::keyClick(d->cancelButton(), Qt::Key_Return);
    });
    EXPECT_TRUE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(storedDealer(), "OLD");
    EXPECT_EQ(storedMode(), "1");

    CWizardApp& next = start("-1", "OLD");
    OnModal<CDealerKeyDialog> typed([](CDealerKeyDialog* d) {
        QTest::keyClicks(d->keyEdit(), "NEW");
        QTest::keyClick(d->keyEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(next.DealerStep());
    EXPECT_EQ(storedDealer(), "NEW");
}

TEST_F(DealerStepTest, ModeThreeWithMatchingNumberOpensWithoutAskingAndNarrows) {
    CWizardApp& app = start("3", "D100");
    OnModal<CDealerKeyDialog> watch(PressCancel());
    EXPECT_TRUE(app.DealerStep());
    EXPECT_FALSE(watch.seen());
    EXPECT_EQ(storedMode(), "3");
    ASSERT_EQ(app.shops.size(), 1u);
    EXPECT_EQ(app.shops[0].storeid, "D100");
}

TEST_F(DealerStepTest, ModeTwoAnsweredWithAMatchingKeyStoresMinusTwoAndDoesNotNarrowYet) {
    CWizardApp& app = start("2", "X9");
    OnModal<CDealerKeyDialog> watch(TypeAndContinue("D100"));
    EXPECT_TRUE(app.DealerStep());
    EXPECT_TRUE(watch.seen());
    EXPECT_EQ(storedDealer(), "D100");
    EXPECT_EQ(storedMode(), "-2");
    EXPECT_EQ(app.dealerMode, -2);
    EXPECT_EQ(app.dealerNumber, "D100");
    EXPECT_EQ(app.shops.size(), 2u);
}
