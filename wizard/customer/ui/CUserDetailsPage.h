#pragma once
// Step 3 of the wizard: the customer's billing details, where the prints go
// (delivery to an address, or collection at one of the lab's shops), the
// payment and the optional codes. Leaving it forward checks the entries,
// stores what is remembered, writes the customer into the order manifest and
// asks the lab for the price; the wizard moves on once the quote is in
// `priceQuote` of the application object.
//
// When an interrupted order is resumed, the page shows the details its photos
// carried (resumedDetails of the application object) once, at its first
// showing; the card's data is typed again.
//
// The price request runs on a worker (PriceRequestRunner) while the page
// waits with a busy cursor and the sheet's buttons disabled; no nested event
// loop runs, and nothing closes the sheet meanwhile.

#include <QDate>
#include <QMenu>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wizard/app/CWizardPage.h"
#include "wizard/customer/CustomerDetails.h"
#include "wizard/customer/DeliveryRule.h"
#include "wizard/customer/DetailsValidation.h"
#include "wizard/customer/PaymentChoices.h"
#include "wizard/transmission/TransferManifest.h"

class CWizardApp;
class FieldMarks;
class PriceRequestRunner;
class UserDetailsForm;

class CUserDetailsPage : public CWizardPage {
    Q_OBJECT
public:
    explicit CUserDetailsPage(CWizardApp& app, QWidget* parent = nullptr);
    ~CUserDetailsPage() override;

    void onSetActive() override;
    bool onWizardNext() override;
    bool onWizardBack() override;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // Today, for the card date checks and the year lists; the system's local
    // date unless replaced (before the page is first shown).
    void setClock(std::function<QDate()> today) { today_ = std::move(today); }
    // Where each price answer is appended ("!QRT2_request.txt"); the
    // diagnostics folder unless replaced.
    void setDiagnosticSink(orlavo::transmission::DiagnosticSink sink) { dump_ = std::move(sink); }

    bool isRequestingPrice() const;
    // The shop menu as last opened from the DOWN button; null before.
    QMenu* shopMenu() const { return shopMenu_; }

signals:
    // The price request has ended: OK when the quote is in and the wizard
    // moves on, otherwise the page stays and has said why.
    void priceRequestFinished(bool ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initPage();
    void fillResumedDetails();
    void fillDateLists();
    void fillCountryLists(const std::string& billing, const std::string& shipping);
    void fillPaymentList();

    // The shipping controls and the page's own copies of the typed shipping
    // fields, by the mode the controls show.
    void readShippingControls();
    void writeShippingControls();
    void updateShippingMode();
    void updatePaymentFields();

    void onHomeClicked();
    void onShopClicked();
    void onSameAsBillingClicked();
    void onBillingNameChanged();
    void onBillingAddressChanged();
    void onBillingCountryChanged();
    void onShopButton();
    void onShopChosen(int index);
    void onPriceAnswer(bool ok, const QByteArray& answer);
    // The user stopped the request: the page is as before Continue.
    void onPriceCancelled();

    orlavo::wizard::DetailsEntries entries() const;
    orlavo::wizard::CustomerDetails record() const;
    const orlavo::wizard::ShopRecord* chosenShop() const;
    QWidget* control(orlavo::wizard::DetailsField field) const;
    void showError(const QString& text);
    void setBusy(bool busy);

    CWizardApp& app_;
    std::function<QDate()> today_;
    orlavo::transmission::DiagnosticSink dump_;
    bool initialised_ = false;
    bool busy_ = false;

    // View state.
    orlavo::wizard::DeliveryMode mode_ = orlavo::wizard::DeliveryMode::Home;
    bool sameAsBilling_ = false;
    int shopIndex_ = 0;
    int paymentId_ = -1;
    int shopPaymentIndex_ = -1;
    std::vector<orlavo::wizard::PaymentChoice> choices_;
    orlavo::wizard::TypedShipping typed_;
    // What the shipping controls show now, so that they are read by the rule
    // under which they were written.
    orlavo::wizard::DeliveryMode shownMode_ = orlavo::wizard::DeliveryMode::Home;
    bool shownSameAsBilling_ = false;

    std::unique_ptr<UserDetailsForm> ui_;
    QPointer<QMenu> shopMenu_;
    PriceRequestRunner* runner_ = nullptr;
    FieldMarks* marks_ = nullptr;
    QPointer<QWidget> focusBeforeBusy_;
};
