#include "wizard/customer/ui/CUserDetailsPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "platform/Diagnostics.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/customer/CardNumber.h"
#include "wizard/customer/EnteredText.h"
#include "wizard/customer/RememberedDetails.h"
#include "wizard/customer/ShopMenu.h"
#include "wizard/customer/ui/FieldMarks.h"
#include "wizard/customer/ui/PriceRequestRunner.h"
#include "wizard/customer/ui/UserDetailsForm.h"
#include "wizard/transmission/PriceQuote.h"

namespace {

using orlavo::wizard::DeliveryMode;
using orlavo::wizard::DetailsField;

constexpr int kBannerWidth = 764;

// Strings of the page.
enum : int {
    kTitle = 3036,
    kUnableToLoad = 3419,
    kUnableToAccess = 3420,
    kSettingsNotSaved = 3032,
};

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string U(const QString& s) {
    return s.toStdString();
}
// A server's text as a field shows it: what a field may not hold removed.
QString Clean(const std::string& s) {
    return Q(orlavo::wizard::CleanEnteredText(s));
}
// A server's text as a menu shows it: "&" is not a mnemonic, a tab no column.
QString MenuText(const std::string& s) {
    QString text = Clean(s);
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

void SetText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

}  // namespace

CUserDetailsPage::CUserDetailsPage(CWizardApp& app, QWidget* parent)
    : CWizardPage(S(kTitle), app.bannerPicture(), parent),
      app_(app),
      today_([] { return QDate::currentDate(); }),
      dump_([](std::string_view file, std::string_view bytes) {
          return orlavo::AppendDiagnostic(file, bytes);
      }) {
    setObjectName("step3");
    ui_ = std::make_unique<UserDetailsForm>(this, body());
    runner_ = new PriceRequestRunner(this);
    connect(runner_, &PriceRequestRunner::finished, this, &CUserDetailsPage::onPriceAnswer);
    connect(runner_, &PriceRequestRunner::cancelled, this, &CUserDetailsPage::onPriceCancelled);
    connect(ui_->cancelPrice, &QPushButton::clicked, this, [this] {
        ui_->cancelPrice->setEnabled(false);
        runner_->cancel();
    });
    marks_ = new FieldMarks(this);
    connect(ui_->home, &QRadioButton::clicked, this, &CUserDetailsPage::onHomeClicked);
    connect(ui_->shop, &QRadioButton::clicked, this, &CUserDetailsPage::onShopClicked);
    connect(ui_->sameAsBillingBox, &QCheckBox::clicked, this,
            &CUserDetailsPage::onSameAsBillingClicked);
    for (QLineEdit* e : {ui_->firstName, ui_->lastName})
        connect(e, &QLineEdit::textChanged, this, &CUserDetailsPage::onBillingNameChanged);
    for (QLineEdit* e : {ui_->address, ui_->address2, ui_->city, ui_->state, ui_->phone, ui_->email,
                         ui_->postcode})
        connect(e, &QLineEdit::textChanged, this, &CUserDetailsPage::onBillingAddressChanged);
    connect(ui_->country, &QComboBox::currentIndexChanged, this,
            &CUserDetailsPage::onBillingCountryChanged);
    connect(ui_->payment, &QComboBox::currentIndexChanged, this,
            &CUserDetailsPage::updatePaymentFields);
    connect(ui_->shopButton, &QToolButton::clicked, this, &CUserDetailsPage::onShopButton);
}

CUserDetailsPage::~CUserDetailsPage() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

QSize CUserDetailsPage::minimumSizeHint() const {
    // The sheet grows to show every field rather than squeezing them.
    return {CWizardPage::minimumSizeHint().width(), CWizardPage::sizeHint().height()};
}

QSize CUserDetailsPage::sizeHint() const {
    // As wide as the banner: the fields share its width.
    return {std::max(kBannerWidth, CWizardPage::minimumSizeHint().width()),
            CWizardPage::sizeHint().height()};
}

bool CUserDetailsPage::isRequestingPrice() const {
    return busy_;
}

// Start of the page ------------------------------------------------------

void CUserDetailsPage::onSetActive() {
    if (!initialised_) {
        initialised_ = true;
        initPage();
    }
    if (app_.resumedDetails)
        fillResumedDetails();
    if (CMyProperySheet* s = sheet())
        s->layoutWithBack();
    updateShippingMode();
    updatePaymentFields();
}

void CUserDetailsPage::initPage() {
    using namespace orlavo::wizard;
    const RememberedDetails r = ReadRememberedDetails(app_.registry());
    ui_->remember->setChecked(r.remember);
    ui_->dealerNumber->setText(Clean(app_.dealerNumber));
    ui_->firstName->setText(Q(r.firstName));
    ui_->lastName->setText(Q(r.lastName));
    ui_->address->setText(Q(r.address));
    ui_->address2->setText(Q(r.address2));
    ui_->city->setText(Q(r.town));
    ui_->state->setText(Q(r.state));
    ui_->postcode->setText(Q(r.postCode));
    ui_->phone->setText(Q(r.phone));
    ui_->email->setText(Q(r.email));
    ui_->customerNumber->setText(Q(r.customerNumber));
    typed_ = r.shipping;

    const int shops = static_cast<int>(app_.shops.size());
    mode_ = shops == 0 ? DeliveryMode::Home : r.delivery;
    shopIndex_ = r.shopNumber < 0 || r.shopNumber >= shops ? 0 : r.shopNumber;
    sameAsBilling_ = r.sameAsBilling;
    ui_->sameAsBillingBox->setChecked(sameAsBilling_);
    (mode_ == DeliveryMode::Shop ? ui_->shop : ui_->home)->setChecked(true);
    ui_->shop->setEnabled(shops > 0);
    ui_->noShops->setVisible(shops == 0);

    fillDateLists();
    fillCountryLists(r.country, r.shipping.country);
    fillPaymentList();

    QStringList missing;
    if (choices_.empty())
        missing << S(UserDetailsForm::kNoPaymentMethods);
    if (ui_->country->count() == 0)
        missing << S(UserDetailsForm::kNoCountries);
    ui_->notice->setText(missing.join(QLatin1Char('\n')));
    ui_->notice->setVisible(!missing.isEmpty());

    shownMode_ = mode_;
    shownSameAsBilling_ = sameAsBilling_;
    writeShippingControls();
    updateShippingMode();
    ui_->dealerNumber->setEnabled(app_.dealerMode == 1);
}

void CUserDetailsPage::fillResumedDetails() {
    using namespace orlavo::wizard;
    const CustomerDetails r = *app_.resumedDetails;
    app_.resumedDetails.reset();
    ui_->firstName->setText(Clean(r.firstname));
    ui_->lastName->setText(Clean(r.lastname));
    ui_->address->setText(Clean(r.address1));
    ui_->address2->setText(Clean(r.address2));
    ui_->city->setText(Clean(r.city));
    ui_->state->setText(Clean(r.state));
    ui_->postcode->setText(Clean(r.zip));
    ui_->phone->setText(Clean(r.phone));
    ui_->email->setText(Clean(r.email));
    ui_->customerNumber->setText(Clean(r.customernumber));
    ui_->voucherCode->setText(Clean(r.vouchercode));
    ui_->promoCode->setText(Clean(r.promocode));
    if (app_.resumedDealerNumber && ui_->dealerNumber->isEnabled())
        ui_->dealerNumber->setText(Clean(*app_.resumedDealerNumber));
    if (const int i = ui_->country->findText(Clean(r.country)); i >= 0)
        ui_->country->setCurrentIndex(i);

    // Where the prints went: the shop by its id, else the address typed.
    int shop = -1;
    for (std::size_t i = 0; i < app_.shops.size() && !r.storeid.empty(); ++i)
        if (app_.shops[i].id == r.storeid)
            shop = static_cast<int>(i);
    mode_ = shop >= 0 ? DeliveryMode::Shop : DeliveryMode::Home;
    if (shop >= 0)
        shopIndex_ = shop;
    const std::string billingName = r.firstname + " " + r.lastname;
    sameAsBilling_ =
        r.shippingName == billingName &&
        (mode_ == DeliveryMode::Shop ||
         (r.shippingAddress1 == r.address1 && r.shippingAddress2 == r.address2 &&
          r.shippingCity == r.city && r.shippingState == r.state && r.shippingZip == r.zip &&
          r.shippingPhone == r.phone && r.shippingCountry == r.country));
    typed_.name = r.shippingName;
    if (mode_ == DeliveryMode::Home) {
        typed_ = {r.shippingName,    r.shippingAddress1, r.shippingAddress2, r.shippingCity,
                  r.shippingCountry, r.shippingState,    r.shippingZip,      r.shippingPhone};
    }
    ui_->sameAsBillingBox->setChecked(sameAsBilling_);
    (mode_ == DeliveryMode::Shop ? ui_->shop : ui_->home)->setChecked(true);
    shownMode_ = mode_;
    shownSameAsBilling_ = sameAsBilling_;
    writeShippingControls();
    updateShippingMode();
    if (ui_->payment->isEnabled()) {
        if (const int i = ui_->payment->findData(LeadingInt(r.cctype)); i >= 0)
            ui_->payment->setCurrentIndex(i);
    }
    updatePaymentFields();
    // What is left to type: the card.
    if (IsCardMethod(paymentId_))
        ui_->cardNumber->setFocus(Qt::OtherFocusReason);
}

void CUserDetailsPage::fillDateLists() {
    const int year = today_().year();
    for (QComboBox* month : {ui_->startMonth, ui_->expiryMonth}) {
        month->clear();
        for (int m = 1; m <= 12; ++m)
            month->addItem(QString::asprintf("%02d", m));
        month->setCurrentIndex(0);
    }
    ui_->startYear->clear();
    for (int y : orlavo::wizard::StartYearChoices(year))
        ui_->startYear->addItem(QString::number(y));
    ui_->expiryYear->clear();
    for (int y : orlavo::wizard::ExpiryYearChoices(year))
        ui_->expiryYear->addItem(QString::number(y));
    ui_->startYear->setCurrentIndex(0);
    ui_->expiryYear->setCurrentIndex(0);
    // A card that has not expired: from this month on.
    ui_->expiryMonth->setCurrentIndex(today_().month() - 1);
}

void CUserDetailsPage::fillCountryLists(const std::string& billing, const std::string& shipping) {
    const QSignalBlocker block(ui_->country);
    for (const std::string& name : app_.countryNames()) {
        ui_->country->addItem(Clean(name));
        ui_->shippingCountry->addItem(Clean(name));
    }
    // The first entry that begins with the remembered text, case-blind; else the first.
    const auto select = [](QComboBox* list, const QString& remembered) {
        int index = 0;
        for (int i = 0; i < list->count() && !remembered.isEmpty(); ++i) {
            if (list->itemText(i).startsWith(remembered, Qt::CaseInsensitive)) {
                index = i;
                break;
            }
        }
        list->setCurrentIndex(list->count() > 0 ? index : -1);
    };
    select(ui_->country, Q(billing));
    select(ui_->shippingCountry, Q(shipping));
    typed_.country = U(ui_->shippingCountry->currentText());
}

void CUserDetailsPage::fillPaymentList() {
    const QSignalBlocker block(ui_->payment);
    choices_ = orlavo::wizard::PaymentChoices(app_.xml);
    shopPaymentIndex_ = orlavo::wizard::ShopPaymentIndex(choices_);
    for (const orlavo::wizard::PaymentChoice& c : choices_)
        ui_->payment->addItem(Clean(c.name), c.id);
    int selected = 0;
    if (mode_ == DeliveryMode::Shop && shopPaymentIndex_ != -1)
        selected = shopPaymentIndex_;
    ui_->payment->setCurrentIndex(ui_->payment->count() > 0 ? selected : -1);
}

// Shipping and payment rules ----------------------------------------------

void CUserDetailsPage::readShippingControls() {
    if (!shownSameAsBilling_)
        typed_.name = U(ui_->shippingName->text());
    if (shownMode_ != DeliveryMode::Home || shownSameAsBilling_)
        return;
    typed_.address1 = U(ui_->shippingAddress->text());
    typed_.address2 = U(ui_->shippingAddress2->text());
    typed_.city = U(ui_->shippingCity->text());
    typed_.state = U(ui_->shippingState->text());
    typed_.zip = U(ui_->shippingPostcode->text());
    typed_.phone = U(ui_->shippingPhone->text());
    typed_.country = U(ui_->shippingCountry->currentText());
}

void CUserDetailsPage::writeShippingControls() {
    const QString billingName = ui_->firstName->text() + QLatin1Char(' ') + ui_->lastName->text();
    SetText(ui_->shippingName, sameAsBilling_ ? billingName : Q(typed_.name));
    if (mode_ == DeliveryMode::Shop) {
        const orlavo::wizard::ShopRecord* shop = chosenShop();
        const orlavo::wizard::ShopRecord none;
        const orlavo::wizard::ShopRecord& s = shop ? *shop : none;
        SetText(ui_->shopName, Clean(s.name));
        SetText(ui_->shippingAddress, Clean(s.address1));
        SetText(ui_->shippingAddress2, Clean(s.address2));
        SetText(ui_->shippingCity, Clean(s.city));
        SetText(ui_->shippingState, Clean(s.state));
        SetText(ui_->shippingPostcode, Clean(s.postcode));
        SetText(ui_->shippingPhone, Clean(s.phone));
    } else if (sameAsBilling_) {
        SetText(ui_->shippingAddress, ui_->address->text());
        SetText(ui_->shippingAddress2, ui_->address2->text());
        SetText(ui_->shippingCity, ui_->city->text());
        SetText(ui_->shippingState, ui_->state->text());
        SetText(ui_->shippingPostcode, ui_->postcode->text());
        SetText(ui_->shippingPhone, ui_->phone->text());
        ui_->shippingCountry->setCurrentIndex(ui_->country->currentIndex());
    } else {
        SetText(ui_->shippingAddress, Q(typed_.address1));
        SetText(ui_->shippingAddress2, Q(typed_.address2));
        SetText(ui_->shippingCity, Q(typed_.city));
        SetText(ui_->shippingState, Q(typed_.state));
        SetText(ui_->shippingPostcode, Q(typed_.zip));
        SetText(ui_->shippingPhone, Q(typed_.phone));
        const int index = ui_->shippingCountry->findText(Q(typed_.country));
        if (index >= 0)
            ui_->shippingCountry->setCurrentIndex(index);
    }
    shownMode_ = mode_;
    shownSameAsBilling_ = sameAsBilling_;
}

void CUserDetailsPage::updateShippingMode() {
    using orlavo::wizard::kShopPaymentMethod;
    const bool shopMode = mode_ == DeliveryMode::Shop;
    if (shopMode && sameAsBilling_) {
        // At a shop the prints go to the shop's address, never the billing
        // one: the box is cleared, and the name it gave is kept to edit.
        if (typed_.name.find_first_not_of(" \t") == std::string::npos)
            typed_.name = U(ui_->firstName->text() + QLatin1Char(' ') + ui_->lastName->text());
        sameAsBilling_ = false;
        const QSignalBlocker block(ui_->sameAsBillingBox);
        ui_->sameAsBillingBox->setChecked(false);
        writeShippingControls();
    }
    ui_->sameAsBillingBox->setEnabled(!shopMode);
    const bool choosable = shopMode && app_.shops.size() >= 2;
    ui_->shopName->setVisible(shopMode);
    ui_->shopButton->setVisible(choosable);
    ui_->shopPrompt->setVisible(choosable);

    const bool typedAddress = !shopMode && !sameAsBilling_;
    ui_->shippingName->setEnabled(!sameAsBilling_);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->shippingAddress, ui_->shippingAddress2, ui_->shippingCity, ui_->shippingState,
             ui_->shippingPostcode, ui_->shippingPhone, ui_->shippingCountry})
        w->setEnabled(typedAddress);

    const auto carriesShopPayment = [this](int index) {
        return index >= 0 && index < ui_->payment->count() &&
               ui_->payment->itemData(index).toInt() == kShopPaymentMethod;
    };
    if (!shopMode) {
        if (carriesShopPayment(shopPaymentIndex_)) {
            const bool wasSelected = ui_->payment->currentIndex() == shopPaymentIndex_;
            {
                const QSignalBlocker block(ui_->payment);
                ui_->payment->removeItem(shopPaymentIndex_);
                if (wasSelected || ui_->payment->currentIndex() < 0)
                    ui_->payment->setCurrentIndex(ui_->payment->count() > 0 ? 0 : -1);
            }
        }
        ui_->payment->setEnabled(true);
        updatePaymentFields();
    } else if (shopPaymentIndex_ != -1) {
        const QSignalBlocker block(ui_->payment);
        if (!carriesShopPayment(shopPaymentIndex_)) {
            const orlavo::wizard::PaymentChoice& c =
                choices_[static_cast<std::size_t>(shopPaymentIndex_)];
            ui_->payment->insertItem(shopPaymentIndex_, Clean(c.name), kShopPaymentMethod);
        }
        ui_->payment->setCurrentIndex(shopPaymentIndex_);
        ui_->payment->setEnabled(false);
        updatePaymentFields();
    }
}

