#pragma once
// The controls of the details page and their layout, built in code the way
// a designer form would be: the page owns one and reaches every control
// through it. Controls belong to the page (Qt parents); the form only names
// them. Texts that come from the lab are set by the page.

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QVBoxLayout;
class QWidget;

class UserDetailsForm {
public:
    // Builds the controls into BODY, the page's layout below its banner.
    UserDetailsForm(QWidget* page, QVBoxLayout* body);

    // The page's own texts, numbered in the string table.
    enum : int {
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
        // Names a screen reader gives the parts of a two-part field.
        kMonthOf = 3496,
        kYearOf,
        kSecondLineOf,
    };

    QWidget* form;  // everything but the status line
    // Billing.
    QLineEdit* firstName;
    QLineEdit* lastName;
    QLineEdit* address;
    QLineEdit* address2;
    QLineEdit* city;
    QLineEdit* state;
    QLineEdit* postcode;
    QComboBox* country;
    QLineEdit* phone;
    QLineEdit* email;
    QLineEdit* customerNumber;
    QLineEdit* dealerNumber;
    // Shipping.
    QCheckBox* sameAsBillingBox;
    QButtonGroup* deliveryGroup;
    QRadioButton* home;
    QRadioButton* shop;
    QLabel* noShops;
    QLineEdit* shopName;
    QToolButton* shopButton;
    QLabel* shopPrompt;
    QLineEdit* shippingName;
    QLineEdit* shippingAddress;
    QLineEdit* shippingAddress2;
    QLineEdit* shippingCity;
    QLineEdit* shippingState;
    QLineEdit* shippingPostcode;
    QLineEdit* shippingPhone;
    QComboBox* shippingCountry;
    // Payment.
    QComboBox* payment;
    QLabel* cardNumberLabel;
    QLineEdit* cardNumber;
    QLabel* nameOnCardLabel;
    QLineEdit* nameOnCard;
    QLabel* startLabel;
    QComboBox* startMonth;
    QComboBox* startYear;
    QLabel* expiryLabel;
    QComboBox* expiryMonth;
    QComboBox* expiryYear;
    QLabel* issueLabel;
    QLineEdit* issueNo;
    QLabel* securityLabel;
    QLineEdit* securityCode;
    QLineEdit* voucherCode;
    QLineEdit* promoCode;
    // Below.
    QCheckBox* remember;
    QLabel* notice;
    QLabel* status;
    QPushButton* cancelPrice;  // beside the status while the lab is asked
};
