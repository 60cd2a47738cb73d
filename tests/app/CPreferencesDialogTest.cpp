// Preferences: what it loads and the rules of "Save".

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/SettingsTable.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/QuantitySpinBox.h"

namespace {

using orlavo::section::kDownloadInfo;
using orlavo::section::kUserDetails;

constexpr const char* kNoShops = R"(<affiliateinfo><affiliate id="1"/>
<products><p id="A" name="A"/></products><payment/><shipping/></affiliateinfo>)";

class PreferencesTest : public AppTest {
protected:
    std::unique_ptr<CPreferencesDialog> open(const std::string& mode = "0",
                                             const char* catalogue = kTestCatalogue) {
        reg().setText(kDownloadInfo, "UseDealerNumber", mode);
        startApp();
        loadCatalogue(catalogue);
        auto d = std::make_unique<CPreferencesDialog>(*app_);
        d->show();
        return d;
    }
    void save(CPreferencesDialog& d) { QTest::mouseClick(d.saveButton(), Qt::LeftButton); }
    void setDealer(CPreferencesDialog& d, const QString& text) {
        d.dealerNumber()->clear();
        QTest::keyClicks(d.dealerNumber(), text);
    }
    int remember() { return reg().getNumber(kUserDetails, "Remember"); }
};

}  // namespace

TEST_F(PreferencesTest, LoadsTheStoredDetailsAndTheCatalogueLists) {
    reg().setText(kUserDetails, "FirstName", "Ada");
    reg().setText(kUserDetails, "PicturesFolder", "/home/ada/Pictures");
    reg().setText(kUserDetails, "Country", "ireL");
    reg().setNumber(kUserDetails, "ProductType", 1);
    reg().setNumber(kUserDetails, "ProdQuantity", 7);
    reg().setNumber(kUserDetails, "ZoomAndTrimAll", 1);
    auto d = open();
    EXPECT_EQ(d->windowTitle(), "Zadozu Orlavo - Preferences");
    EXPECT_EQ(d->firstName()->text(), "Ada");
    EXPECT_EQ(d->picturesFolder()->text(), "/home/ada/Pictures");
    ASSERT_EQ(d->country()->count(), 3);
    EXPECT_EQ(d->country()->itemText(2), "France");
    EXPECT_EQ(d->country()->currentText(), "Ireland");  // begins with it, any case
    ASSERT_EQ(d->product()->count(), 2);
    EXPECT_EQ(d->product()->itemText(0), "6x4 in Gloss");
    EXPECT_EQ(d->product()->currentIndex(), 1);
    EXPECT_EQ(d->quantity()->value(), 7);
    EXPECT_TRUE(d->zoomAndTrimAll()->isChecked());
    EXPECT_FALSE(d->dealerNumber()->isEnabled());  // mode 0
}

TEST_F(PreferencesTest, UnknownCountryAndProductOutOfRangeFallBack) {
    reg().setText(kUserDetails, "Country", "Narnia");
    reg().setNumber(kUserDetails, "ProductType", 9);
    auto d = open("2");
    EXPECT_EQ(d->country()->currentIndex(), -1);
    EXPECT_EQ(d->product()->currentIndex(), 0);
    EXPECT_EQ(d->quantity()->value(), 1);  // default quantity
    EXPECT_TRUE(d->dealerNumber()->isEnabled());
}

TEST_F(PreferencesTest, DealerFieldShowsTheNumberReadAtStartUp) {
    reg().setText(kUserDetails, "DealerNumber", "D100");
    auto d = open("2");
    EXPECT_EQ(d->dealerNumber()->text(), "D100");
    EXPECT_TRUE(d->dealerNumber()->isEnabled());
    // Mode 0: start-up does not read it, and the field stays shut.
    auto off = open("0");
    EXPECT_EQ(off->dealerNumber()->text(), "");
    EXPECT_FALSE(off->dealerNumber()->isEnabled());
}