void CUserDetailsPage::updatePaymentFields() {
    paymentId_ = ui_->payment->currentIndex() >= 0 ? ui_->payment->currentData().toInt() : -1;
    const bool card = orlavo::wizard::IsCardMethod(paymentId_);
    if (!card)
        ui_->cardNumber->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->cardNumberLabel, ui_->cardNumber, ui_->nameOnCardLabel, ui_->nameOnCard,
             ui_->expiryLabel, ui_->expiryMonth, ui_->expiryYear})
        w->setVisible(card);
    const bool startDate = paymentId_ == orlavo::wizard::kStartDateCardMethod;
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->startLabel, ui_->startMonth,
                                                      ui_->startYear, ui_->issueLabel, ui_->issueNo,
                                                      ui_->securityLabel, ui_->securityCode})
        w->setVisible(startDate);
}

// What the user does ------------------------------------------------------

void CUserDetailsPage::onHomeClicked() {
    readShippingControls();
    mode_ = DeliveryMode::Home;
    writeShippingControls();
    updateShippingMode();
}

void CUserDetailsPage::onShopClicked() {
    readShippingControls();
    mode_ = DeliveryMode::Shop;
    writeShippingControls();
    updateShippingMode();
}

void CUserDetailsPage::onSameAsBillingClicked() {
    readShippingControls();
    sameAsBilling_ = ui_->sameAsBillingBox->isChecked();
    writeShippingControls();
    updateShippingMode();
}

