// The details page: its delivery and payment rules, its checks and what it
// remembers, clicked and typed as a user would.

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

#include "tests/customer/ui/DetailsPageFixture.h"
#include "wizard/transmission/OrderJournal.h"

namespace {

using orlavo::section::kDownloadInfo;
using orlavo::section::kShippingDetails;
using orlavo::section::kUserDetails;

TEST_F(DetailsPageTest, SameAsBillingShowsTheBillingFieldsWhileTheyAreTyped) {
    open();
    click("home");
    typeAll({{"shippingName", "Bob Ray"}, {"shippingAddress", "9 Side Road"}});
    list("shippingCountry")->setCurrentIndex(2);
    typeAll({{"firstName", "Ada"}, {"lastName", "Lovelace"}, {"address", "1 Mill Lane"}});
    click("sameAsBilling");
    EXPECT_EQ(edit("shippingName")->text(), "Ada Lovelace");
    EXPECT_EQ(edit("shippingAddress")->text(), "1 Mill Lane");
    EXPECT_FALSE(edit("shippingName")->isEnabled());
    EXPECT_FALSE(list("shippingCountry")->isEnabled());

    type("lastName", "King");
    type("address", "2 New Street");
    type("phone", "0117");
    list("country")->setCurrentIndex(1);
    EXPECT_EQ(edit("shippingName")->text(), "Ada King");
    EXPECT_EQ(edit("shippingAddress")->text(), "2 New Street");
    EXPECT_EQ(edit("shippingPhone")->text(), "0117");
    EXPECT_EQ(list("shippingCountry")->currentText(), "Ireland");

    // Unticked, the typed shipping details come back.
    click("sameAsBilling");
    EXPECT_EQ(edit("shippingName")->text(), "Bob Ray");
    EXPECT_EQ(edit("shippingAddress")->text(), "9 Side Road");
    EXPECT_EQ(list("shippingCountry")->currentText(), "France");
    EXPECT_TRUE(edit("shippingAddress")->isEnabled());
}

TEST_F(DetailsPageTest, SameAsBillingSendsTheBillingAddressAndNeedsNoShippingField) {
    open();
    fillValid();
    type("voucherCode", "WELCOME10  ");
    type("firstName", " Ada ");
    ASSERT_TRUE(next());
    EXPECT_EQ(shipping("name"), " Ada  Lovelace");
    EXPECT_EQ(shipping("address1"), "12 Marlborough Buildings");
    EXPECT_EQ(shipping("city"), "Bath");
    EXPECT_EQ(shipping("country"), "GB");
    EXPECT_EQ(shipping("storeid"), "");
    // Padded entries are sent as typed.
    EXPECT_EQ(user("firstname"), " Ada ");
    EXPECT_EQ(payment("vouchercode"), "WELCOME10  ");
    EXPECT_EQ(app_->chosenShopName, "");
}

TEST_F(DetailsPageTest, ShopCollectionSendsTheShopsAddressWhateverSameAsBillingSaid) {
    for (const bool same : {true, false}) {
        SCOPED_TRACE(same);
        open();
        fillValid();
        click("shop");
        // The box cannot claim the billing address while the shop's is shown;
        // the name it gave is kept to edit.
        EXPECT_FALSE(find<QAbstractButton>("sameAsBilling")->isChecked());
        EXPECT_FALSE(find<QAbstractButton>("sameAsBilling")->isEnabled());
        EXPECT_EQ(edit("shippingName")->text(), "Ada Lovelace");
        EXPECT_TRUE(edit("shippingName")->isEnabled());
        if (!same)
            type("shippingName", "Bob Ray");
        EXPECT_EQ(edit("shopName")->text(), "Bath Abbey");
        EXPECT_EQ(edit("shippingAddress")->text(), "8 Abbey Green");
        ASSERT_TRUE(next());
        EXPECT_EQ(shipping("storeid"), "S21");
        EXPECT_EQ(shipping("name"), same ? "Ada Lovelace" : "Bob Ray");
        EXPECT_EQ(shipping("address1"), "8 Abbey Green");
        EXPECT_EQ(shipping("address2"), "Abbey Yard");
        EXPECT_EQ(shipping("zip"), "BA1 1NW");
        EXPECT_EQ(app_->chosenShopName, "Bath Abbey");
        EXPECT_EQ(payment("cctype"), "9");
        EXPECT_EQ(payment("ccnumber"), "");
    }
}

TEST_F(DetailsPageTest, ShopCollectionNeedsOnlyTheShippingNameOfTheShippingFields) {
    open();
    fillValid();
    click("shop");
    type("shippingName", "");
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(), "- Shipping Name missing\n");
    EXPECT_EQ(sheet->focusWidget(), edit("shippingName"));
}

