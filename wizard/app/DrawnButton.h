#pragma once
// A button over an area that its window draws itself (a thumbnail, a mark):
// it paints nothing, but gives the pointer one control to click and a screen
// reader a button with a name to say and to press.

#include <QAbstractButton>

class DrawnButton : public QAbstractButton {
    Q_OBJECT
public:
    // NAME is what a screen reader says; the tooltip says the same.
    DrawnButton(const QString& name, QWidget* parent);
    void setName(const QString& name);

protected:
    void paintEvent(QPaintEvent*) override {}
};