void CUserDetailsPage::onBillingNameChanged() {
    if (sameAsBilling_)
        SetText(ui_->shippingName,
                ui_->firstName->text() + QLatin1Char(' ') + ui_->lastName->text());
}

void CUserDetailsPage::onBillingAddressChanged() {
    if (!sameAsBilling_ || mode_ != DeliveryMode::Home)
        return;
    SetText(ui_->shippingAddress, ui_->address->text());
    SetText(ui_->shippingAddress2, ui_->address2->text());
    SetText(ui_->shippingCity, ui_->city->text());
    SetText(ui_->shippingState, ui_->state->text());
    SetText(ui_->shippingPostcode, ui_->postcode->text());
    SetText(ui_->shippingPhone, ui_->phone->text());
}

void CUserDetailsPage::onBillingCountryChanged() {
    if (sameAsBilling_ && mode_ == DeliveryMode::Home)
        ui_->shippingCountry->setCurrentIndex(ui_->country->currentIndex());
}

void CUserDetailsPage::onShopButton() {
    if (shopMenu_)
        shopMenu_->deleteLater();
    shopMenu_ = new QMenu(this);
    shopMenu_->setObjectName("shopMenu");
    for (const orlavo::wizard::ShopMenuGroup& group : orlavo::wizard::ShopMenuGroups(app_.shops)) {
        QMenu* menu =
            group.city.empty() ? shopMenu_.data() : shopMenu_->addMenu(MenuText(group.city));
        for (int index : group.shops) {
            QAction* action =
                menu->addAction(MenuText(app_.shops[static_cast<std::size_t>(index)].name));
            connect(action, &QAction::triggered, this, [this, index] { onShopChosen(index); });
        }
    }
    shopMenu_->popup(ui_->shopName->mapToGlobal(QPoint(0, ui_->shopName->height() + 1)));
}

