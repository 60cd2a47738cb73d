#include "wizard/customer/ui/UserDetailsForm.h"
#include "wizard/app/ScreenReaderName.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "resources/WizardResources.h"
#include "wizard/customer/CardNumber.h"
#include "wizard/customer/ui/CardNumberValidator.h"
#include "wizard/customer/ui/EnteredTextValidator.h"

namespace {

constexpr int kCancelCaption = 111;

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
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
    // A screen reader names a list by its choice, not by the label beside it.
    if (buddy->accessibleName().isEmpty())
        buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

// Keeps its place in the layout while hidden, so that nothing jumps.
void KeepPlace(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

UserDetailsForm::UserDetailsForm(QWidget* page, QVBoxLayout* body) {
    form = new QWidget(page);
    form->setObjectName("detailsForm");
    // Forty fields: a little tighter than the other windows.
    form->setStyleSheet("QLineEdit, QComboBox { min-height: 18px; }");
    auto* grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);

    // Billing.
    auto* billing = new QGroupBox(S(kBillingDetails), form);
    auto* bg = new QGridLayout(billing);
    bg->setHorizontalSpacing(8);
    bg->setVerticalSpacing(3);
    bg->setColumnStretch(1, 1);
    firstName = TextField(billing, "firstName");
    lastName = TextField(billing, "lastName");
    address = TextField(billing, "address");
    address2 = TextField(billing, "address2");
    city = TextField(billing, "city");
    state = TextField(billing, "state");
    postcode = TextField(billing, "postcode");
    country = List(billing, "country");
    phone = TextField(billing, "phone");
    email = TextField(billing, "email");
    customerNumber = TextField(billing, "customerNumber");
    dealerNumber = TextField(billing, "dealerNumber");
    customerNumber->setPlaceholderText(S(kOptional));
    dealerNumber->setPlaceholderText(S(kOptional));
    // The two share a row: each keeps room for its "(Optional)" whole.
    for (QLineEdit* field : {customerNumber, dealerNumber})
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(S(kOptional)) + 28);
    email->setInputMethodHints(Qt::ImhEmailCharactersOnly);
    phone->setInputMethodHints(Qt::ImhDialableCharactersOnly);
    const std::pair<int, QWidget*> billingRows[] = {
        {kFirstName, firstName}, {kLastName, lastName},  {kAddress, address},   {0, address2},
        {kCityTown, city},       {kStateCounty, state},  {kPostcode, postcode}, {kCountry, country},
        {kPhone, phone},         {kEmailAddress, email},
    };
    address2->setAccessibleName(S(kSecondLineOf).arg(S(kAddress)));
    int row = 0;
    for (const auto& [label, field] : billingRows) {
        if (label != 0)
            bg->addWidget(Label(S(label), field, billing), row, 0);
        bg->addWidget(field, row++, 1, 1, 3);
    }
    // The two optional numbers share a row.
    bg->addWidget(Label(S(kCustomerNumber), customerNumber, billing), row, 0);
    bg->addWidget(customerNumber, row, 1);
    bg->addWidget(Label(S(kDealerNumber), dealerNumber, billing), row, 2);
    bg->addWidget(dealerNumber, row, 3);
    bg->setColumnStretch(3, 1);
    grid->addWidget(billing, 0, 0);

