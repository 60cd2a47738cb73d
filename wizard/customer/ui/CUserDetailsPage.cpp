#include "wizard/customer/ui/CUserDetailsPage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Diagnostics.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/customer/CardNumber.h"
#include "wizard/customer/EnteredText.h"
#include "wizard/customer/RememberedDetails.h"
#include "wizard/customer/ShopMenu.h"
#include "wizard/customer/ui/CardNumberValidator.h"
#include "wizard/customer/ui/EnteredTextValidator.h"
#include "wizard/customer/ui/PriceRequestRunner.h"
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
    kBillingDetails = 3421,
    kShippingDetails,
    kPaymentDetails,
    kFirstName,
    kLastName,
    kAddress,
    kCityTown,
    kStateCounty,
    kPostcode,
    kCountry,
    kPhone,
    kEmailAddress,
    kCustomerNumber,
    kDealerNumber,
    kOptional,
    kVoucherCode,
    kPromoCode,
    kSameAsBilling,
    kHome,
    kShop,
    kShopPrompt,
    kName,
    kRemember,
    kPaymentMethod,
    kCardNumber,
    kNameOnCard,
    kStartDate,
    kExpirationDate,
    kIssueNo,
    kSecurityCode,
    kNoPaymentMethods,
    kNoCountries,
    kNoShops,
    kChooseShop,
    kAskingForPrice,
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

QLineEdit* TextField(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setValidator(new EnteredTextValidator(edit));
    return edit;
}

QComboBox* List(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    // A long name from the lab must not widen the page.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(6);
    return box;
}