void CUserDetailsPage::onShopChosen(int index) {
    if (index < 0 || index >= static_cast<int>(app_.shops.size()) || isRequestingPrice())
        return;
    readShippingControls();
    shopIndex_ = index;
    writeShippingControls();
    updateShippingMode();
}

// Leaving the page ----------------------------------------------------------

bool CUserDetailsPage::onWizardBack() {
    if (isRequestingPrice())
        return false;
    readShippingControls();
    return true;
}

bool CUserDetailsPage::onWizardNext() {
    using namespace orlavo::wizard;
    if (isRequestingPrice())
        return false;
    readShippingControls();
    if (choices_.empty() || ui_->country->count() == 0) {
        showError(ui_->notice->text());
        return false;
    }

    const QDate today = today_();
    const DetailsCheck check = ValidateDetails(entries(), today.year(), today.month());
    std::vector<QWidget*> marked;
    for (DetailsField field : check.fields)
        marked.push_back(control(field));
    marks_->mark(marked);
    if (!check.ok) {
        QWidget* focus = control(check.focus);
        if (check.missing && focus)
            focus->setFocus(Qt::OtherFocusReason);
        showError(Q(check.message));
        if (!check.missing && focus)
            focus->setFocus(Qt::OtherFocusReason);
        return false;
    }

    // What is remembered; the payment details never are.
    RememberedDetails keep;
    keep.remember = ui_->remember->isChecked();
    keep.firstName = U(ui_->firstName->text());
    keep.lastName = U(ui_->lastName->text());
    keep.address = U(ui_->address->text());
    keep.address2 = U(ui_->address2->text());
    keep.town = U(ui_->city->text());
    keep.state = U(ui_->state->text());
    keep.postCode = U(ui_->postcode->text());
    keep.country = U(ui_->country->currentText());
    keep.phone = U(ui_->phone->text());
    keep.email = U(ui_->email->text());
    keep.customerNumber = U(ui_->customerNumber->text());
    keep.shipping = typed_;
    keep.delivery = mode_;
    keep.shopNumber = shopIndex_;
    keep.sameAsBilling = sameAsBilling_;
    const std::string dealer = U(ui_->dealerNumber->text());
    const std::string stored = StoreRememberedDetails(app_.registry(), keep, dealer);
    app_.dealerNumber = dealer;
    if (!stored.empty())
        app_.ShowAppMessage(S(kSettingsNotSaved).arg(Q(stored)), QMessageBox::Warning,
                            QMessageBox::Ok);

    const ShopRecord* shop = chosenShop();
    app_.chosenShopName = mode_ == DeliveryMode::Shop && shop ? shop->name : std::string();

    const CustomerDetails details = record();
    std::optional<std::string> dealerAttribute;
    if (app_.dealerMode != 0)
        dealerAttribute = app_.dealerNumber;
    std::string request;
    if (!orlavo::transmission::SetCustomerDetails(app_.xml, details, dealerAttribute) ||
        !orlavo::transmission::BuildPriceRequest(
            app_.xml, details.vouchercode, details.promocode,
            orlavo::transmission::TotalQuantities(app_.order, app_.xml.GetProductCount()),
            request)) {
        showError(S(kUnableToLoad) + S(kUnableToAccess));
        return false;
    }
    setBusy(true);
    runner_->start(app_.priceRequestURL, std::move(request));
    // The sheet moves on when the quote is in.
    return false;
}