TEST_F(PreferencesTest, SaveStoresEverythingAndSwitchesRememberOn) {
    auto d = open();
    QTest::keyClicks(d->firstName(), "Ada");
    QTest::keyClicks(d->lastName(), "Lovelace");
    QTest::keyClicks(d->address(), "1 Engine Row");
    QTest::keyClicks(d->town(), "London");
    QTest::keyClicks(d->postCode(), "N1 1AA");
    QTest::keyClicks(d->email(), "ada@example.org");
    d->country()->setCurrentIndex(0);
    d->product()->setCurrentIndex(1);
    d->quantity()->setValue(12);
    d->zoomAndTrimAll()->setChecked(true);
    // Thumbnails are shared with the desktop unless the user says otherwise.
    EXPECT_TRUE(d->shareThumbnails()->isChecked());
    EXPECT_EQ(d->shareThumbnails()->accessibleName(), "Share thumbnails with other programs");
    d->shareThumbnails()->setChecked(false);
    save(*d);
    EXPECT_EQ(reg().getNumber("Settings", "ShareThumbnails"), 0);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(remember(), 1);
    EXPECT_EQ(reg().getText(kUserDetails, "FirstName"), "Ada");
    EXPECT_EQ(reg().getText(kUserDetails, "LastName"), "Lovelace");
    EXPECT_EQ(reg().getText(kUserDetails, "Address"), "1 Engine Row");
    EXPECT_EQ(reg().getText(kUserDetails, "Town"), "London");
    EXPECT_EQ(reg().getText(kUserDetails, "PostCode"), "N1 1AA");
    EXPECT_EQ(reg().getText(kUserDetails, "Email"), "ada@example.org");
    EXPECT_EQ(reg().getText(kUserDetails, "Country"), "United Kingdom");
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductType"), 1);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductTypeIndex"), 1);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProdQuantity"), 12);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ZoomAndTrimAll"), 1);
    EXPECT_TRUE(reg().find(kUserDetails, "DealerNumber").has_value());
    EXPECT_FALSE(reg().find("ShippingDetails", "ShippingName").has_value());
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(PreferencesTest, QuantityOf150ReachedWithTheArrowsIsRefusedAtSave) {
    auto d = open();
    d->quantity()->setValue(149);
    d->quantity()->setFocus();
    QTest::keyClick(d->quantity(), Qt::Key_Up);
    EXPECT_EQ(d->quantity()->value(), 150);
    save(*d);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Please enter an integer between 0 and 100.");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->focusWidget(), d->quantity());
    EXPECT_EQ(remember(), 0);
    EXPECT_FALSE(reg().find(kUserDetails, "ProdQuantity").has_value());
}

TEST_F(PreferencesTest, ArrowsStopAt999AndAt0) {
    auto d = open();
    d->quantity()->setValue(998);
    d->quantity()->stepBy(5);
    EXPECT_EQ(d->quantity()->value(), 999);
    d->quantity()->setValue(2);
    d->quantity()->stepBy(-5);
    EXPECT_EQ(d->quantity()->value(), 0);
}

TEST_F(PreferencesTest, ModeTwoSavesAnEmptyDealerButRefusesAnUnknownOne) {
    auto d = open("2");
    setDealer(*d, "D999");
    save(*d);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, "Incorrect Dealer Number.");
    EXPECT_EQ(effects.messages[0].caption, "Zadozu Orlavo");
    EXPECT_EQ(effects.messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(remember(), 0);

    setDealer(*d, "");
    save(*d);
    EXPECT_EQ(effects.messages.size(), 1u);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(remember(), 1);
    EXPECT_EQ(reg().getText(kUserDetails, "DealerNumber"), "");
}

TEST_F(PreferencesTest, ModeThreeWithoutShopsRefusesEverySave) {
    auto d = open("3", kNoShops);
    setDealer(*d, "D100");
    save(*d);
    setDealer(*d, "");
    save(*d);
    EXPECT_EQ(effects.messages.size(), 2u);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(remember(), 0);
}

TEST_F(PreferencesTest, ModeThreeAcceptsAMatchingDealerOnlyInTheSameCase) {
    auto d = open("3");
    setDealer(*d, "d100");
    save(*d);
    EXPECT_EQ(effects.messages.size(), 1u);
    setDealer(*d, "D100");
    save(*d);
    EXPECT_EQ(effects.messages.size(), 1u);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(reg().getText(kUserDetails, "DealerNumber"), "D100");
    EXPECT_EQ(app_->dealerNumber, "D100");
    EXPECT_EQ(reg().getText(kDownloadInfo, "UseDealerNumber"), "3");
}

TEST_F(PreferencesTest, ModeMinusTwoWithAMatchingDealerIsStoredAsTwo) {
    auto d = open("-2");
    setDealer(*d, "D200");
    save(*d);
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(reg().getText(kDownloadInfo, "UseDealerNumber"), "2");
    EXPECT_EQ(app_->dealerMode, 2);
}

TEST_F(PreferencesTest, ModeFourAcceptsAnyDealer) {
    auto d = open("4");
    setDealer(*d, "whatever");
    save(*d);
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(reg().getText(kUserDetails, "DealerNumber"), "whatever");
    EXPECT_EQ(reg().getText(kDownloadInfo, "UseDealerNumber"), "4");
}

TEST_F(PreferencesTest, CancelStoresNothing) {
    auto d = open();
    QTest::keyClicks(d->firstName(), "Ada");
    QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(reg().find(kUserDetails, "FirstName").has_value());
    EXPECT_EQ(remember(), 0);
}