QLabel* Label(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// Keeps its place in the layout while hidden, so that nothing jumps.
void KeepPlace(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
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
    runner_ = new PriceRequestRunner(this);
    connect(runner_, &PriceRequestRunner::finished, this, &CUserDetailsPage::onPriceAnswer);
    buildForm();
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

void CUserDetailsPage::buildForm() {
    form_ = new QWidget(this);
    form_->setObjectName("detailsForm");
    // Forty fields: a little tighter than the other windows.
    form_->setStyleSheet("QLineEdit, QComboBox { min-height: 18px; }");
    auto* grid = new QGridLayout(form_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);

    // Billing.
    auto* billing = new QGroupBox(S(kBillingDetails), form_);
    auto* bg = new QGridLayout(billing);
    bg->setHorizontalSpacing(8);
    bg->setVerticalSpacing(3);
    bg->setColumnStretch(1, 1);
    firstName_ = TextField(billing, "firstName");
    lastName_ = TextField(billing, "lastName");
    address_ = TextField(billing, "address");
    address2_ = TextField(billing, "address2");
    city_ = TextField(billing, "city");
    state_ = TextField(billing, "state");
    postcode_ = TextField(billing, "postcode");
    country_ = List(billing, "country");
    phone_ = TextField(billing, "phone");
    email_ = TextField(billing, "email");
    customerNumber_ = TextField(billing, "customerNumber");
    dealerNumber_ = TextField(billing, "dealerNumber");
    customerNumber_->setPlaceholderText(S(kOptional));
    dealerNumber_->setPlaceholderText(S(kOptional));
    email_->setInputMethodHints(Qt::ImhEmailCharactersOnly);
    phone_->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    const std::pair<int, QWidget*> billingRows[] = {
        {kFirstName, firstName_}, {kLastName, lastName_}, {kAddress, address_},
        {0, address2_},           {kCityTown, city_},     {kStateCounty, state_},
        {kPostcode, postcode_},   {kCountry, country_},   {kPhone, phone_},
        {kEmailAddress, email_},
    };
    int row = 0;
    for (const auto& [label, field] : billingRows) {
        if (label != 0)
            bg->addWidget(Label(S(label), field, billing), row, 0);
        bg->addWidget(field, row++, 1, 1, 3);
    }
    // The two optional numbers share a row.
    bg->addWidget(Label(S(kCustomerNumber), customerNumber_, billing), row, 0);
    bg->addWidget(customerNumber_, row, 1);
    bg->addWidget(Label(S(kDealerNumber), dealerNumber_, billing), row, 2);
    bg->addWidget(dealerNumber_, row, 3);
    bg->setColumnStretch(3, 1);
    grid->addWidget(billing, 0, 0);

    // Shipping.
    auto* shipping = new QGroupBox(S(kShippingDetails), form_);
    auto* sg = new QGridLayout(shipping);
    sg->setHorizontalSpacing(8);
    sg->setVerticalSpacing(3);
    sg->setColumnStretch(1, 1);
    sameAsBillingBox_ = new QCheckBox(S(kSameAsBilling), shipping);
    sameAsBillingBox_->setObjectName("sameAsBilling");
    sg->addWidget(sameAsBillingBox_, 0, 0, 1, 2);
    shopPrompt_ = new QLabel(S(kShopPrompt), shipping);
    shopPrompt_->setObjectName("shopPrompt");
    KeepPlace(shopPrompt_);
    sg->addWidget(shopPrompt_, 1, 0, 1, 2);
    auto* delivery = new QHBoxLayout();
    delivery->setSpacing(6);
    home_ = new QRadioButton(S(kHome), shipping);
    home_->setObjectName("home");
    shop_ = new QRadioButton(S(kShop), shipping);
    shop_->setObjectName("shop");
    deliveryGroup_ = new QButtonGroup(this);
    deliveryGroup_->addButton(home_, 0);
    deliveryGroup_->addButton(shop_, 1);
    shopName_ = new QLineEdit(shipping);
    shopName_->setObjectName("shopName");
    shopName_->setReadOnly(true);
    shopName_->setFocusPolicy(Qt::ClickFocus);
    KeepPlace(shopName_);
    shopButton_ = new QToolButton(shipping);
    shopButton_->setObjectName("shopButton");
    shopButton_->setArrowType(Qt::DownArrow);
    shopButton_->setToolTip(S(kChooseShop));
    shopButton_->setAccessibleName(S(kChooseShop));
    KeepPlace(shopButton_);
    noShops_ = new QLabel(S(kNoShops), shipping);
    noShops_->setObjectName("noShops");
    noShops_->setTextFormat(Qt::PlainText);
    noShops_->setEnabled(false);
    noShops_->setWordWrap(true);
    delivery->addWidget(home_);
    delivery->addSpacing(6);
    delivery->addWidget(shop_);
    delivery->addWidget(shopName_, 1);
    delivery->addWidget(shopButton_);
    delivery->addWidget(noShops_, 1);
    sg->addLayout(delivery, 2, 0, 1, 2);
    shippingName_ = TextField(shipping, "shippingName");
    shippingAddress_ = TextField(shipping, "shippingAddress");
    shippingAddress2_ = TextField(shipping, "shippingAddress2");
    shippingCity_ = TextField(shipping, "shippingCity");
    shippingState_ = TextField(shipping, "shippingState");
    shippingPostcode_ = TextField(shipping, "shippingPostcode");
    shippingPhone_ = TextField(shipping, "shippingPhone");
    shippingCountry_ = List(shipping, "shippingCountry");
    const std::pair<int, QWidget*> shippingRows[] = {
        {kName, shippingName_},     {kAddress, shippingAddress_},   {0, shippingAddress2_},
        {kCityTown, shippingCity_}, {kStateCounty, shippingState_}, {kPostcode, shippingPostcode_},
        {kPhone, shippingPhone_},   {kCountry, shippingCountry_},
    };
    row = 3;
    for (const auto& [label, field] : shippingRows) {
        if (label != 0)
            sg->addWidget(Label(S(label), field, shipping), row, 0);
        sg->addWidget(field, row++, 1);
    }
    sg->setRowStretch(row, 1);
    grid->addWidget(shipping, 0, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    // Payment and codes.
    auto* pay = new QGroupBox(S(kPaymentDetails), form_);
    auto* pg = new QGridLayout(pay);
    pg->setHorizontalSpacing(8);
    pg->setVerticalSpacing(3);
    pg->setColumnStretch(1, 1);
    pg->setColumnStretch(3, 1);
    payment_ = List(pay, "paymentMethod");
    payment_->setMinimumContentsLength(10);
    cardNumber_ = new QLineEdit(pay);
    cardNumber_->setObjectName("cardNumber");
    cardNumber_->setValidator(new CardNumberValidator(cardNumber_));
    // 19 digits and the blanks between their groups of four.
    cardNumber_->setMaxLength(static_cast<int>(orlavo::wizard::kMaxCardDigits) + 4);
    cardNumber_->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData |
                                     Qt::ImhNoPredictiveText);
    cardNumber_->setMinimumWidth(
        cardNumber_->fontMetrics().horizontalAdvance(QLatin1String("0000 0000 0000 0000 000")) +
        20);
    nameOnCard_ = TextField(pay, "nameOnCard");
    cardNumberLabel_ = Label(S(kCardNumber), cardNumber_, pay);
    nameOnCardLabel_ = Label(S(kNameOnCard), nameOnCard_, pay);
    const auto datePair = [pay](QComboBox* month, QComboBox* year) {
        auto* w = new QWidget(pay);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(4);
        month->setParent(w);
        year->setParent(w);
        h->addWidget(month);
        h->addWidget(year);
        h->addStretch(1);
        return w;
    };
    expiryMonth_ = List(pay, "expiryMonth");
    expiryYear_ = List(pay, "expiryYear");
    startMonth_ = List(pay, "startMonth");
    startYear_ = List(pay, "startYear");
    // Only as wide as their numbers, with room for the arrow.
    for (QComboBox* list : {expiryMonth_, startMonth_})
        list->setFixedWidth(list->fontMetrics().horizontalAdvance(QLatin1String("00")) + 62);
    for (QComboBox* list : {expiryYear_, startYear_})
        list->setFixedWidth(list->fontMetrics().horizontalAdvance(QLatin1String("0000")) + 62);
    QWidget* expiry = datePair(expiryMonth_, expiryYear_);
    QWidget* start = datePair(startMonth_, startYear_);
    expiryLabel_ = Label(S(kExpirationDate), expiryMonth_, pay);
    startLabel_ = Label(S(kStartDate), startMonth_, pay);
    issueNo_ = new QLineEdit(pay);
    issueNo_->setObjectName("issueNo");
    issueNo_->setMaxLength(2);
    securityCode_ = new QLineEdit(pay);
    securityCode_->setObjectName("securityCode");
    securityCode_->setMaxLength(4);
    for (QLineEdit* e : {issueNo_, securityCode_}) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
        e->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData);
        e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QLatin1String("00000")) + 24);
    }
    issueLabel_ = Label(S(kIssueNo), issueNo_, pay);
    securityLabel_ = Label(S(kSecurityCode), securityCode_, pay);
    auto* codes = new QWidget(pay);
    auto* ch = new QHBoxLayout(codes);
    ch->setContentsMargins(0, 0, 0, 0);
    ch->setSpacing(6);
    issueNo_->setParent(codes);
    securityLabel_->setParent(codes);
    securityCode_->setParent(codes);
    ch->addWidget(issueNo_);
    ch->addSpacing(8);
    ch->addWidget(securityLabel_);
    ch->addWidget(securityCode_);
    ch->addStretch(1);
    // Left the method and the card, right its dates and codes.
    pg->addWidget(Label(S(kPaymentMethod), payment_, pay), 0, 0);
    pg->addWidget(payment_, 0, 1);
    pg->addWidget(cardNumberLabel_, 1, 0);
    pg->addWidget(cardNumber_, 1, 1);
    pg->addWidget(nameOnCardLabel_, 2, 0);
    pg->addWidget(nameOnCard_, 2, 1);
    pg->addWidget(expiryLabel_, 0, 2);
    pg->addWidget(expiry, 0, 3);
    pg->addWidget(startLabel_, 1, 2);
    pg->addWidget(start, 1, 3);
    pg->addWidget(issueLabel_, 2, 2);
    pg->addWidget(codes, 2, 3);
    for (QWidget* w : std::initializer_list<QWidget*>{
             cardNumberLabel_, cardNumber_, nameOnCardLabel_, nameOnCard_, expiryLabel_,
             expiryMonth_, expiryYear_, startLabel_, startMonth_, startYear_, issueLabel_, issueNo_,
             securityLabel_, securityCode_})
        KeepPlace(w);

    voucherCode_ = TextField(pay, "voucherCode");
    promoCode_ = TextField(pay, "promoCode");
    voucherCode_->setPlaceholderText(S(kOptional));
    promoCode_->setPlaceholderText(S(kOptional));
    pg->addWidget(Label(S(kVoucherCode), voucherCode_, pay), 3, 0);
    pg->addWidget(voucherCode_, 3, 1);
    pg->addWidget(Label(S(kPromoCode), promoCode_, pay), 3, 2);
    pg->addWidget(promoCode_, 3, 3);
    grid->addWidget(pay, 1, 0, 1, 2);

    remember_ = new QCheckBox(S(kRemember), form_);
    remember_->setObjectName("remember");
    grid->addWidget(remember_, 2, 0, 1, 2);
    notice_ = new QLabel(form_);
    notice_->setObjectName("notice");
    notice_->setTextFormat(Qt::PlainText);
    notice_->setWordWrap(true);
    notice_->setStyleSheet("color: #b3261e; font-weight: bold;");
    notice_->hide();
    grid->addWidget(notice_, 3, 0, 1, 2);

    body()->setContentsMargins(16, 10, 16, 8);
    body()->setSpacing(6);
    body()->addWidget(form_, 1);
    status_ = new QLabel(S(kAskingForPrice), this);
    status_->setObjectName("priceStatus");
    status_->setTextFormat(Qt::PlainText);
    KeepPlace(status_);
    status_->hide();
    body()->addWidget(status_);

    connect(home_, &QRadioButton::clicked, this, &CUserDetailsPage::onHomeClicked);
    connect(shop_, &QRadioButton::clicked, this, &CUserDetailsPage::onShopClicked);
    connect(sameAsBillingBox_, &QCheckBox::clicked, this,
            &CUserDetailsPage::onSameAsBillingClicked);
    for (QLineEdit* e : {firstName_, lastName_})
        connect(e, &QLineEdit::textChanged, this, &CUserDetailsPage::onBillingNameChanged);
    for (QLineEdit* e : {address_, address2_, city_, state_, phone_, email_, postcode_})
        connect(e, &QLineEdit::textChanged, this, &CUserDetailsPage::onBillingAddressChanged);
    connect(country_, &QComboBox::currentIndexChanged, this,
            &CUserDetailsPage::onBillingCountryChanged);
    connect(payment_, &QComboBox::currentIndexChanged, this,
            &CUserDetailsPage::updatePaymentFields);
    connect(shopButton_, &QToolButton::clicked, this, &CUserDetailsPage::onShopButton);
}