TEST_F(DetailsPageTest, HomeDeliveryOffersNoShopPaymentAndShopCollectionForcesIt) {
    open();  // Shop defaults to 1: collection from a shop
    QComboBox* p = list("paymentMethod");
    EXPECT_TRUE(find<QRadioButton>("shop")->isChecked());
    EXPECT_EQ(p->count(), 6);
    EXPECT_EQ(p->currentData().toInt(), 9);
    EXPECT_FALSE(p->isEnabled());
    EXPECT_FALSE(edit("cardNumber")->isVisible());

    click("home");
    EXPECT_EQ(p->count(), 5);
    EXPECT_EQ(p->findData(9), -1);
    EXPECT_EQ(p->currentText(), "Visa");
    EXPECT_TRUE(p->isEnabled());
    EXPECT_TRUE(edit("cardNumber")->isVisible());
    EXPECT_FALSE(edit("shopName")->isVisible());

    choosePayment(6);
    click("shop");
    EXPECT_EQ(p->count(), 6);
    EXPECT_EQ(p->currentIndex(), 5);
    EXPECT_EQ(p->currentText(), "Pay at the shop");
}

TEST_F(DetailsPageTest, MissingFieldsAreReportedTogetherAndBlanksCountAsMissing) {
    open();
    click("home");
    choosePayment(1);
    type("firstName", "   ");
    type("lastName", "Lovelace");
    EXPECT_FALSE(next());
    ASSERT_EQ(effects.messages.size(), 1u);
    const ShownMessage& m = effects.messages.back();
    EXPECT_EQ(m.text,
              "- First Name missing\n- Address missing\n- City/Town missing\n- Postcode missing\n"
              "- Email Address missing\n- Shipping Name missing\n- Shipping Address missing\n"
              "- Shipping City/Town missing\n- Shipping Postcode missing\n- Card Number missing\n"
              "- Name on Card missing\n");
    EXPECT_EQ(m.caption, "Zadozu Orlavo");
    EXPECT_EQ(m.icon, QMessageBox::Critical);
    EXPECT_EQ(m.buttons, QMessageBox::Ok);
    EXPECT_EQ(sheet->focusWidget(), edit("firstName"));
    EXPECT_EQ(sheet->activeIndex(), 2);
    // Nothing is stored before the details pass.
    EXPECT_FALSE(reg().find(kUserDetails, "Remember").has_value());
}

TEST_F(DetailsPageTest, EmailNeedsAnAtAfterTheFirstCharacterAndADot) {
    const std::pair<const char*, bool> cases[] = {
        {"ada@example", false},
        {"@ada@example.org", false},
        {"a.da@example", true},
        {"ada@example.org", true},
    };
    for (const auto& [email, valid] : cases) {
        SCOPED_TRACE(email);
        open();
        fillValid();
        type("email", email);
        EXPECT_EQ(next(), valid);
        if (!valid) {
            EXPECT_EQ(lastMessage(),
                      "Email Address: please enter an address such as name@example.com.");
            EXPECT_EQ(sheet->focusWidget(), edit("email"));
        }
    }
}

TEST_F(DetailsPageTest, CardExpiringThisMonthPassesOneExpiredLastMonthFails) {
    open();
    fillValid();
    EXPECT_EQ(list("expiryYear")->itemText(0), "2026");
    EXPECT_EQ(list("expiryYear")->itemText(list("expiryYear")->count() - 1), "2046");
    list("expiryMonth")->setCurrentIndex(4);  // May 2026
    EXPECT_FALSE(next());
    EXPECT_EQ(
        lastMessage(),
        "Expiration Date: the card has expired. Choose the month and year printed on the card.");
    EXPECT_EQ(sheet->focusWidget(), list("expiryMonth"));
    list("expiryMonth")->setCurrentIndex(5);  // June 2026
    EXPECT_TRUE(next());
}

TEST_F(DetailsPageTest, TheExpiryDateStartsAtThisMonth) {
    open();
    EXPECT_EQ(list("expiryMonth")->currentText(), "06");
    EXPECT_EQ(list("expiryYear")->currentText(), "2026");
}

