#include "wizard/transmission/ui/COrderSummaryPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/COrderSuccessfulPage.h"
#include "wizard/app/CStaticLink.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/products/ProductTable.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/LocationSummary.h"
#include "wizard/transmission/OrderLinesSummary.h"
#include "wizard/transmission/OrderResume.h"
#include "wizard/transmission/OrderSummaryValues.h"
#include "wizard/transmission/SendUnits.h"
#include "wizard/transmission/ui/CUploadDialog.h"
#include "wizard/transmission/ui/OrderLinesTable.h"

namespace {

using orlavo::transmission::SendOutcome;

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// An address line: hidden while it has nothing to show.
void SetLine(QLabel* label, const std::string& text) {
    label->setText(Q(text));
    label->setVisible(!text.empty());
}

QGroupBox* Group(int titleId, QWidget* parent) {
    return new QGroupBox(S(titleId), parent);
}

// Inside a group: its rows close together, a narrow margin.
template <class L>
L* Rows(QGroupBox* group) {
    auto* rows = new L(group);
    rows->setContentsMargins(12, 8, 12, 8);
    rows->setSpacing(2);
    return rows;
}

// The agreement's texts: with a card it is billed, without one it is paid
// at the shop.
constexpr int kCardAgreement = 3520;
constexpr int kShopAgreement = 3589;

// The agreement's text before and after the run of blanks where the link
// stands.
std::pair<QString, QString> AgreementParts(const QString& agreement) {
    const QRegularExpressionMatch at = QRegularExpression(" {3,}").match(agreement);
    const QString before =
        (at.hasMatch() ? agreement.left(at.capturedStart()) : agreement).simplified();
    const QString after = at.hasMatch() ? agreement.mid(at.capturedEnd()).simplified() : QString();
    return {before + " ", after};
}

// Address lines and the lab's message wrap into whatever width their column
// gets; the payment rows and amounts keep their lines whole and so set the
// least width of theirs.
void WrapFreely(QLabel* label) {
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

}  // namespace

COrderSummaryPage::COrderSummaryPage(CWizardApp& app, QWidget* parent)
    : CWizardPage(S(3037), app.bannerPicture(), parent), app_(app) {
    setObjectName("step4");

    // The order that stopped part-way, when there is one.
    resumeNote_ = new ResumeOffer(this);
    resumeNote_->setObjectName("resumeNote");
    startAgain_ = resumeNote_->addButton(S(3579), "startAgain");
    resumeNote_->hide();
    connect(startAgain_, &QPushButton::clicked, this, &COrderSummaryPage::onStartAgain);

    // The summary scrolls in a window too short for it (the note takes room
    // of its own) rather than drawing its lines over each other.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("summaryScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    content->setObjectName("summaryContent");
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(body()->spacing());
    column->addWidget(resumeNote_);

    // What is bought, and where the lab writes about it.
    QGroupBox* bought = Group(3592, this);
    bought->setObjectName("boughtGroup");
    auto* boughtRows = Rows<QVBoxLayout>(bought);
    boughtRows->setSpacing(6);
    lines_ = new OrderLinesTable(bought);
    boughtRows->addWidget(lines_);
    auto* emailRow = new QHBoxLayout();
    emailRow->setSpacing(6);
    QLabel* emailCaption = Caption(S(3593), bought);
    email_ = valueLabel("email", bought);
    // Read as the address itself; the caption beside it says what it is.
    email_->setAccessibleDescription(S(3593));
    emailRow->addWidget(emailCaption);
    emailRow->addWidget(email_, 1);
    boughtRows->addLayout(emailRow);
    column->addWidget(bought);

    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    column->addLayout(grid);

    // Billing address.
    QGroupBox* billing = Group(3503, this);
    billing->setObjectName("billingGroup");
    auto* billingRows = Rows<QVBoxLayout>(billing);
    billingName_ = valueLabel("billingName", billing);
    billingAddress1_ = valueLabel("billingAddress1", billing);
    billingAddress2_ = valueLabel("billingAddress2", billing);
    billingCity_ = valueLabel("billingCity", billing);
    billingState_ = valueLabel("billingState", billing);
    billingZip_ = valueLabel("billingZip", billing);
    billingCountry_ = valueLabel("billingCountry", billing);
    billingPhone_ = valueLabel("billingPhone", billing);
    for (QLabel* l : {billingName_, billingAddress1_, billingAddress2_, billingCity_, billingState_,
                      billingZip_, billingCountry_, billingPhone_}) {
        WrapFreely(l);
        billingRows->addWidget(l);
    }
    billingRows->addStretch(1);
    grid->addWidget(billing, 0, 0);

    // Shipping address, with the shop's name on top for a collection.
    QGroupBox* shipping = Group(3504, this);
    shipping->setObjectName("shippingGroup");
    auto* shippingRows = Rows<QVBoxLayout>(shipping);
    shopName_ = valueLabel("shopName", shipping);
    QFont bold = shopName_->font();
    bold.setBold(true);
    shopName_->setFont(bold);
    shippingName_ = valueLabel("shippingName", shipping);
    shippingAddress1_ = valueLabel("shippingAddress1", shipping);
    shippingAddress2_ = valueLabel("shippingAddress2", shipping);
    shippingCity_ = valueLabel("shippingCity", shipping);
    shippingState_ = valueLabel("shippingState", shipping);
    shippingZip_ = valueLabel("shippingZip", shipping);
    shippingCountry_ = valueLabel("shippingCountry", shipping);
    shippingPhone_ = valueLabel("shippingPhone", shipping);
    for (QLabel* l : {shopName_, shippingName_, shippingAddress1_, shippingAddress2_, shippingCity_,
                      shippingState_, shippingZip_, shippingCountry_, shippingPhone_}) {
        WrapFreely(l);
        shippingRows->addWidget(l);
    }
    shippingRows->addStretch(1);
    grid->addWidget(shipping, 0, 1);

    // Payment: the method and four rows that depend on it.
    QGroupBox* payment = Group(3502, this);
    payment->setObjectName("paymentGroup");
    auto* paymentRows = Rows<QGridLayout>(payment);
    paymentRows->setHorizontalSpacing(8);
    paymentRows->addWidget(Caption(S(3501), payment), 0, 0);
    paymentMethod_ = valueLabel("paymentMethod", payment);
    paymentRows->addWidget(paymentMethod_, 0, 1);
    for (int i = 0; i < 4; ++i) {
        detailLabel_[i] = Caption(QString(), payment);
        detailLabel_[i]->setObjectName(QString("detailLabel%1").arg(i + 1));
        detailValue_[i] = valueLabel(qPrintable(QString("detailValue%1").arg(i + 1)), payment);
        paymentRows->addWidget(detailLabel_[i], i + 1, 0);
        paymentRows->addWidget(detailValue_[i], i + 1, 1);
    }
    paymentRows->setColumnStretch(1, 1);
    paymentRows->setRowStretch(5, 1);
    grid->addWidget(payment, 0, 2);

    // The quote's four amounts, below the payment as on an invoice.
    QGroupBox* amounts = Group(3505, this);
    amounts->setObjectName("amountsGroup");
    auto* amountRows = Rows<QGridLayout>(amounts);
    amountRows->setHorizontalSpacing(8);
    subtotal_ = valueLabel("subtotal", amounts);
    postage_ = valueLabel("postage", amounts);
    discount_ = valueLabel("discount", amounts);
    total_ = valueLabel("total", amounts);
    const int captions[] = {1074, 3506, 3507, 3508};
    QLabel* values[] = {subtotal_, postage_, discount_, total_};
    for (int i = 0; i < 4; ++i) {
        amountRows->addWidget(Caption(S(captions[i]), amounts), i, 0);
        values[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        amountRows->addWidget(values[i], i, 1);
    }
    QFont totalFont = total_->font();
    totalFont.setBold(true);
    total_->setFont(totalFont);
    photoCount_ = valueLabel("photoCount", amounts);
    photoCount_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    amountRows->addWidget(Caption(S(3606), amounts), 4, 0);
    amountRows->addWidget(photoCount_, 4, 1);
    location_ = valueLabel("location", amounts);
    location_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    amountRows->addWidget(Caption(S(3657), amounts), 5, 0);
    amountRows->addWidget(location_, 5, 1);
    amountRows->setColumnStretch(1, 1);
    amountRows->setRowStretch(6, 1);
    grid->addWidget(amounts, 1, 2, 2, 1);

    // The lab's message.
    QGroupBox* information = Group(3511, this);
    information->setObjectName("informationGroup");
    auto* informationRows = Rows<QVBoxLayout>(information);
    message_ = valueLabel("message", information);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    WrapFreely(message_);
    informationRows->addWidget(message_, 1);
    grid->addWidget(information, 1, 0, 1, 2);

    // Free prints, shown only when there are some.
    freePrintsGroup_ = Group(3521, this);
    freePrintsGroup_->setObjectName("freePrintsGroup");
    auto* freeRow = Rows<QHBoxLayout>(freePrintsGroup_);
    freeRow->setSpacing(4);
    freePrints_ = valueLabel("freePrints", freePrintsGroup_);
    QFont freeFont = freePrints_->font();
    freeFont.setBold(true);
    freePrints_->setFont(freeFont);
    freeRow->addWidget(Caption(S(3509), freePrintsGroup_));
    freeRow->addWidget(freePrints_);
    freeRow->addWidget(Caption(S(3510), freePrintsGroup_));
    freeRow->addStretch(1);
    grid->addWidget(freePrintsGroup_, 2, 0, 1, 2);
    for (int c = 0; c < 3; ++c)
        grid->setColumnStretch(c, 1);

    // The agreement, with the link where its text leaves room for it.
    const auto [before, after] = AgreementParts(S(kCardAgreement));
    auto* agreementLines = new QVBoxLayout();
    agreementLines->setSpacing(2);
    auto* agreementRow = new QHBoxLayout();
    agreementRow->setSpacing(0);
    QLabel* first = Caption(before, this);
    first->setObjectName("agreement");
    agreementStart_ = first;
    agreementRow->addWidget(first);
    terms_ = new CStaticLink(app.effects(), S(3519), QString(), this);
    terms_->setObjectName("terms");
    agreementRow->addWidget(terms_);
    agreementRow->addStretch(1);
    agreementLines->addLayout(agreementRow);
    QLabel* second = Caption(after, this);
    second->setObjectName("agreementEnd");
    second->setWordWrap(true);
    agreementEnd_ = second;
    agreementLines->addWidget(second);
    column->addLayout(agreementLines);
    column->addStretch(1);
    scroll->setWidget(content);
    // The page's own background shows through.
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    body()->addWidget(scroll, 1);
}

QLabel* COrderSummaryPage::valueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // Texts from the lab and the customer are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

CUploadDialog* COrderSummaryPage::uploadDialog() const {
    return upload_;
}

void COrderSummaryPage::setTransferLimits(long stallSeconds, std::string caFile) {
    stallSeconds_ = stallSeconds;
    caFile_ = std::move(caFile);
}

void COrderSummaryPage::setRetryPauses(std::vector<std::chrono::milliseconds> pauses) {
    retryPauses_ = std::move(pauses);
}

void COrderSummaryPage::onSetActive() {
    if (CMyProperySheet* s = sheet()) {
        s->layoutWithBack();
        s->nextButton()->setText(S(148));
    }
    fill();
    showResumeState();
}

bool COrderSummaryPage::resuming() const {
    if (!app_.unfinishedOrder)
        return false;
    const orlavo::transmission::OrderJournal& journal = app_.unfinishedOrder->journal();
    // Nothing reached the lab: sending the whole order anew is all there is
    // to do. A photo gone since is said in the note, and again when pressed.
    return journal.acceptedCount() > 0 &&
           orlavo::transmission::SameOrder(journal, app_.order, app_.xml);
}

void COrderSummaryPage::showResumeState() {
    const bool resume = resuming();
    if (resume) {
        const orlavo::transmission::OrderJournal& journal = app_.unfinishedOrder->journal();
        resumeNote_->setText(S(3580) + "\n" +
                             Q(orlavo::transmission::ResumePlanText(
                                 journal, orlavo::transmission::PlanResumeNow(journal, app_.xml))));
    }
    resumeNote_->setVisible(resume);
    if (CMyProperySheet* s = sheet(); s && s->activePage() == this)
        s->nextButton()->setText(S(resume ? 3060 : 148));
}

void COrderSummaryPage::onKillActive() {
    if (CMyProperySheet* s = sheet()) {
        s->nextButton()->setText(S(147));
        s->helpButton()->show();
        s->cancelButton()->show();
    }
}

void COrderSummaryPage::fill() {
    terms_->setLink(
        Q(app_.registry().getText(orlavo::section::kDownloadInfo, "TermsOfServiceURL")));
    const orlavo::transmission::OrderSummaryValues v =
        orlavo::transmission::ReadOrderSummary(app_.xml, app_.priceQuote, app_.chosenShopName);

    photoCount_->setText(Q(
        orlavo::transmission::SentPhotosText(orlavo::transmission::SendUnits(app_.order).size())));
    // The rest of an unfinished order goes as its first part went.
    const bool removeLocation =
        resuming() && app_.unfinishedOrder
            ? app_.unfinishedOrder->journal().removeLocation
            : app_.registry().getNumber(orlavo::section::kSettings, "RemoveLocation", 1) != 0;
    location_->setText(Q(orlavo::transmission::LocationText(
        orlavo::transmission::PhotosWithLocation(app_.order), removeLocation)));
    paymentMethod_->setText(Q(v.paymentMethod));
    const auto [before, after] = AgreementParts(S(v.cardMethod ? kCardAgreement : kShopAgreement));
    agreementStart_->setText(before);
    agreementEnd_->setText(after);
    for (int i = 0; i < 4; ++i) {
        detailLabel_[i]->setText(Q(v.paymentRows[i].label));
        detailValue_[i]->setText(Q(v.paymentRows[i].value));
    }

    billingName_->setText(Q(v.billingName));
    SetLine(billingAddress1_, v.billingAddress1);
    SetLine(billingAddress2_, v.billingAddress2);
    SetLine(billingCity_, v.billingCity);
    SetLine(billingState_, v.billingState);
    SetLine(billingZip_, v.billingZip);
    SetLine(billingCountry_, v.billingCountry);
    SetLine(billingPhone_, v.billingPhone);

    SetLine(shopName_, v.shopName);
    SetLine(shippingName_, v.shippingName);
    SetLine(shippingAddress1_, v.shippingAddress1);
    SetLine(shippingAddress2_, v.shippingAddress2);
    SetLine(shippingCity_, v.shippingCity);
    SetLine(shippingState_, v.shippingState);
    SetLine(shippingZip_, v.shippingZip);
    SetLine(shippingCountry_, v.shippingCountry);
    SetLine(shippingPhone_, v.shippingPhone);

    subtotal_->setText(Q(v.subtotal));
    postage_->setText(Q(v.postage));
    discount_->setText(Q(v.discount));
    total_->setText(Q(v.total));
    message_->setText(Q(v.message));
    freePrints_->setText(Q(v.freePrints));
    freePrintsGroup_->setVisible(v.freePrintsShown);

    lines_->showLines(orlavo::transmission::BoughtLines(
                          app_.order, orlavo::wizard::ProductTable::FromCatalogue(app_.xml)),
                      app_.selectedThumbnails);
    email_->setText(Q(orlavo::transmission::CustomerEmail(app_.xml)));
}

bool COrderSummaryPage::onWizardNext() {
    startSend(resuming());
    return false;
}

void COrderSummaryPage::onStartAgain() {
    startSend(false);
}

void COrderSummaryPage::startSend(bool resume) {
    // One send at a time: a cancelled one may still be stopping.
    if (upload_)
        return;
    std::unique_ptr<orlavo::transmission::JournalClaim> claim = std::move(app_.unfinishedOrder);
    if (claim && !resume) {
        // A new order: the one that stopped is given up, its photos left with the lab.
        claim->Remove();
        claim.reset();
    }
    auto* dialog = new CUploadDialog(app_, this);
    dialog->setTransferLimits(stallSeconds_, caFile_);
    if (retryPauses_)
        dialog->setRetryPauses(*retryPauses_);
    upload_ = dialog;
    connect(dialog, &CUploadDialog::sendEnded, this, &COrderSummaryPage::onSendEnded);
    resumeNote_->hide();
    // The figures stay in sight while the order goes.
    QRect figures;
    for (const QGroupBox* group : findChildren<QGroupBox*>())
        if (group->isVisible())
            figures |= QRect(group->mapToGlobal(QPoint(0, 0)), group->size());
    dialog->keepVisible(figures);
    dialog->begin(std::move(claim));
}

void COrderSummaryPage::onSendEnded(const SendOutcome& outcome) {
    if (upload_) {
        app_.unfinishedOrder = upload_->takeUnfinished();
        upload_->deleteLater();
        upload_ = nullptr;
    }
    switch (outcome.kind) {
        case SendOutcome::Kind::Cancelled:
            break;
        case SendOutcome::Kind::Sent: {
            CMyProperySheet* s = sheet();
            auto* sent = new COrderSuccessfulPage(app_, s, s);
            sent->setAttribute(Qt::WA_DeleteOnClose);
            sent->setWindowModality(Qt::ApplicationModal);
            connect(sent, &QDialog::finished, this, [s](int result) {
                if (result == COrderSuccessfulPage::kExit && s)
                    s->endWizard(COrderSuccessfulPage::kExit);
            });
            sent->show();
            break;
        }
        case SendOutcome::Kind::Failed:
            app_.ShowAppMessage(Q(orlavo::transmission::FailureText(outcome.message)),
                                QMessageBox::Critical, QMessageBox::Ok);
            break;
    }
    if (outcome.kind != SendOutcome::Kind::Sent)
        showResumeState();
    emit sendHandled(outcome);
}
