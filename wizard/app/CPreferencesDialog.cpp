#include "wizard/app/CPreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/QuantitySpinBox.h"
#include "wizard/app/core/DealerRules.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string U(const QString& s) {
    return s.toStdString();
}

constexpr std::string_view kUser = orlavo::section::kUserDetails;

// A label and its field in one cell pair of a grid.
void AddRow(QGridLayout* grid, int row, int column, const QString& label, QWidget* field,
            int span = 1) {
    auto* l = new QLabel(label);
    l->setBuddy(field);
    grid->addWidget(l, row, column);
    grid->addWidget(field, row, column + 1, 1, span);
}

}  // namespace

CPreferencesDialog::CPreferencesDialog(CWizardApp& app, QWidget* parent)
    : QDialog(parent), app_(app) {
    setObjectName("preferences");
    setWindowTitle(S(3001));
    setWindowIcon(app.programIcon());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 16, 18, 14);
    outer->setSpacing(12);

    auto* user = new QGroupBox(S(3002), this);
    auto* ug = new QGridLayout(user);
    ug->setHorizontalSpacing(10);
    ug->setVerticalSpacing(8);
    ug->setColumnStretch(1, 1);
    ug->setColumnStretch(3, 1);
    firstName_ = new QLineEdit(user);
    lastName_ = new QLineEdit(user);
    address_ = new QLineEdit(user);
    address2_ = new QLineEdit(user);
    town_ = new QLineEdit(user);
    state_ = new QLineEdit(user);
    postCode_ = new QLineEdit(user);
    country_ = new QComboBox(user);
    phone_ = new QLineEdit(user);
    email_ = new QLineEdit(user);
    customerNumber_ = new QLineEdit(user);
    dealerNumber_ = new QLineEdit(user);
    AddRow(ug, 0, 0, S(3004), firstName_);
    AddRow(ug, 0, 2, S(3005), lastName_);
    AddRow(ug, 1, 0, S(3006), address_, 3);
    ug->addWidget(address2_, 2, 1, 1, 3);
    address2_->setAccessibleName(S(3498).arg(S(3006)));
    AddRow(ug, 3, 0, S(3007), town_);
    AddRow(ug, 3, 2, S(3008), state_);
    AddRow(ug, 4, 0, S(3009), postCode_);
    AddRow(ug, 4, 2, S(3010), country_);
    AddRow(ug, 5, 0, S(3011), phone_);
    AddRow(ug, 5, 2, S(3012), email_);
    AddRow(ug, 6, 0, S(3013), customerNumber_);
    AddRow(ug, 6, 2, S(3014), dealerNumber_);
    outer->addWidget(user);

    auto* defaults = new QGroupBox(S(3003), this);
    auto* dg = new QGridLayout(defaults);
    dg->setHorizontalSpacing(10);
    dg->setVerticalSpacing(8);
    dg->setColumnStretch(1, 1);
    product_ = new QComboBox(defaults);
    product_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    product_->setMinimumContentsLength(24);
    quantity_ = new QuantitySpinBox(defaults);
    quantity_->setObjectName("quantity");
    quantity_->setMinimumWidth(110);
    zoomAndTrimAll_ = new QCheckBox(S(3017), defaults);
    picturesFolder_ = new QLineEdit(defaults);
    choose_ = new QPushButton(S(3019), defaults);
    AddRow(dg, 0, 0, S(3015), product_, 3);
    AddRow(dg, 1, 0, S(3016), quantity_);
    dg->addWidget(zoomAndTrimAll_, 1, 2, 1, 2);
    AddRow(dg, 2, 0, S(3018), picturesFolder_, 2);
    dg->addWidget(choose_, 2, 3);
    // Thumbnails that the file manager and Orlavo make for each other.
    shareThumbnails_ = new QCheckBox(S(3626), defaults);
    shareThumbnails_->setObjectName("shareThumbnails");
    shareThumbnails_->setAccessibleName(S(3626));
    dg->addWidget(shareThumbnails_, 3, 0, 1, 4);
    // The photos go without where they were taken.
    removeLocation_ = new QCheckBox(S(3656), defaults);
    removeLocation_->setObjectName("removeLocation");
    removeLocation_->setAccessibleName(S(3656));
    dg->addWidget(removeLocation_, 4, 0, 1, 4);
    outer->addWidget(defaults);

    auto* row = new QHBoxLayout();
    row->addStretch(1);
    cancel_ = new QPushButton(S(111), this);
    save_ = new QPushButton(S(3020), this);
    save_->setObjectName("save");
    save_->setDefault(true);
    cancel_->setMinimumWidth(96);
    save_->setMinimumWidth(96);
    row->addWidget(cancel_);
    row->addWidget(save_);
    outer->addLayout(row);

    connect(save_, &QPushButton::clicked, this, &CPreferencesDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CPreferencesDialog::reject);
    connect(choose_, &QPushButton::clicked, this, &CPreferencesDialog::onChoose);

    load();
}