// Start of the page ------------------------------------------------------

void CUserDetailsPage::onSetActive() {
    if (!initialised_) {
        initialised_ = true;
        initPage();
    }
    if (CMyProperySheet* s = sheet())
        s->layoutWithBack();
    updateShippingMode();
    updatePaymentFields();
}

void CUserDetailsPage::initPage() {
    using namespace orlavo::wizard;
    const RememberedDetails r = ReadRememberedDetails(app_.registry());
    remember_->setChecked(r.remember);
    dealerNumber_->setText(Clean(app_.dealerNumber));
    firstName_->setText(Q(r.firstName));
    lastName_->setText(Q(r.lastName));
    address_->setText(Q(r.address));
    address2_->setText(Q(r.address2));
    city_->setText(Q(r.town));
    state_->setText(Q(r.state));
    postcode_->setText(Q(r.postCode));
    phone_->setText(Q(r.phone));
    email_->setText(Q(r.email));
    customerNumber_->setText(Q(r.customerNumber));
    typed_ = r.shipping;

    const int shops = static_cast<int>(app_.shops.size());
    mode_ = shops == 0 ? DeliveryMode::Home : r.delivery;
    shopIndex_ = r.shopNumber < 0 || r.shopNumber >= shops ? 0 : r.shopNumber;
    sameAsBilling_ = r.sameAsBilling;
    sameAsBillingBox_->setChecked(sameAsBilling_);
    (mode_ == DeliveryMode::Shop ? shop_ : home_)->setChecked(true);
    shop_->setEnabled(shops > 0);
    noShops_->setVisible(shops == 0);

    fillDateLists();
    fillCountryLists(r.country, r.shipping.country);
    fillPaymentList();

    QStringList missing;
    if (choices_.empty())
        missing << S(kNoPaymentMethods);
    if (country_->count() == 0)
        missing << S(kNoCountries);
    notice_->setText(missing.join(QLatin1Char('\n')));
    notice_->setVisible(!missing.isEmpty());

    shownMode_ = mode_;
    shownSameAsBilling_ = sameAsBilling_;
    writeShippingControls();
    updateShippingMode();
    dealerNumber_->setEnabled(app_.dealerMode == 1);
}

