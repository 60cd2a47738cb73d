#include "wizard/app/ResumeOffer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

ResumeOffer::ResumeOffer(QWidget* parent) : QFrame(parent) {
    setObjectName("resumeOffer");
    setFrameShape(QFrame::StyledPanel);
    // A pale note colour that stands apart from the window without shouting.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xfd, 0xf6, 0xe3));
    setPalette(p);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(10);
    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(QSize(side, side), devicePixelRatioF()));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout();
    column->setSpacing(6);
    text_ = new QLabel(this);
    text_->setObjectName("resumeOfferText");
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(text_);
    buttons_ = new QHBoxLayout();
    buttons_->setSpacing(8);
    buttons_->addStretch(1);
    column->addLayout(buttons_);
    row->addLayout(column, 1);
}

void ResumeOffer::setText(const QString& text) {
    text_->setText(text);
}

QString ResumeOffer::text() const {
    return text_->text();
}

QPushButton* ResumeOffer::addButton(const QString& caption, const QString& objectName) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    // Enter presses it while it has the focus, as the window's own buttons.
    button->setAutoDefault(true);
    button->setMinimumWidth(std::max(96, button->sizeHint().width()));
    buttons_->addWidget(button);
    return button;
}