void CUserDetailsPage::onPriceAnswer(bool ok, const QByteArray& answer) {
    setBusy(false);
    const std::string body(answer.constData(), static_cast<std::size_t>(answer.size()));
    bool refused = false;
    const std::string result =
        ok ? orlavo::transmission::ParsePriceQuote(body, app_.priceQuote, dump_, &refused) : body;
    if (!result.empty()) {
        showError(Q(orlavo::transmission::PriceFailureText(result, refused)));
        emit priceRequestFinished(false);
        return;
    }
    CMyProperySheet* s = sheet();
    if (s && s->activePage() == this)
        s->setActivePage(s->activeIndex() + 1);
    emit priceRequestFinished(true);
}

void CUserDetailsPage::onPriceCancelled() {
    setBusy(false);
    emit priceRequestFinished(false);
}

void CUserDetailsPage::setBusy(bool busy) {
    busy_ = busy;
    if (busy) {
        focusBeforeBusy_ = QApplication::focusWidget();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ui_->form->setEnabled(!busy);
    ui_->status->setVisible(busy);
    ui_->cancelPrice->setVisible(busy);
    ui_->cancelPrice->setEnabled(busy);
    if (CMyProperySheet* s = sheet()) {
        for (QPushButton* b : {s->backButton(), s->nextButton(), s->cancelButton()})
            b->setEnabled(!busy);
        // Nothing closes the sheet while the lab is asked.
        if (busy)
            s->installEventFilter(this);
        else
            s->removeEventFilter(this);
    }
    if (!busy) {
        QApplication::restoreOverrideCursor();
        if (focusBeforeBusy_)
            focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
    }
}

bool CUserDetailsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sheet()) {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
    }
    return CWizardPage::eventFilter(watched, event);
}