TEST_F(DetailsPageTest, HomeDeliveryOffersSameAsBillingAgainAfterTheShop) {
    open();
    fillValid();
    click("shop");
    ASSERT_FALSE(find<QAbstractButton>("sameAsBilling")->isEnabled());
    click("home");
    EXPECT_TRUE(find<QAbstractButton>("sameAsBilling")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>("sameAsBilling")->isChecked());
    click("sameAsBilling");
    EXPECT_EQ(edit("shippingAddress")->text(), "12 Marlborough Buildings");
    // Paying at the shop emptied the card number.
    choosePayment(1);
    type("cardNumber", "4111111111111111");
    ASSERT_TRUE(next()) << lastMessage().toStdString();
    EXPECT_EQ(shipping("address1"), "12 Marlborough Buildings");
}

TEST_F(DetailsPageTest, FailedChecksMarkTheirFieldsUntilTheyAreEdited) {
    open();
    fillValid();
    type("lastName", " ");
    type("email", "");
    EXPECT_FALSE(next());
    EXPECT_EQ(sheet->focusWidget(), edit("lastName"));
    for (const char* name : {"lastName", "email"})
        EXPECT_TRUE(edit(name)->property("invalidEntry").toBool()) << name;
    EXPECT_FALSE(edit("firstName")->property("invalidEntry").toBool());
    type("lastName", "Lovelace");
    EXPECT_FALSE(edit("lastName")->property("invalidEntry").toBool());
    EXPECT_TRUE(edit("email")->property("invalidEntry").toBool());

    // The next check marks only what it finds.
    type("email", "ada");
    EXPECT_FALSE(next());
    EXPECT_TRUE(edit("email")->property("invalidEntry").toBool());
    type("email", "ada@example.org");
    type("cardNumber", "5555555555554444");
    EXPECT_FALSE(next());
    EXPECT_FALSE(edit("email")->property("invalidEntry").toBool());
    EXPECT_TRUE(list("paymentMethod")->property("invalidEntry").toBool());
    EXPECT_EQ(sheet->focusWidget(), list("paymentMethod"));
    EXPECT_EQ(lastMessage(), "Payment Method: this number is a MasterCard; Visa is chosen.");
}

TEST_F(DetailsPageTest, MaestroNeedsItsStartDateIssueNumberAndSecurityCode) {
    open();
    fillValid();
    choosePayment(5);
    EXPECT_TRUE(edit("securityCode")->isVisible());
    EXPECT_TRUE(list("startMonth")->isVisible());
    EXPECT_EQ(list("startYear")->itemText(0), "2016");
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(), "- Issue No. missing\n- Security Code missing\n");
    EXPECT_EQ(sheet->focusWidget(), edit("issueNo"));

    type("issueNo", "1x2");  // digits only, two at most
    type("securityCode", "12345");
    EXPECT_EQ(edit("issueNo")->text(), "12");
    EXPECT_EQ(edit("securityCode")->text(), "1234");
    QComboBox* year = list("startYear");
    year->setCurrentIndex(year->count() - 1);  // 2026
    list("startMonth")->setCurrentIndex(6);    // July: not yet
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(),
              "Start Date: the card's start date lies in the future. Choose the month and year "
              "printed on the card.");
    EXPECT_EQ(sheet->focusWidget(), list("startMonth"));

    list("startMonth")->setCurrentIndex(5);
    type("cardNumber", "1234567890123");  // no checksum for this method
    ASSERT_TRUE(next());
    EXPECT_EQ(payment("ccnumber"), "1234567890123");
    EXPECT_EQ(payment("issueno"), "12");
    EXPECT_EQ(payment("securitycode"), "1234");
    EXPECT_EQ(payment("ccstartyear"), "2026");
}

TEST_F(DetailsPageTest, ChequeAndShopPaymentSkipTheCardAndEmptyItsNumber) {
    open();
    fillValid();
    choosePayment(5);
    type("securityCode", "999");
    choosePayment(6);
    EXPECT_EQ(edit("cardNumber")->text(), "");
    EXPECT_FALSE(edit("cardNumber")->isVisible());
    EXPECT_FALSE(list("expiryMonth")->isVisible());
    list("expiryYear")->setCurrentIndex(0);
    list("expiryMonth")->setCurrentIndex(0);  // January: expired, but not checked
    ASSERT_TRUE(next());
    EXPECT_EQ(payment("cctype"), "6");
    // Nothing of a card goes with a payment that takes none.
    EXPECT_EQ(payment("ccnumber"), "");
    EXPECT_EQ(payment("nameoncard"), "");
    EXPECT_EQ(payment("securitycode"), "");
}

