#pragma once
// Names a control for screen readers where no label stands beside it. On
// Linux a list box is announced by its choice and named through the label
// whose buddy it is, so a hidden label carries the name; other controls take
// the accessible name as well.

#include <QString>

class QWidget;

void NameForScreenReaders(QWidget* control, const QString& name);