// The record --------------------------------------------------------------

orlavo::wizard::DetailsEntries CUserDetailsPage::entries() const {
    orlavo::wizard::DetailsEntries e;
    e.firstName = U(ui_->firstName->text());
    e.lastName = U(ui_->lastName->text());
    e.address = U(ui_->address->text());
    e.city = U(ui_->city->text());
    e.postcode = U(ui_->postcode->text());
    e.email = U(ui_->email->text());
    e.sameAsBilling = sameAsBilling_;
    e.shopCollection = mode_ == DeliveryMode::Shop;
    e.shippingName = typed_.name;
    e.shippingAddress = typed_.address1;
    e.shippingCity = typed_.city;
    e.shippingPostcode = typed_.zip;
    e.paymentMethodId = paymentId_;
    e.cardNumber = orlavo::wizard::CardNumberDigits(U(ui_->cardNumber->text()));
    e.nameOnCard = U(ui_->nameOnCard->text());
    e.issueNo = U(ui_->issueNo->text());
    e.securityCode = U(ui_->securityCode->text());
    e.startMonth = U(ui_->startMonth->currentText());
    e.startYear = U(ui_->startYear->currentText());
    e.expiryMonth = U(ui_->expiryMonth->currentText());
    e.expiryYear = U(ui_->expiryYear->currentText());
    for (const orlavo::wizard::PaymentChoice& c : choices_)
        e.methods.emplace_back(c.id, c.name);
    return e;
}

