#pragma once
// The details page in a real wizard sheet: the application object started
// under a test profile, a catalogue with every kind of payment method, the
// page shown as step 3, a fixed "today" and the price answers' dump kept in
// memory.

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <ostream>
#include <string>

#include "common/SettingsTable.h"
#include "tests/app/AppTestSupport.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/customer/ui/CUserDetailsPage.h"
#include "wizard/transmission/TransferManifest.h"

// Texts in test messages.
inline std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << s.toStdString();
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Six payment methods, three countries in two groups, three shops in two
// cities (sorted: Bath, Bath, York).
inline constexpr const char* kDetailsCatalogue = R"(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products><product id="P1" name="6x4" price="0.25" x_dim="152" y_dim="102"/></products>
  <payment>
    <pay id="1" name="Visa"/><pay id="2" name="MasterCard"/><pay id="3" name="American Express"/>
    <pay id="5" name="Maestro"/><pay id="6" name="Cheque"/><pay id="9" name="Pay at the shop"/>
  </payment>
  <shipping>
    <ship id="1"><country name="United Kingdom" value="GB"/><country name="Ireland" value="IE"/></ship>
    <ship id="2"><country name="France" value="FR"/></ship>
  </shipping>
  <shops>
    <shop id="S11" name="York Minster" address1="14 Low Petergate" city="York" postcode="YO1 7HZ" phone="01632 960101" country="United Kingdom" storeid="D300"/>
    <shop id="S21" name="Bath Abbey" address1="8 Abbey Green" address2="Abbey Yard" city="Bath" state="Somerset" postcode="BA1 1NW" phone="01632 960201" country="United Kingdom" storeid="D100"/>
    <shop id="S22" name="Bath Milsom" address1="27 Milsom Street" city="Bath" postcode="BA1 1DG" country="United Kingdom" storeid="D200"/>
  </shops>
</affiliateinfo>
)";

class DetailsPageTest : public AppTest {
protected:
    using Field = std::pair<const char*, QString>;

    // Starts the application with the real page for step 3, loads CATALOGUE,
    // runs BEFORE_SHOW and shows the page.
    void open(const char* catalogue = kDetailsCatalogue,
              const std::function<void()>& beforeShow = {}) {
        app_ = std::make_unique<CWizardApp>(
            std::vector<std::string>{"customer_ui_tests", "UiTest"}, effects, std::string(),
            [](CWizardApp& app, int step, QWidget* parent) -> CWizardPage* {
                if (step == 3)
                    return new CUserDetailsPage(app, parent);
                return new CPlaceholderPage(app, step, parent);
            });
        ASSERT_TRUE(app_->StartUp());
        loadCatalogue(catalogue);
        app_->order.setProductCount(app_->xml.GetProductCount());
        app_->priceRequestURL = "http://127.0.0.1:9/price";
        sheet = app_->sheet();
        page = qobject_cast<CUserDetailsPage*>(sheet->page(2));
        ASSERT_NE(page, nullptr);
        page->setClock([this] { return today; });
        page->setDiagnosticSink([this](std::string_view, std::string_view bytes) {
            dumped += bytes;
            return true;
        });
        if (beforeShow)
            beforeShow();
        sheet->show();
        sheet->setActivePage(2);
    }

    template <class W>
    W* find(const char* name) {
        W* w = page->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    QComboBox* list(const char* name) { return find<QComboBox>(name); }

    // Types TEXT into the field NAME as a user would, replacing what it held.
    void type(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        // Key events carrying each character, as a keyboard (or an input
        // method, for scripts QTest cannot name keys of) delivers them.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString ch = text.mid(i, n);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, ch);
            QApplication::sendEvent(e, &press);
            QApplication::sendEvent(e, &release);
            i += n - 1;
        }
    }
    void typeAll(std::initializer_list<Field> fields) {
        for (const auto& [name, text] : fields)
            type(name, text);
    }
    void choosePayment(int id) {
        QComboBox* p = list("paymentMethod");
        p->setCurrentIndex(p->findData(id));
    }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }

    // Billing details that pass, home delivery to the billing address, a Visa
    // card expiring this month.
    void fillValid() {
        typeAll({{"firstName", "Ada"},
                 {"lastName", "Lovelace"},
                 {"address", "12 Marlborough Buildings"},
                 {"city", "Bath"},
                 {"postcode", "BA1 2LY"},
                 {"email", "ada@example.org"}});
        click("home");
        if (!find<QAbstractButton>("sameAsBilling")->isChecked())
            click("sameAsBilling");
        choosePayment(1);
        type("cardNumber", "4111111111111111");
        type("nameOnCard", "A LOVELACE");
        list("expiryMonth")->setCurrentIndex(today.month() - 1);
        list("expiryYear")->setCurrentIndex(0);
    }

    // Presses Continue; true when the page let the details pass (the price
    // request then runs and ends, either way, before this returns).
    bool next() {
        const std::size_t shown = effects.messages.size();
        QSignalSpy finished(page, &CUserDetailsPage::priceRequestFinished);
        QTest::mouseClick(sheet->nextButton(), Qt::LeftButton);
        if (!page->isRequestingPrice())
            return false;
        EXPECT_TRUE(finished.wait(30000));
        passed = finished.count() == 1 && finished.at(0).at(0).toBool();
        priceMessages = effects.messages.size() - shown;
        return true;
    }

    QString lastMessage() const {
        return effects.messages.empty() ? QString() : effects.messages.back().text;
    }
    // What the manifest template holds after a Next that passed.
    std::string shipping(std::string_view name) const {
        return orlavo::transmission::GetShippingValue(app_->xml, name);
    }
    std::string user(std::string_view name) const {
        return orlavo::transmission::GetUserValue(app_->xml, name);
    }
    std::string payment(std::string_view name) const {
        return orlavo::transmission::GetPaymentValue(app_->xml, name);
    }

    CMyProperySheet* sheet = nullptr;
    CUserDetailsPage* page = nullptr;
    QDate today{2026, 6, 15};
    std::string dumped;
    bool passed = false;  // the last next() reached a quote
    std::size_t priceMessages = 0;
};