TEST_F(DetailsPageTest, CardNumbersAreGroupedAndSentAsDigits) {
    open();
    fillValid();
    choosePayment(3);
    type("cardNumber", "3782-822463-10005");
    EXPECT_EQ(edit("cardNumber")->text(), "3782 8224 6310 005");
    // Typing in the middle keeps the cursor behind the digit typed.
    QLineEdit* card = edit("cardNumber");
    card->setCursorPosition(4);
    QTest::keyClick(card, Qt::Key_9);
    EXPECT_EQ(card->text(), "3782 9822 4631 0005");
    EXPECT_EQ(card->cursorPosition(), 6);
    QTest::keyClick(card, Qt::Key_Backspace);
    EXPECT_EQ(card->text(), "3782 8224 6310 005");
    ASSERT_TRUE(next());  // a 15-digit American Express card
    EXPECT_EQ(payment("ccnumber"), "378282246310005");

    type("cardNumber", "378282246310006");
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(),
              "Card Number: this is not a valid card number. Please check its digits.");
    EXPECT_EQ(sheet->focusWidget(), edit("cardNumber"));
    type("cardNumber", "4111111111111111");
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(), "Payment Method: this number is a Visa; American Express is chosen.");
    EXPECT_EQ(sheet->focusWidget(), list("paymentMethod"));
}

TEST_F(DetailsPageTest, WithoutShopsTheShopChoiceIsOffAndSaysWhy) {
    std::string noShops = kDetailsCatalogue;
    noShops.erase(noShops.find("<shops>"), noShops.find("</shops>") + 8 - noShops.find("<shops>"));
    reg().setNumber(kUserDetails, "Shop", 1);
    open(noShops.c_str());
    EXPECT_TRUE(find<QRadioButton>("home")->isChecked());
    EXPECT_FALSE(find<QRadioButton>("shop")->isEnabled());
    EXPECT_TRUE(find<QLabel>("noShops")->isVisible());
    EXPECT_EQ(list("paymentMethod")->findData(9), -1);
    fillValid();
    ASSERT_TRUE(next());
    EXPECT_EQ(reg().getNumber(kUserDetails, "Shop"), 0);
}

TEST_F(DetailsPageTest, AStoredShopOutsideTheListChoosesTheFirstAndOneShopNeedsNoMenu) {
    reg().setNumber(kUserDetails, "ShopNumber", 7);
    open();
    EXPECT_EQ(edit("shopName")->text(), "Bath Abbey");
    EXPECT_TRUE(find<QToolButton>("shopButton")->isVisible());
    EXPECT_TRUE(find<QLabel>("shopPrompt")->isVisible());

    std::string oneShop = kDetailsCatalogue;
    const std::size_t from = oneShop.find("<shop id=\"S21\"");
    oneShop.erase(from, oneShop.find("</shops>") - from);
    open(oneShop.c_str());
    EXPECT_EQ(edit("shopName")->text(), "York Minster");
    EXPECT_FALSE(find<QToolButton>("shopButton")->isVisible());
    EXPECT_FALSE(find<QLabel>("shopPrompt")->isVisible());
    fillValid();
    click("shop");
    ASSERT_TRUE(next());
    EXPECT_EQ(shipping("storeid"), "S11");
    EXPECT_EQ(reg().getNumber(kUserDetails, "ShopNumber"), 0);
}

