#include "wizard/app/DrawnButton.h"

DrawnButton::DrawnButton(const QString& name, QWidget* parent) : QAbstractButton(parent) {
    // The window's keys reach what it draws (Delete on a row, Space for the
    // preview); the button is for the pointer and the screen reader.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setName(name);
}

void DrawnButton::setName(const QString& name) {
    setAccessibleName(name);
    setToolTip(name);
}