orlavo::wizard::CustomerDetails CUserDetailsPage::record() const {
    using namespace orlavo::wizard;
    const DetailsEntries e = entries();
    CustomerDetails r;
    r.firstname = e.firstName;
    r.lastname = e.lastName;
    r.address1 = e.address;
    r.address2 = U(ui_->address2->text());
    r.city = e.city;
    r.country = U(ui_->country->currentText());
    r.state = U(ui_->state->text());
    r.zip = e.postcode;
    r.phone = U(ui_->phone->text());
    r.email = e.email;
    r.customernumber = U(ui_->customerNumber->text());
    ApplyDeliveryRule(r, mode_, sameAsBilling_, typed_, chosenShop());
    r.cctype = std::to_string(paymentId_);
    r.ccstartmonth = e.startMonth;
    r.ccstartyear = e.startYear;
    r.ccexpiremonth = e.expiryMonth;
    r.ccexpireyear = e.expiryYear;
    // Only what the chosen method shows goes to the lab: a code typed for
    // another method stays on this computer.
    if (IsCardMethod(paymentId_)) {
        r.ccnumber = e.cardNumber;
        r.nameoncard = e.nameOnCard;
        if (paymentId_ == kStartDateCardMethod) {
            r.issueno = e.issueNo;
            r.securitycode = e.securityCode;
        }
    }
    r.vouchercode = U(ui_->voucherCode->text());
    r.promocode = U(ui_->promoCode->text());
    return r;
}

const orlavo::wizard::ShopRecord* CUserDetailsPage::chosenShop() const {
    if (shopIndex_ < 0 || shopIndex_ >= static_cast<int>(app_.shops.size()))
        return nullptr;
    return &app_.shops[static_cast<std::size_t>(shopIndex_)];
}

QWidget* CUserDetailsPage::control(orlavo::wizard::DetailsField field) const {
    switch (field) {
        case DetailsField::FirstName:
            return ui_->firstName;
        case DetailsField::LastName:
            return ui_->lastName;
        case DetailsField::Address:
            return ui_->address;
        case DetailsField::City:
            return ui_->city;
        case DetailsField::Postcode:
            return ui_->postcode;
        case DetailsField::Email:
            return ui_->email;
        case DetailsField::ShippingName:
            return ui_->shippingName;
        case DetailsField::ShippingAddress:
            return ui_->shippingAddress;
        case DetailsField::ShippingCity:
            return ui_->shippingCity;
        case DetailsField::ShippingPostcode:
            return ui_->shippingPostcode;
        case DetailsField::CardNumber:
            return ui_->cardNumber;
        case DetailsField::NameOnCard:
            return ui_->nameOnCard;
        case DetailsField::IssueNo:
            return ui_->issueNo;
        case DetailsField::SecurityCode:
            return ui_->securityCode;
        case DetailsField::StartMonth:
            return ui_->startMonth;
        case DetailsField::ExpiryMonth:
            return ui_->expiryMonth;
        case DetailsField::PaymentMethod:
            return ui_->payment;
        case DetailsField::None:
            break;
    }
    return nullptr;
}

void CUserDetailsPage::showError(const QString& text) {
    app_.ShowAppMessage(text, QMessageBox::Critical, QMessageBox::Ok);
}