    // Shipping.
    auto* shipping = new QGroupBox(S(kShippingDetails), form);
    auto* sg = new QGridLayout(shipping);
    sg->setHorizontalSpacing(8);
    sg->setVerticalSpacing(3);
    sg->setColumnStretch(1, 1);
    sameAsBillingBox = new QCheckBox(S(kSameAsBilling), shipping);
    sameAsBillingBox->setObjectName("sameAsBilling");
    sg->addWidget(sameAsBillingBox, 0, 0, 1, 2);
    shopPrompt = new QLabel(S(kShopPrompt), shipping);
    shopPrompt->setObjectName("shopPrompt");
    shopPrompt->setTextFormat(Qt::PlainText);
    KeepPlace(shopPrompt);
    sg->addWidget(shopPrompt, 1, 0, 1, 2);
    auto* delivery = new QHBoxLayout();
    delivery->setSpacing(6);
    home = new QRadioButton(S(kHome), shipping);
    home->setObjectName("home");
    shop = new QRadioButton(S(kShop), shipping);
    shop->setObjectName("shop");
    deliveryGroup = new QButtonGroup(page);
    deliveryGroup->addButton(home, 0);
    deliveryGroup->addButton(shop, 1);
    shopName = new QLineEdit(shipping);
    shopName->setObjectName("shopName");
    shopName->setReadOnly(true);
    shopName->setFocusPolicy(Qt::ClickFocus);
    KeepPlace(shopName);
    shopButton = new QToolButton(shipping);
    shopButton->setObjectName("shopButton");
    shopButton->setArrowType(Qt::DownArrow);
    shopButton->setToolTip(S(kChooseShop));
    shopButton->setAccessibleName(S(kChooseShop));
    KeepPlace(shopButton);
    noShops = new QLabel(S(kNoShops), shipping);
    noShops->setObjectName("noShops");
    noShops->setTextFormat(Qt::PlainText);
    noShops->setEnabled(false);
    noShops->setWordWrap(true);
    delivery->addWidget(home);
    delivery->addSpacing(6);
    delivery->addWidget(shop);
    delivery->addWidget(shopName, 1);
    delivery->addWidget(shopButton);
    delivery->addWidget(noShops, 1);
    sg->addLayout(delivery, 2, 0, 1, 2);
    shippingName = TextField(shipping, "shippingName");
    shippingAddress = TextField(shipping, "shippingAddress");
    shippingAddress2 = TextField(shipping, "shippingAddress2");
    shippingCity = TextField(shipping, "shippingCity");
    shippingState = TextField(shipping, "shippingState");
    shippingPostcode = TextField(shipping, "shippingPostcode");
    shippingPhone = TextField(shipping, "shippingPhone");
    shippingCountry = List(shipping, "shippingCountry");
    const std::pair<int, QWidget*> shippingRows[] = {
        {kName, shippingName},     {kAddress, shippingAddress},   {0, shippingAddress2},
        {kCityTown, shippingCity}, {kStateCounty, shippingState}, {kPostcode, shippingPostcode},
        {kPhone, shippingPhone},   {kCountry, shippingCountry},
    };
    shippingAddress2->setAccessibleName(S(kSecondLineOf).arg(S(kAddress)));
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
    auto* pay = new QGroupBox(S(kPaymentDetails), form);
    auto* pg = new QGridLayout(pay);
    pg->setHorizontalSpacing(8);
    pg->setVerticalSpacing(3);
    pg->setColumnStretch(1, 1);
    pg->setColumnStretch(3, 1);
    payment = List(pay, "paymentMethod");
    payment->setMinimumContentsLength(10);
    cardNumber = new QLineEdit(pay);
    cardNumber->setObjectName("cardNumber");
    cardNumber->setValidator(new CardNumberValidator(cardNumber));
    // 19 digits and the blanks between their groups of four.
    cardNumber->setMaxLength(static_cast<int>(orlavo::wizard::kMaxCardDigits) + 4);
    cardNumber->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData |
                                    Qt::ImhNoPredictiveText);
    cardNumber->setMinimumWidth(
        cardNumber->fontMetrics().horizontalAdvance(QLatin1String("0000 0000 0000 0000 000")) + 20);
    nameOnCard = TextField(pay, "nameOnCard");
    cardNumberLabel = Label(S(kCardNumber), cardNumber, pay);
    nameOnCardLabel = Label(S(kNameOnCard), nameOnCard, pay);
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
    expiryMonth = List(pay, "expiryMonth");
    expiryYear = List(pay, "expiryYear");
    startMonth = List(pay, "startMonth");
    startYear = List(pay, "startYear");
    // Only as wide as their numbers, with room for the arrow.
    for (QComboBox* list : {expiryMonth, startMonth})
        list->setFixedWidth(list->fontMetrics().horizontalAdvance(QLatin1String("00")) + 62);
    for (QComboBox* list : {expiryYear, startYear})
        list->setFixedWidth(list->fontMetrics().horizontalAdvance(QLatin1String("0000")) + 62);
    QWidget* expiry = datePair(expiryMonth, expiryYear);
    QWidget* start = datePair(startMonth, startYear);
    expiryLabel = Label(S(kExpirationDate), expiryMonth, pay);
    startLabel = Label(S(kStartDate), startMonth, pay);
    NameForScreenReaders(expiryMonth, S(kMonthOf).arg(S(kExpirationDate)));
    NameForScreenReaders(startMonth, S(kMonthOf).arg(S(kStartDate)));
    NameForScreenReaders(expiryYear, S(kYearOf).arg(S(kExpirationDate)));
    NameForScreenReaders(startYear, S(kYearOf).arg(S(kStartDate)));
    issueNo = new QLineEdit(pay);
    issueNo->setObjectName("issueNo");
    issueNo->setMaxLength(2);
    securityCode = new QLineEdit(pay);
    securityCode->setObjectName("securityCode");
    securityCode->setMaxLength(4);
    for (QLineEdit* e : {issueNo, securityCode}) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
        e->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData);
        e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QLatin1String("00000")) + 24);
    }
    issueLabel = Label(S(kIssueNo), issueNo, pay);
    securityLabel = Label(S(kSecurityCode), securityCode, pay);
    auto* codes = new QWidget(pay);
    auto* ch = new QHBoxLayout(codes);
    ch->setContentsMargins(0, 0, 0, 0);
    ch->setSpacing(6);
    issueNo->setParent(codes);
    securityLabel->setParent(codes);
    securityCode->setParent(codes);
    ch->addWidget(issueNo);
    ch->addSpacing(8);
    ch->addWidget(securityLabel);
    ch->addWidget(securityCode);
    ch->addStretch(1);
    // Left the method and the card, right its dates and codes.
    pg->addWidget(Label(S(kPaymentMethod), payment, pay), 0, 0);
    pg->addWidget(payment, 0, 1);
    pg->addWidget(cardNumberLabel, 1, 0);
    pg->addWidget(cardNumber, 1, 1);
    pg->addWidget(nameOnCardLabel, 2, 0);
    pg->addWidget(nameOnCard, 2, 1);
    pg->addWidget(expiryLabel, 0, 2);
    pg->addWidget(expiry, 0, 3);
    pg->addWidget(startLabel, 1, 2);
    pg->addWidget(start, 1, 3);
    pg->addWidget(issueLabel, 2, 2);
    pg->addWidget(codes, 2, 3);
    for (QWidget* w : std::initializer_list<QWidget*>{
             cardNumberLabel, cardNumber, nameOnCardLabel, nameOnCard, expiryLabel, expiryMonth,
             expiryYear, startLabel, startMonth, startYear, issueLabel, issueNo, securityLabel,
             securityCode})
        KeepPlace(w);

    voucherCode = TextField(pay, "voucherCode");
    promoCode = TextField(pay, "promoCode");
    voucherCode->setPlaceholderText(S(kOptional));
    promoCode->setPlaceholderText(S(kOptional));
    pg->addWidget(Label(S(kVoucherCode), voucherCode, pay), 3, 0);
    pg->addWidget(voucherCode, 3, 1);
    pg->addWidget(Label(S(kPromoCode), promoCode, pay), 3, 2);
    pg->addWidget(promoCode, 3, 3);
    grid->addWidget(pay, 1, 0, 1, 2);

    remember = new QCheckBox(S(kRemember), form);
    remember->setObjectName("remember");
    grid->addWidget(remember, 2, 0, 1, 2);
    notice = new QLabel(form);
    notice->setObjectName("notice");
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setStyleSheet("color: #b3261e; font-weight: bold;");
    notice->hide();
    grid->addWidget(notice, 3, 0, 1, 2);

    body->setContentsMargins(16, 10, 16, 8);
    body->setSpacing(6);
    body->addWidget(form, 1);
    status = new QLabel(S(kAskingForPrice), page);
    status->setObjectName("priceStatus");
    status->setTextFormat(Qt::PlainText);
    KeepPlace(status);
    status->hide();
    // The lab may be slow: the request can be stopped from here.
    cancelPrice = new QPushButton(S(kCancelCaption), page);
    cancelPrice->setObjectName("cancelPrice");
    cancelPrice->setAutoDefault(false);
    KeepPlace(cancelPrice);
    cancelPrice->hide();
    auto* statusRow = new QHBoxLayout();
    statusRow->addWidget(status, 1);
    statusRow->addWidget(cancelPrice);
    body->addLayout(statusRow);
}