void CPreferencesDialog::load() {
    orlavo::RegistryStore& reg = app_.registry();
    dealerNumber_->setText(Q(app_.dealerNumber));

    for (const std::string& name : app_.countryNames())
        country_->addItem(Q(name));

    firstName_->setText(Q(reg.getText(kUser, "FirstName")));
    lastName_->setText(Q(reg.getText(kUser, "LastName")));
    address_->setText(Q(reg.getText(kUser, "Address")));
    address2_->setText(Q(reg.getText(kUser, "Address2")));
    town_->setText(Q(reg.getText(kUser, "Town")));
    state_->setText(Q(reg.getText(kUser, "State")));
    postCode_->setText(Q(reg.getText(kUser, "PostCode")));
    const QString countryText = Q(reg.getText(kUser, "Country"));
    phone_->setText(Q(reg.getText(kUser, "Phone")));
    email_->setText(Q(reg.getText(kUser, "Email")));
    customerNumber_->setText(Q(reg.getText(kUser, "CustomerNumber")));
    picturesFolder_->setText(Q(reg.getText(kUser, "PicturesFolder")));
    zoomAndTrimAll_->setChecked(reg.getNumber(kUser, "ZoomAndTrimAll", 0) != 0);
    removeLocation_->setChecked(reg.getNumber(orlavo::section::kSettings, "RemoveLocation", 1) !=
                                0);
    quantity_->setValue(reg.getNumber(kUser, "ProdQuantity", 1));
    shareThumbnails_->setChecked(reg.getNumber(orlavo::section::kSettings, "ShareThumbnails", 1) !=
                                 0);

    const std::vector<std::string> products = app_.productNames();
    int productType = reg.getNumber(kUser, "ProductType", 0);
    if (productType >= static_cast<int>(products.size()))
        productType = 0;

    // The first country that begins with the stored text, whatever the case.
    country_->setCurrentIndex(-1);
    if (!countryText.isEmpty()) {
        for (int i = 0; i < country_->count(); ++i) {
            if (country_->itemText(i).startsWith(countryText, Qt::CaseInsensitive)) {
                country_->setCurrentIndex(i);
                break;
            }
        }
    }

    for (const std::string& name : products)
        product_->addItem(Q(name));
    product_->setCurrentIndex(productType < product_->count() ? productType : -1);

    dealerNumber_->setEnabled(app_.dealerMode != 0);
}

void CPreferencesDialog::accept() {
    orlavo::RegistryStore& reg = app_.registry();

    // The quantity must be a whole number from 0 to 100.
    bool numeric = false;
    const int quantity = quantity_->cleanText().trimmed().toInt(&numeric);
    if (!numeric || quantity < 0 || quantity > 100) {
        const QString text = numeric ? S(3022).arg(0).arg(100) : S(3021);
        app_.effects().message(this, QCoreApplication::applicationName(), text,
                               QMessageBox::Warning, QMessageBox::Ok);
        quantity_->setFocus();
        quantity_->selectAll();
        return;
    }

    const std::string dealer = U(dealerNumber_->text());
    const orlavo::wizard::PreferencesDealerCheck check =
        orlavo::wizard::CheckPreferencesDealer(app_.dealerMode, dealer, app_.shops);
    if (check.refused) {
        app_.ShowAppMessageId(3023, QMessageBox::Critical, QMessageBox::Ok);
        dealerNumber_->setFocus();
        return;
    }
    // Saving answers a pending dealer question.
    bool ok = true;
    if (check.modeToStore)
        ok = app_.storeDealerMode(*check.modeToStore) && ok;

    app_.dealerNumber = dealer;
    ok = reg.setText(kUser, "DealerNumber", dealer) && ok;

    ok = reg.setNumber(kUser, "Remember", 1) && ok;
    const std::pair<const char*, QString> texts[] = {
        {"FirstName", firstName_->text()},
        {"LastName", lastName_->text()},
        {"Address", address_->text()},
        {"Address2", address2_->text()},
        {"Town", town_->text()},
        {"State", state_->text()},
        {"PostCode", postCode_->text()},
        {"Phone", phone_->text()},
        {"Email", email_->text()},
        {"CustomerNumber", customerNumber_->text()},
        {"PicturesFolder", picturesFolder_->text()},
    };
    for (const auto& [name, value] : texts)
        ok = reg.setText(kUser, name, U(value)) && ok;
    // Without a catalogue (the start window could not load one) the lists are
    // empty: the stored country and product stay, as the user could not choose.
    if (country_->count() > 0) {
        const QString country = country_->currentIndex() >= 0 ? country_->currentText() : QString();
        ok = reg.setText(kUser, "Country", U(country)) && ok;
    }
    ok = reg.setNumber(kUser, "ZoomAndTrimAll", zoomAndTrimAll_->isChecked() ? 1 : 0) && ok;
    ok = reg.setNumber(orlavo::section::kSettings, "RemoveLocation",
                       removeLocation_->isChecked() ? 1 : 0) &&
         ok;
    ok = reg.setNumber(kUser, "ProdQuantity", quantity) && ok;
    ok = reg.setNumber(orlavo::section::kSettings, "ShareThumbnails",
                       shareThumbnails_->isChecked() ? 1 : 0) &&
         ok;
    if (product_->count() > 0) {
        ok = reg.setNumber(kUser, "ProductType", product_->currentIndex()) && ok;
        ok = reg.setNumber(kUser, "ProductTypeIndex", product_->currentIndex()) && ok;
    }

    // A store that cannot be written is said so, not passed off as saved.
    if (!ok) {
        app_.ShowAppMessage(S(3032).arg(Q(reg.lastError())), QMessageBox::Critical,
                            QMessageBox::Ok);
        return;
    }
    QDialog::accept();
}

void CPreferencesDialog::onChoose() {
    QString chosen;
    if (app_.effects().browseForFolder(this, picturesFolder_->text(), chosen))
        picturesFolder_->setText(chosen);
}