void CUserDetailsPage::fillDateLists() {
    const int year = today_().year();
    for (QComboBox* month : {startMonth_, expiryMonth_}) {
        month->clear();
        for (int m = 1; m <= 12; ++m)
            month->addItem(QString::asprintf("%02d", m));
        month->setCurrentIndex(0);
    }
    startYear_->clear();
    for (int y : orlavo::wizard::StartYearChoices(year))
        startYear_->addItem(QString::number(y));
    expiryYear_->clear();
    for (int y : orlavo::wizard::ExpiryYearChoices(year))
        expiryYear_->addItem(QString::number(y));
    startYear_->setCurrentIndex(0);
    expiryYear_->setCurrentIndex(0);
}

void CUserDetailsPage::fillCountryLists(const std::string& billing, const std::string& shipping) {
    const QSignalBlocker block(country_);
    for (const std::string& name : app_.countryNames()) {
        country_->addItem(Clean(name));
        shippingCountry_->addItem(Clean(name));
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
    select(country_, Q(billing));
    select(shippingCountry_, Q(shipping));
    typed_.country = U(shippingCountry_->currentText());
}

void CUserDetailsPage::fillPaymentList() {
    const QSignalBlocker block(payment_);
    choices_ = orlavo::wizard::PaymentChoices(app_.xml);
    shopPaymentIndex_ = orlavo::wizard::ShopPaymentIndex(choices_);
    for (const orlavo::wizard::PaymentChoice& c : choices_)
        payment_->addItem(Clean(c.name), c.id);
    int selected = 0;
    if (mode_ == DeliveryMode::Shop && shopPaymentIndex_ != -1)
        selected = shopPaymentIndex_;
    payment_->setCurrentIndex(payment_->count() > 0 ? selected : -1);
}

// Shipping and payment rules ----------------------------------------------

void CUserDetailsPage::readShippingControls() {
    if (!shownSameAsBilling_)
        typed_.name = U(shippingName_->text());
    if (shownMode_ != DeliveryMode::Home || shownSameAsBilling_)
        return;
    typed_.address1 = U(shippingAddress_->text());
    typed_.address2 = U(shippingAddress2_->text());
    typed_.city = U(shippingCity_->text());
    typed_.state = U(shippingState_->text());
    typed_.zip = U(shippingPostcode_->text());
    typed_.phone = U(shippingPhone_->text());
    typed_.country = U(shippingCountry_->currentText());
}

void CUserDetailsPage::writeShippingControls() {
    const QString billingName = firstName_->text() + QLatin1Char(' ') + lastName_->text();
    SetText(shippingName_, sameAsBilling_ ? billingName : Q(typed_.name));
    if (mode_ == DeliveryMode::Shop) {
        const orlavo::wizard::ShopRecord* shop = chosenShop();
        const orlavo::wizard::ShopRecord none;
        const orlavo::wizard::ShopRecord& s = shop ? *shop : none;
        SetText(shopName_, Clean(s.name));
        SetText(shippingAddress_, Clean(s.address1));
        SetText(shippingAddress2_, Clean(s.address2));
        SetText(shippingCity_, Clean(s.city));
        SetText(shippingState_, Clean(s.state));
        SetText(shippingPostcode_, Clean(s.postcode));
        SetText(shippingPhone_, Clean(s.phone));
    } else if (sameAsBilling_) {
        SetText(shippingAddress_, address_->text());
        SetText(shippingAddress2_, address2_->text());
        SetText(shippingCity_, city_->text());
        SetText(shippingState_, state_->text());
        SetText(shippingPostcode_, postcode_->text());
        SetText(shippingPhone_, phone_->text());
        shippingCountry_->setCurrentIndex(country_->currentIndex());
    } else {
        SetText(shippingAddress_, Q(typed_.address1));
        SetText(shippingAddress2_, Q(typed_.address2));
        SetText(shippingCity_, Q(typed_.city));
        SetText(shippingState_, Q(typed_.state));
        SetText(shippingPostcode_, Q(typed_.zip));
        SetText(shippingPhone_, Q(typed_.phone));
        const int index = shippingCountry_->findText(Q(typed_.country));
        if (index >= 0)
            shippingCountry_->setCurrentIndex(index);
    }
    shownMode_ = mode_;
    shownSameAsBilling_ = sameAsBilling_;
}

void CUserDetailsPage::updateShippingMode() {
    using orlavo::wizard::kShopPaymentMethod;
    const bool shopMode = mode_ == DeliveryMode::Shop;
    const bool choosable = shopMode && app_.shops.size() >= 2;
    shopName_->setVisible(shopMode);
    shopButton_->setVisible(choosable);
    shopPrompt_->setVisible(choosable);

    const bool typedAddress = !shopMode && !sameAsBilling_;
    shippingName_->setEnabled(!sameAsBilling_);
    for (QWidget* w : std::initializer_list<QWidget*>{
             shippingAddress_, shippingAddress2_, shippingCity_, shippingState_, shippingPostcode_,
             shippingPhone_, shippingCountry_})
        w->setEnabled(typedAddress);

    const auto carriesShopPayment = [this](int index) {
        return index >= 0 && index < payment_->count() &&
               payment_->itemData(index).toInt() == kShopPaymentMethod;
    };
    if (!shopMode) {
        if (carriesShopPayment(shopPaymentIndex_)) {
            const bool wasSelected = payment_->currentIndex() == shopPaymentIndex_;
            {
                const QSignalBlocker block(payment_);
                payment_->removeItem(shopPaymentIndex_);
                if (wasSelected || payment_->currentIndex() < 0)
                    payment_->setCurrentIndex(payment_->count() > 0 ? 0 : -1);
            }
        }
        payment_->setEnabled(true);
        updatePaymentFields();
    } else if (shopPaymentIndex_ != -1) {
        const QSignalBlocker block(payment_);
        if (!carriesShopPayment(shopPaymentIndex_)) {
            const orlavo::wizard::PaymentChoice& c =
                choices_[static_cast<std::size_t>(shopPaymentIndex_)];
            payment_->insertItem(shopPaymentIndex_, Clean(c.name), kShopPaymentMethod);
        }
        payment_->setCurrentIndex(shopPaymentIndex_);
        payment_->setEnabled(false);
        updatePaymentFields();
    }
}

void CUserDetailsPage::updatePaymentFields() {
    paymentId_ = payment_->currentIndex() >= 0 ? payment_->currentData().toInt() : -1;
    const bool card = orlavo::wizard::IsCardMethod(paymentId_);
    if (!card)
        cardNumber_->clear();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cardNumberLabel_, cardNumber_, nameOnCardLabel_,
                                         nameOnCard_, expiryLabel_, expiryMonth_, expiryYear_})
        w->setVisible(card);
    const bool startDate = paymentId_ == orlavo::wizard::kStartDateCardMethod;
    for (QWidget* w :
         std::initializer_list<QWidget*>{startLabel_, startMonth_, startYear_, issueLabel_,
                                         issueNo_, securityLabel_, securityCode_})
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
    sameAsBilling_ = sameAsBillingBox_->isChecked();
    writeShippingControls();
    updateShippingMode();
}

