#include "wizard/photos/ui/UndoBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "resources/WizardResources.h"

namespace {
constexpr int kStrUndo = 3280;
}

UndoBar::UndoBar(QWidget* parent) : QFrame(parent) {
    setObjectName("undoBar");
    setAccessibleName(QString::fromStdString(orlavo::wizard::Str(kStrUndo)));
    setStyleSheet(
        "#undoBar { background: #2b3566; border-radius: 5px; }"
        "#undoBar QLabel { color: #ffffff; }");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 3, 4, 3);
    label_ = new QLabel(this);
    label_->setObjectName("undoText");
    label_->setTextFormat(Qt::PlainText);
    undo_ = new QPushButton(QString::fromStdString(orlavo::wizard::Str(kStrUndo)), this);
    undo_->setObjectName("undo");
    undo_->setAccessibleName(undo_->text());
    undo_->setAutoDefault(false);
    row->addWidget(label_, 1);
    row->addWidget(undo_);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &UndoBar::withdraw);
    connect(undo_, &QPushButton::clicked, this, [this] {
        withdraw();
        emit undoRequested();
    });
    hide();
}

void UndoBar::offer(const QString& text, int shownMs) {
    label_->setText(text);
    show();
    timer_.start(shownMs);
}

void UndoBar::withdraw() {
    timer_.stop();
    hide();
}