TEST_F(DetailsPageTest, TheShopMenuGroupsNeighbouringShopsByCity) {
    open();
    click("shopButton");
    QMenu* menu = page->shopMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 5000));
    const QList<QAction*> cities = menu->actions();
    ASSERT_EQ(cities.size(), 2);
    EXPECT_EQ(cities[0]->text(), "Bath");
    EXPECT_EQ(cities[1]->text(), "York");
    ASSERT_NE(cities[0]->menu(), nullptr);
    EXPECT_EQ(cities[0]->menu()->actions().size(), 2);
    cities[1]->menu()->actions().at(0)->trigger();
    menu->close();
    EXPECT_EQ(edit("shopName")->text(), "York Minster");
    EXPECT_EQ(edit("shippingAddress")->text(), "14 Low Petergate");

    // Shops without a city stand first and are offered in the menu itself; a
    // name with "&" reads as it is.
    std::string cityless = kDetailsCatalogue;
    cityless.replace(cityless.find("name=\"York Minster\""), 19, "name=\"Smith &amp; Co\"");
    cityless.replace(cityless.find("city=\"York\""), 11, "city=\"\"");
    open(cityless.c_str());
    click("shopButton");
    const QList<QAction*> entries = page->shopMenu()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->menu(), nullptr);
    EXPECT_EQ(entries[0]->text(), "Smith && Co");
    EXPECT_EQ(entries[1]->text(), "Bath");
    entries[0]->trigger();
    page->shopMenu()->close();
    EXPECT_EQ(edit("shopName")->text(), "Smith & Co");
}

TEST_F(DetailsPageTest, RememberedDetailsFillThePageCountriesMatchedCaseBlind) {
    reg().setNumber(kUserDetails, "Remember", 1);
    reg().setText(kUserDetails, "FirstName", "Ada");
    reg().setText(kUserDetails, "Country", "ire");
    reg().setText(kShippingDetails, "ShippingCountry", "FR");
    reg().setText(kShippingDetails, "ShippingName", "Bob Ray");
    reg().setNumber(kUserDetails, "Shop", 0);
    open();
    EXPECT_TRUE(find<QCheckBox>("remember")->isChecked());
    EXPECT_EQ(edit("firstName")->text(), "Ada");
    EXPECT_EQ(list("country")->currentText(), "Ireland");
    EXPECT_EQ(list("shippingCountry")->currentText(), "France");
    EXPECT_EQ(edit("shippingName")->text(), "Bob Ray");

    reg().setText(kUserDetails, "Country", "Narnia");
    open();
    EXPECT_EQ(list("country")->currentText(), "United Kingdom");
}

TEST_F(DetailsPageTest, RememberOffEmptiesTheTextsButKeepsTheChoicesAndDealerNumber) {
    reg().setNumber(kUserDetails, "Remember", 1);
    reg().setText(kUserDetails, "Email", "old@example.org");
    reg().setText(kShippingDetails, "ShippingCity", "York");
    reg().setText(kDownloadInfo, "UseDealerNumber", "1");
    open();
    fillValid();
    click("remember");
    type("dealerNumber", "D777");
    ASSERT_TRUE(next());
    EXPECT_EQ(reg().getNumber(kUserDetails, "Remember"), 0);
    EXPECT_EQ(reg().getText(kUserDetails, "FirstName"), "");
    EXPECT_EQ(reg().getText(kUserDetails, "Email"), "");
    EXPECT_EQ(reg().getText(kShippingDetails, "ShippingCity"), "");
    EXPECT_EQ(reg().getText(kUserDetails, "DealerNumber"), "D777");
    EXPECT_EQ(app_->dealerNumber, "D777");
    EXPECT_EQ(user("dealernumber"), "D777");
    EXPECT_EQ(reg().getNumber(kUserDetails, "ShippingAsBilling"), 1);
    EXPECT_EQ(reg().getNumber(kUserDetails, "Shop"), 0);
    EXPECT_TRUE(reg().find(kUserDetails, "ShopNumber").has_value());
}

TEST_F(DetailsPageTest, PaymentDetailsAreNeverStored) {
    open();
    fillValid();
    choosePayment(5);
    type("cardNumber", "6759649826438453");
    type("issueNo", "7");
    type("securityCode", "4321");
    find<QCheckBox>("remember")->setChecked(true);
    ASSERT_TRUE(next());
    EXPECT_EQ(reg().getText(kUserDetails, "FirstName"), "Ada");
    for (const orlavo::StoredValue& v : reg().list()) {
        EXPECT_EQ(v.text.find("6759"), std::string::npos) << v.name;
        EXPECT_EQ(v.text.find("4321"), std::string::npos) << v.name;
    }
    EXPECT_EQ(dumped.find("6759"), std::string::npos);
}

TEST_F(DetailsPageTest, DealerNumberCanBeEditedOnlyInDealerModeOne) {
    for (const char* mode : {"0", "1", "2", "-1"}) {
        reg().setText(kDownloadInfo, "UseDealerNumber", mode);
        open();
        EXPECT_EQ(edit("dealerNumber")->isEnabled(), std::string(mode) == "1") << mode;
    }
}