TEST_F(PreferencesTest, ChooseTakesTheBrowsedFolderAndKeepsTheOldOneOnCancel) {
    reg().setText(kUserDetails, "PicturesFolder", "/old");
    auto d = open();
    QTest::mouseClick(d->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(effects.browsedFrom, QStringList{"/old"});
    EXPECT_EQ(d->picturesFolder()->text(), "/old");
    effects.folderChoice = "/new/photos";
    QTest::mouseClick(d->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(d->picturesFolder()->text(), "/new/photos");
    save(*d);
    EXPECT_EQ(reg().getText(kUserDetails, "PicturesFolder"), "/new/photos");
}

TEST_F(PreferencesTest, WithoutACatalogueSaveKeepsTheStoredCountryAndProduct) {
    reg().setText(kUserDetails, "Country", "Ireland");
    reg().setNumber(kUserDetails, "ProductType", 1);
    reg().setNumber(kUserDetails, "ProductTypeIndex", 1);
    startApp();  // the start window found no catalogue
    CPreferencesDialog d(*app_);
    d.show();
    EXPECT_EQ(d.country()->count(), 0);
    EXPECT_EQ(d.product()->count(), 0);
    QTest::keyClicks(d.firstName(), "Ada");
    save(d);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(reg().getText(kUserDetails, "FirstName"), "Ada");
    EXPECT_EQ(reg().getText(kUserDetails, "Country"), "Ireland");
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductType"), 1);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductTypeIndex"), 1);
}

TEST_F(PreferencesTest, NoProductChosenIsStoredAsMinusOne) {
    auto d = open();
    d->product()->setCurrentIndex(-1);
    save(*d);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductType"), -1);
    EXPECT_EQ(reg().getNumber(kUserDetails, "ProductTypeIndex"), -1);
    EXPECT_EQ(reg().getText(kUserDetails, "Country"), "");
}

TEST_F(PreferencesTest, EnterPressesTheFocusedButtonAndElseSaves) {
    auto d = open();
    QTest::keyClicks(d->firstName(), "Ada");
    d->chooseButton()->setFocus();
    QTest::keyClick(d->chooseButton(), Qt::Key_Return);
    EXPECT_EQ(effects.browsedFrom.size(), 1);
    EXPECT_TRUE(d->isVisible());
    d->cancelButton()->setFocus();
    QTest::keyClick(d->cancelButton(), Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_FALSE(reg().find(kUserDetails, "FirstName").has_value());

    auto again = std::make_unique<CPreferencesDialog>(*app_);
    again->show();
    QTest::keyClicks(again->lastName(), "Lovelace");
    QTest::keyClick(again->lastName(), Qt::Key_Return);
    EXPECT_EQ(again->result(), QDialog::Accepted);
    EXPECT_EQ(reg().getText(kUserDetails, "LastName"), "Lovelace");
}

TEST_F(PreferencesTest, EscapeClosesWithoutSaving) {
    auto d = open();
    QTest::keyClicks(d->firstName(), "Ada");
    QTest::keyClick(d->firstName(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(reg().find(kUserDetails, "FirstName").has_value());
}

TEST_F(PreferencesTest, TabGoesThroughTheFieldsInReadingOrder) {
    auto d = open("2");
    QList<QWidget*> order;
    QWidget* w = d->firstName();
    for (int i = 0; i < 40 && !order.contains(w); ++i) {
        order << w;
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() || !w->isVisible() ||
               !w->isEnabled());
    }
    const QList<QWidget*> expected{d->firstName(),      d->lastName(),       d->address(),
                                   d->address2(),       d->town(),           d->state(),
                                   d->postCode(),       d->country(),        d->phone(),
                                   d->email(),          d->customerNumber(), d->dealerNumber(),
                                   d->product(),        d->quantity(),       d->zoomAndTrimAll(),
                                   d->picturesFolder(), d->chooseButton(),   d->shareThumbnails(),
                                   d->removeLocation(), d->cancelButton(),   d->saveButton()};
    ASSERT_GE(order.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(order[i], expected[i]) << "position " << i;
}

TEST_F(PreferencesTest, TheLocationLeavesThePhotosUnlessTheUserSaysOtherwise) {
    auto d = open();
    ASSERT_NE(d->removeLocation(), nullptr);
    EXPECT_EQ(d->removeLocation()->text(), "Remove the location from photos before sending");
    EXPECT_TRUE(d->removeLocation()->isChecked()) << "on when nothing was chosen";
    QTest::mouseClick(d->removeLocation(), Qt::LeftButton);
    save(*d);
    EXPECT_EQ(reg().getNumber(orlavo::section::kSettings, "RemoveLocation", 1), 0);
    auto again = std::make_unique<CPreferencesDialog>(*app_);
    EXPECT_FALSE(again->removeLocation()->isChecked());
    // Cancel stores nothing.
    QTest::mouseClick(again->removeLocation(), Qt::LeftButton);
    again->reject();
    EXPECT_EQ(reg().getNumber(orlavo::section::kSettings, "RemoveLocation", 1), 0);
}
