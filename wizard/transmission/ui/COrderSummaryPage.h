#pragma once
// Step 4 of the wizard: everything the order will carry (the prints bought,
// the address the lab writes to, payment, billing and shipping addresses,
// the lab's quote) read again at each activation,
// the link to the terms, and "Send Order", which runs the upload window and
// then shows the order-sent window, or the reason the order failed, or
// nothing after a cancel. Each press is a new send with a new order id,
// except while an order that stopped part-way is at hand (after a failure or
// a cancel here, or resumed from the start window): then a note tells what
// reached the lab, the button reads "Resume Order" and sends the rest under
// the same id, and "Start Again" in the note sends the whole order anew.

#include <QPointer>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "wizard/app/CWizardPage.h"
#include "wizard/transmission/SendOutcome.h"

class CStaticLink;
class CUploadDialog;
class CWizardApp;
class OrderLinesTable;
class QGroupBox;
class QLabel;
class QPushButton;
class ResumeOffer;

class COrderSummaryPage : public CWizardPage {
    Q_OBJECT
public:
    explicit COrderSummaryPage(CWizardApp& app, QWidget* parent = nullptr);

    void onSetActive() override;
    // "Send Order": starts a send and stays on the page; the outcome is
    // handled when the upload window reports it.
    bool onWizardNext() override;
    void onKillActive() override;

    // Handed to each upload window (tests: a short stall, a test authority).
    void setTransferLimits(long stallSeconds, std::string caFile);
    // Handed to each upload window (tests: short pauses before a retry).
    void setRetryPauses(std::vector<std::chrono::milliseconds> pauses);

    // True while "Send Order" would send the rest of an unfinished order.
    bool resuming() const;
    ResumeOffer* resumeNote() const { return resumeNote_; }
    QPushButton* startAgainButton() const { return startAgain_; }

    // The upload window of the send in progress, if any.
    CUploadDialog* uploadDialog() const;
    CStaticLink* termsLink() const { return terms_; }
    OrderLinesTable* orderLines() const { return lines_; }
    QLabel* emailLabel() const { return email_; }
    QLabel* locationLabel() const { return location_; }

signals:
    // A send has ended and its outcome has been shown (after the failure
    // message was answered, or once the order-sent window is open).
    void sendHandled(const orlavo::transmission::SendOutcome& outcome);

private:
    void fill();
    // Shows or hides the note of an unfinished order and names the button.
    void showResumeState();
    void startSend(bool resume);
    void onStartAgain();
    void onSendEnded(const orlavo::transmission::SendOutcome& outcome);
    QLabel* valueLabel(const char* name, QWidget* parent);

    CWizardApp& app_;
    long stallSeconds_ = 60;
    std::string caFile_;
    std::optional<std::vector<std::chrono::milliseconds>> retryPauses_;
    QPointer<CUploadDialog> upload_;
    ResumeOffer* resumeNote_;
    QPushButton* startAgain_;

    QLabel* agreementStart_;
    QLabel* agreementEnd_;
    QLabel* paymentMethod_;
    QLabel* detailLabel_[4];
    QLabel* detailValue_[4];
    QLabel* billingName_;
    QLabel* billingAddress1_;
    QLabel* billingAddress2_;
    QLabel* billingCity_;
    QLabel* billingState_;
    QLabel* billingZip_;
    QLabel* billingCountry_;
    QLabel* billingPhone_;
    QLabel* shopName_;
    QLabel* shippingName_;
    QLabel* shippingAddress1_;
    QLabel* shippingAddress2_;
    QLabel* shippingCity_;
    QLabel* shippingState_;
    QLabel* shippingZip_;
    QLabel* shippingCountry_;
    QLabel* shippingPhone_;
    QLabel* subtotal_;
    QLabel* postage_;
    QLabel* discount_;
    QLabel* total_;
    QLabel* photoCount_;  // what the lab will receive, one file a photo
    QLabel* location_;    // whether the photos go with where they were taken
    QLabel* message_;
    QGroupBox* freePrintsGroup_;
    QLabel* freePrints_;
    CStaticLink* terms_;
    OrderLinesTable* lines_;
    QLabel* email_;
};