void CUserDetailsPage::onBillingNameChanged() {
    if (sameAsBilling_)
        SetText(shippingName_, firstName_->text() + QLatin1Char(' ') + lastName_->text());
}

void CUserDetailsPage::onBillingAddressChanged() {
    if (!sameAsBilling_ || mode_ != DeliveryMode::Home)
        return;
    SetText(shippingAddress_, address_->text());
    SetText(shippingAddress2_, address2_->text());
    SetText(shippingCity_, city_->text());
    SetText(shippingState_, state_->text());
    SetText(shippingPostcode_, postcode_->text());
    SetText(shippingPhone_, phone_->text());
}

void CUserDetailsPage::onBillingCountryChanged() {
    if (sameAsBilling_ && mode_ == DeliveryMode::Home)
        shippingCountry_->setCurrentIndex(country_->currentIndex());
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
    shopMenu_->popup(shopName_->mapToGlobal(QPoint(0, shopName_->height() + 1)));
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
    if (choices_.empty() || country_->count() == 0) {
        showError(notice_->text());
        return false;
    }

    const QDate today = today_();
    const DetailsCheck check = ValidateDetails(entries(), today.year(), today.month());
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
    keep.remember = remember_->isChecked();
    keep.firstName = U(firstName_->text());
    keep.lastName = U(lastName_->text());
    keep.address = U(address_->text());
    keep.address2 = U(address2_->text());
    keep.town = U(city_->text());
    keep.state = U(state_->text());
    keep.postCode = U(postcode_->text());
    keep.country = U(country_->currentText());
    keep.phone = U(phone_->text());
    keep.email = U(email_->text());
    keep.customerNumber = U(customerNumber_->text());
    keep.shipping = typed_;
    keep.delivery = mode_;
    keep.shopNumber = shopIndex_;
    keep.sameAsBilling = sameAsBilling_;
    const std::string dealer = U(dealerNumber_->text());
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
    const std::string result =
        ok ? orlavo::transmission::ParsePriceQuote(body, app_.priceQuote, dump_) : body;
    if (!result.empty()) {
        showError(Q(result) + S(kUnableToAccess));
        emit priceRequestFinished(false);
        return;
    }
    CMyProperySheet* s = sheet();
    if (s && s->activePage() == this)
        s->setActivePage(s->activeIndex() + 1);
    emit priceRequestFinished(true);
}

