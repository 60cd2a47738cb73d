#include "wizard/app/CWizardPage.h"

#include <QLabel>
#include <QVBoxLayout>

CWizardPage::CWizardPage(const QString& title, const QPixmap& banner, QWidget* parent)
    : QWidget(parent), title_(title) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    banner_ = new QLabel(this);
    banner_->setObjectName("banner");
    banner_->setPixmap(banner);
    // The banner keeps its size; an empty picture still keeps the band.
    const QSize size = banner.isNull() ? QSize(764, 52) : banner.deviceIndependentSize().toSize();
    banner_->setFixedSize(size);
    outer->addWidget(banner_, 0, Qt::AlignLeft | Qt::AlignTop);
    body_ = new QVBoxLayout();
    body_->setContentsMargins(24, 18, 24, 12);
    body_->setSpacing(10);
    outer->addLayout(body_, 1);
}
