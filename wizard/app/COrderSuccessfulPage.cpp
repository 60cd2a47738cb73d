#include "wizard/app/COrderSuccessfulPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/OpenInBrowser.h"

namespace {
QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}
}  // namespace

COrderSuccessfulPage::COrderSuccessfulPage(CWizardApp& app, CMyProperySheet* sheet, QWidget* parent)
    : QDialog(parent), app_(app), sheet_(sheet) {
    setObjectName("orderSent");
    setWindowTitle(S(3027));
    setWindowIcon(app.programIcon());

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(18, 18, 22, 18);
    outer->setSpacing(20);

    auto* picture = new QLabel(this);
    picture->setObjectName("orderSentPicture");
    const QPixmap& pic = app.orderSentPicture();
    picture->setPixmap(pic);
    picture->setFixedSize(pic.isNull() ? QSize(200, 184) : pic.deviceIndependentSize().toSize());
    outer->addWidget(picture, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout();
    column->setSpacing(10);
    auto* heading = new QLabel(S(3027), this);
    heading->setObjectName("heading");
    heading->setTextFormat(Qt::PlainText);
    QFont f = heading->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    heading->setFont(f);
    column->addWidget(heading);
    auto* text = new QLabel(S(3033), this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setMinimumWidth(260);
    column->addWidget(text);
    column->addStretch(1);

    website_ = new QPushButton(S(3028), this);
    orderMore_ = new QPushButton(S(3029), this);
    exit_ = new QPushButton(S(3030), this);
    website_->setObjectName("website");
    orderMore_->setObjectName("orderMore");
    exit_->setObjectName("exit");
    for (QPushButton* b : {website_, orderMore_, exit_}) {
        b->setAutoDefault(true);
        column->addWidget(b);
    }
    outer->addLayout(column, 1);

    connect(website_, &QPushButton::clicked, this, &COrderSuccessfulPage::onWebsite);
    connect(orderMore_, &QPushButton::clicked, this, &COrderSuccessfulPage::onOrderMore);
    connect(exit_, &QPushButton::clicked, this, [this] { done(kExit); });
}

void COrderSuccessfulPage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (sheet_)
        sheet_->hide();
    orderMore_->setFocus();
}

void COrderSuccessfulPage::onWebsite() {
    const std::string url =
        app_.registry().getText(orlavo::section::kDownloadInfo, "OnlineAlbumURL");
    OpenInBrowser(app_.effects(), this, QString::fromStdString(url));
}

void COrderSuccessfulPage::onOrderMore() {
    app_.emptyOrder();
    if (sheet_)
        sheet_->setActivePage(0);
    done(kOrderMore);
    if (sheet_)
        sheet_->show();
}

void COrderSuccessfulPage::reject() {
    done(kExit);
}