void CUserDetailsPage::setBusy(bool busy) {
    busy_ = busy;
    if (busy) {
        focusBeforeBusy_ = QApplication::focusWidget();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    form_->setEnabled(!busy);
    status_->setVisible(busy);
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
    e.firstName = U(firstName_->text());
    e.lastName = U(lastName_->text());
    e.address = U(address_->text());
    e.city = U(city_->text());
    e.postcode = U(postcode_->text());
    e.email = U(email_->text());
    e.sameAsBilling = sameAsBilling_;
    e.shopCollection = mode_ == DeliveryMode::Shop;
    e.shippingName = typed_.name;
    e.shippingAddress = typed_.address1;
    e.shippingCity = typed_.city;
    e.shippingPostcode = typed_.zip;
    e.paymentMethodId = paymentId_;
    e.cardNumber = orlavo::wizard::CardNumberDigits(U(cardNumber_->text()));
    e.nameOnCard = U(nameOnCard_->text());
    e.issueNo = U(issueNo_->text());
    e.securityCode = U(securityCode_->text());
    e.startMonth = U(startMonth_->currentText());
    e.startYear = U(startYear_->currentText());
    e.expiryMonth = U(expiryMonth_->currentText());
    e.expiryYear = U(expiryYear_->currentText());
    return e;
}

orlavo::wizard::CustomerDetails CUserDetailsPage::record() const {
    using namespace orlavo::wizard;
    const DetailsEntries e = entries();
    CustomerDetails r;
    r.firstname = e.firstName;
    r.lastname = e.lastName;
    r.address1 = e.address;
    r.address2 = U(address2_->text());
    r.city = e.city;
    r.country = U(country_->currentText());
    r.state = U(state_->text());
    r.zip = e.postcode;
    r.phone = U(phone_->text());
    r.email = e.email;
    r.customernumber = U(customerNumber_->text());
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
    r.vouchercode = U(voucherCode_->text());
    r.promocode = U(promoCode_->text());
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
            return firstName_;
        case DetailsField::LastName:
            return lastName_;
        case DetailsField::Address:
            return address_;
        case DetailsField::City:
            return city_;
        case DetailsField::Postcode:
            return postcode_;
        case DetailsField::Email:
            return email_;
        case DetailsField::ShippingName:
            return shippingName_;
        case DetailsField::ShippingAddress:
            return shippingAddress_;
        case DetailsField::ShippingCity:
            return shippingCity_;
        case DetailsField::ShippingPostcode:
            return shippingPostcode_;
        case DetailsField::CardNumber:
            return cardNumber_;
        case DetailsField::NameOnCard:
            return nameOnCard_;
        case DetailsField::IssueNo:
            return issueNo_;
        case DetailsField::SecurityCode:
            return securityCode_;
        case DetailsField::StartMonth:
            return startMonth_;
        case DetailsField::ExpiryMonth:
            return expiryMonth_;
        case DetailsField::PaymentMethod:
            return payment_;
        case DetailsField::None:
            break;
    }
    return nullptr;
}

void CUserDetailsPage::showError(const QString& text) {
    app_.ShowAppMessage(text, QMessageBox::Critical, QMessageBox::Ok);
}
