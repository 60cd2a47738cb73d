#include "wizard/app/ScreenReaderName.h"

#include <QLabel>
#include <QWidget>

void NameForScreenReaders(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (!control->parentWidget())
        return;
    // A sibling, as the accessibility layer looks for the labels of a control there.
    auto* label = new QLabel(name, control->parentWidget());
    label->setObjectName(QStringLiteral("screenReaderName"));
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(control);
    label->hide();
}
