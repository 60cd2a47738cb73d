#pragma once
// The wizard's side effects for benchmarks: nothing shown, nothing opened,
// every question answered Ok.

#include <QMessageBox>

#include "wizard/app/AppEffects.h"

namespace orlavo::bench {

class QuietEffects : public AppEffects {
public:
    QMessageBox::StandardButton message(QWidget*, const QString&, const QString&, QMessageBox::Icon,
                                        QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        return QMessageBox::Ok;
    }
    bool open(const QString&) override { return true; }
    void beep() override {}
    bool browseForFolder(QWidget*, const QString&, QString&) override { return false; }
};

}  // namespace orlavo::bench