TEST_F(DetailsPageTest, ACatalogueWithoutPaymentMethodsOrCountriesSaysWhatIsMissing) {
    std::string bare = kDetailsCatalogue;
    bare.erase(bare.find("<payment>"), bare.find("</shipping>") + 11 - bare.find("<payment>"));
    open(bare.c_str());
    QLabel* notice = find<QLabel>("notice");
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains("no payment methods"));
    EXPECT_TRUE(notice->text().contains("no countries"));
    fillValid();
    EXPECT_FALSE(next());
    EXPECT_EQ(lastMessage(), notice->text());
    // Back still leads out.
    QTest::mouseClick(sheet->backButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->activeIndex(), 1);
}

TEST_F(DetailsPageTest, FieldsKeepOnlyWhatTheOrderCanCarry) {
    open();
    fillValid();
    QLineEdit* first = edit("firstName");
    first->clear();
    first->insert(QString::fromUtf8("Ada\x01\x1b\tB\xC2\x85"));  // pasted
    EXPECT_EQ(first->text(), "Ada B");
    const QString greek = QString::fromUtf8("Ωμέγα");
    const QString hebrew = QString::fromUtf8("\xE2\x80\xAEשלום");
    const QString longAddress(10000, QLatin1Char('a'));
    type("lastName", greek);
    edit("address")->setText(longAddress);
    type("city", hebrew);
    ASSERT_TRUE(next());
    EXPECT_EQ(user("lastname"), greek.toStdString());
    EXPECT_EQ(user("address1").size(), 10000u);
    // The manifest as sent: ISO-8859-1 with character references beyond it.
    const std::string bytes = app_->xml.manifestTemplate().bytes();
    EXPECT_NE(bytes.find("lastname=\"&#937;&#956;&#941;&#947;&#945;\""), std::string::npos);
    EXPECT_NE(bytes.find("&#8238;&#1513;"), std::string::npos);
    orlavo::wizard::SelectedPhoto photo;
    photo.path = "/tmp/a.jpg";
    photo.orderLines = {{1, 0}};
    EXPECT_TRUE(orlavo::transmission::BuildPhotoManifest(app_->xml, photo, "ID", 1, 1));
}

TEST_F(DetailsPageTest, SettingsThatCannotBeSavedAreReportedAndTheOrderGoesOn) {
    const QString blocker = tempPath("blocker");
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    qputenv("ORLAVO_REGISTRY", (blocker + "/registry.sqlite3").toUtf8());
    open();
    fillValid();
    ASSERT_TRUE(next());
    ASSERT_GE(effects.messages.size(), 2u);
    const ShownMessage& warning = effects.messages[effects.messages.size() - 2];
    EXPECT_TRUE(warning.text.startsWith("The settings could not be saved")) << warning.text;
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
    // The customer reached the manifest and the price was asked for.
    EXPECT_EQ(user("firstname"), "Ada");
    EXPECT_TRUE(lastMessage().endsWith(". Unable to access server information.")) << lastMessage();
}

