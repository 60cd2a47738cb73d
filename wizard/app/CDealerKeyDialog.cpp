#include "wizard/app/CDealerKeyDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/WizardResources.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/core/DealerRules.h"

namespace {
QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}
}  // namespace

CDealerKeyDialog::CDealerKeyDialog(CWizardApp& app, const QString& key, QWidget* parent)
    : QDialog(parent), app_(app), key_(key) {
    setObjectName("dealerKey");
    setWindowTitle(S(3024));
    setWindowIcon(app.programIcon());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 18, 20, 14);
    outer->setSpacing(14);

    auto* explanation = new QLabel(S(3026), this);
    explanation->setObjectName("explanation");
    explanation->setTextFormat(Qt::PlainText);
    explanation->setWordWrap(true);
    explanation->setMinimumWidth(380);
    outer->addWidget(explanation);

    auto* keyRow = new QHBoxLayout();
    keyRow->setSpacing(10);
    auto* label = new QLabel(S(3025), this);
    edit_ = new QLineEdit(key, this);
    edit_->setObjectName("key");
    label->setBuddy(edit_);
    keyRow->addWidget(label, 0, Qt::AlignVCenter);
    keyRow->addWidget(edit_, 1, Qt::AlignVCenter);
    outer->addLayout(keyRow);

    auto* row = new QHBoxLayout();
    row->addStretch(1);
    cancel_ = new QPushButton(S(111), this);
    continue_ = new QPushButton(S(147), this);
    continue_->setObjectName("continue");
    continue_->setDefault(true);
    cancel_->setMinimumWidth(96);
    continue_->setMinimumWidth(96);
    row->addWidget(cancel_);
    row->addWidget(continue_);
    outer->addLayout(row);

    connect(continue_, &QPushButton::clicked, this, &CDealerKeyDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDealerKeyDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        continue_->setEnabled(orlavo::wizard::DealerKeyContinueEnabled(text.toStdString()));
    });
    continue_->setEnabled(orlavo::wizard::DealerKeyContinueEnabled(key.toStdString()));
    edit_->setFocus();
}

void CDealerKeyDialog::accept() {
    const QString entered = edit_->text();
    if (!app_.dealerKeyAccepted(entered.toStdString())) {
        app_.ShowAppMessageId(3023, QMessageBox::Critical, QMessageBox::Ok);
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    key_ = entered;
    QDialog::accept();
}