TEST_F(DetailsPageTest, ResumedOrderShowsItsOwnDetailsOnceAndLeavesTheCardToBeTyped) {
    // What the user remembered differs: the order's own details win.
    reg().setNumber(orlavo::section::kUserDetails, "Remember", 1);
    reg().setText(orlavo::section::kUserDetails, "FirstName", "Remembered");
    orlavo::wizard::CustomerDetails home;
    home.firstname = "Ada";
    home.lastname = "Lovelace";
    home.address1 = "12 Marlborough Buildings";
    home.city = "Bath";
    home.country = "Ireland";
    home.zip = "BA1 2LY";
    home.email = "ada@example.org";
    home.vouchercode = "WELCOME10";
    home.cctype = "2";
    orlavo::wizard::CustomerDetails same = home;
    same.shippingName = "Ada Lovelace";
    same.shippingAddress1 = home.address1;
    same.shippingCity = home.city;
    same.shippingCountry = home.country;
    same.shippingZip = home.zip;
    orlavo::wizard::CustomerDetails elsewhere = home;
    elsewhere.shippingName = "Charles Babbage";
    elsewhere.shippingAddress1 = "1 Dorset Street";
    elsewhere.shippingCity = "London";
    elsewhere.shippingCountry = "France";
    elsewhere.shippingZip = "W1U 4EG";
    orlavo::wizard::CustomerDetails shop = same;
    shop.storeid = "S22";
    shop.shippingAddress1 = "27 Milsom Street";
    shop.shippingZip = "BA1 1DG";
    shop.shippingCountry = "United Kingdom";
    shop.cctype = "9";
    const struct {
        const char* name;
        orlavo::wizard::CustomerDetails details;
        bool sameAsBilling;
        const char* delivery;
        QString shopName;
        QString payment;
        bool cardShown;
    } cases[] = {
        {"home, same as billing", same, true, "home", "", "MasterCard", true},
        {"home, another address", elsewhere, false, "home", "", "MasterCard", true},
        {"collected at a shop", shop, false, "shop", "Bath Milsom", "Pay at the shop", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(kDetailsCatalogue, [&] { app_->resumedDetails = c.details; });
        EXPECT_FALSE(app_->resumedDetails);
        EXPECT_EQ(edit("firstName")->text(), "Ada");
        EXPECT_EQ(edit("voucherCode")->text(), "WELCOME10");
        EXPECT_EQ(list("country")->currentText(), "Ireland");
        EXPECT_EQ(find<QAbstractButton>("sameAsBilling")->isChecked(), c.sameAsBilling);
        EXPECT_TRUE(find<QAbstractButton>(c.delivery)->isChecked());
        EXPECT_EQ(edit("shippingName")->text(), QString::fromStdString(c.details.shippingName));
        EXPECT_EQ(edit("shippingCity")->text(), QString::fromStdString(c.details.shippingCity));
        if (!c.shopName.isEmpty()) {
            EXPECT_EQ(find<QLineEdit>("shopName")->text(), c.shopName);
        }
        EXPECT_EQ(list("paymentMethod")->currentText(), c.payment);
        EXPECT_EQ(edit("cardNumber")->text(), "");
        EXPECT_EQ(edit("cardNumber")->isVisible(), c.cardShown);
        if (c.cardShown) {
            EXPECT_EQ(sheet->focusWidget(), edit("cardNumber"));
            type("cardNumber", "5500000000000004");
            type("nameOnCard", "A LOVELACE");
            list("expiryYear")->setCurrentIndex(1);
        }
        // Sent on, the order carries the very details its photos carried.
        ASSERT_TRUE(next()) << lastMessage();
        const orlavo::wizard::CustomerDetails carried =
            orlavo::transmission::DetailsFromTemplate(app_->xml);
        for (const orlavo::wizard::CustomerField& f : orlavo::wizard::CustomerFields())
            EXPECT_EQ(carried.*f.member, orlavo::transmission::WithoutCardData(c.details).*f.member)
                << f.attribute;
        // Shown once: going back and forth keeps what the user typed since.
        type("firstName", "Augusta");
        sheet->setActivePage(1);
        sheet->setActivePage(2);
        EXPECT_EQ(edit("firstName")->text(), "Augusta");
    }
}

// The window cannot be made so small that the form's fields are drawn over
// each other or cut below their height.
TEST_F(DetailsPageTest, AtTheSheetsLeastSizeNoFieldRunsIntoAnother) {
    open();
    fillValid();
    sheet->resize(200, 200);  // the window keeps its least size
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    std::vector<QWidget*> fields;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w);
        if (field && w->isVisible() && !qobject_cast<QComboBox*>(w->parentWidget()))
            fields.push_back(w);
    }
    ASSERT_GT(fields.size(), 20u);
    const auto place = [this](QWidget* w) { return QRect(w->mapTo(page, QPoint()), w->size()); };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_GE(fields[i]->height(), fields[i]->minimumSizeHint().height())
            << fields[i]->objectName();
        for (std::size_t j = i + 1; j < fields.size(); ++j) {
            EXPECT_FALSE(place(fields[i]).intersects(place(fields[j])))
                << fields[i]->objectName() << " and " << fields[j]->objectName();
        }
    }
    // The optional numbers show their "(Optional)" whole.
    for (const char* name : {"customerNumber", "dealerNumber"}) {
        auto* field = page->findChild<QLineEdit*>(name);
        ASSERT_NE(field, nullptr) << name;
        field->clear();
        // Less the border, the padding and the edit's own margins.
        EXPECT_GE(field->width() - 18,
                  field->fontMetrics().horizontalAdvance(field->placeholderText()))
            << name;
    }
}

}  // namespace
